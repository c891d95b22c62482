#include "netlib/ValueNode.h"

#include <locale>
#include <sstream>

#include "platform/core/CrtNumbers.h"

void CValueNode::SetTag(LONG type) {
  m_type = type;
  m_text.Empty();
}

void CValueNode::SetUI1(BYTE value) { SetTag(ARGTYPE_UI1); m_ui1 = value; }
void CValueNode::SetUI2(WORD value) { SetTag(ARGTYPE_UI2); m_ui2 = value; }
void CValueNode::SetUI4(DWORD value) { SetTag(ARGTYPE_UI4); m_ui4 = value; }
void CValueNode::SetI1(signed char value) { SetTag(ARGTYPE_I1); m_i1 = value; }
void CValueNode::SetI2(SHORT value) { SetTag(ARGTYPE_I2); m_i2 = value; }
void CValueNode::SetI4(LONG value) { SetTag(ARGTYPE_I4); m_i4 = value; }
void CValueNode::SetInt(LONG value) { SetTag(ARGTYPE_INT); m_i4 = value; }
void CValueNode::SetR4(float value) { SetTag(ARGTYPE_R4); m_r4 = value; }
void CValueNode::SetR8(double value) { SetTag(ARGTYPE_R8); m_r8 = value; }
void CValueNode::SetChar(char value) { SetTag(ARGTYPE_CHAR); m_i1 = static_cast<signed char>(value); }
void CValueNode::SetBoolean(bool value) { SetTag(ARGTYPE_BOOLEAN); m_boolean = value; }

void CValueNode::SetString(const CString& text) {
  m_type = ARGTYPE_STRING;
  m_text = text;
}

void CValueNode::SetString(const char* text) { SetString(CString(text)); }

void CValueNode::SetUuid(const CString& text) {
  m_type = ARGTYPE_UUID;
  m_text = text;
}

bool CValueNode::ParseText(const CString& text, LONG type) {
  const char* chars = text.GetString();
  switch (type) {
    case ARGTYPE_UI1: {
      ULONG value = qh_strtoul(chars, nullptr, 10);
      if (value > 255) return false;
      SetUI1(static_cast<BYTE>(value));
      return true;
    }
    case ARGTYPE_UI2: {
      ULONG value = qh_strtoul(chars, nullptr, 10);
      if (value > 65535) return false;
      SetUI2(static_cast<WORD>(value));
      return true;
    }
    case ARGTYPE_UI4: SetUI4(qh_strtoul(chars, nullptr, 10)); return true;
    case ARGTYPE_I1: {
      INT value = qh_atoi(chars);
      if (value < -128 || value > 127) return false;
      SetI1(static_cast<signed char>(value));
      return true;
    }
    case ARGTYPE_I2: {
      INT value = qh_atoi(chars);
      if (value < -32768 || value > 32767) return false;
      SetI2(static_cast<SHORT>(value));
      return true;
    }
    case ARGTYPE_I4: SetI4(qh_atoi(chars)); return true;
    case ARGTYPE_INT: SetInt(qh_atoi(chars)); return true;
    case ARGTYPE_R4: SetR4(static_cast<float>(qh_atof(chars))); return true;
    case ARGTYPE_R8:
    case ARGTYPE_NUMBER:
    case ARGTYPE_FLOAT: SetR8(qh_atof(chars)); return true;
    case ARGTYPE_CHAR:
      if (text.IsEmpty()) return false;
      SetChar(text.GetAt(0));
      return true;
    case ARGTYPE_STRING: SetString(text); return true;
    case ARGTYPE_BOOLEAN: {
      CString upper = text;
      upper.MakeUpper();
      SetBoolean(upper == "1" || upper == "TRUE" || upper == "Y" || upper == "YES" || upper == "ON");
      return true;
    }
    case ARGTYPE_UUID: SetUuid(text); return true;
    default: return false;
  }
}

namespace {

template <class Number>
CString StreamText(Number value) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << value;
  return CString(out.str());
}

}  // namespace

CString CValueNode::ToText() const {
  switch (m_type) {
    case ARGTYPE_UI1: return StreamText(static_cast<unsigned>(m_ui1));
    case ARGTYPE_UI2: return StreamText(static_cast<unsigned>(m_ui2));
    case ARGTYPE_UI4: return StreamText(m_ui4);
    case ARGTYPE_I1: return StreamText(static_cast<int>(m_i1));
    case ARGTYPE_I2: return StreamText(static_cast<int>(m_i2));
    case ARGTYPE_I4:
    case ARGTYPE_INT: return StreamText(m_i4);
    case ARGTYPE_R4: return StreamText(m_r4);
    case ARGTYPE_R8:
    case ARGTYPE_NUMBER:
    case ARGTYPE_FLOAT: return StreamText(m_r8);
    case ARGTYPE_CHAR: return CString(static_cast<char>(m_i1));
    case ARGTYPE_STRING:
    case ARGTYPE_UUID: return m_text;
    case ARGTYPE_BOOLEAN: return m_boolean ? "1" : "0";
    case ARGTYPE_NONE: return "*NONE*";
    default: return "*ILLEGAL*";
  }
}

void CValueNode::AppendText(std::string& out) const {
  if (m_type == ARGTYPE_STRING || m_type == ARGTYPE_UUID)
    out += m_text.view();
  else
    out += ToText().view();
}

bool CValueNode::SetItem(int index, const CValueNode& value) {
  if (index < 0 || index >= kMaxItems) return false;
  CValueNode copy = value;  // the value may be one of this node's own items
  bool existed = index < GetItemCount();
  if (!existed) m_items.resize(static_cast<size_t>(index) + 1);
  m_items[static_cast<size_t>(index)] = std::move(copy);
  return existed;
}

bool CValueNode::GetItem(int index, CValueNode& out) const {
  if (index < 0 || index >= GetItemCount()) return false;
  out = m_items[static_cast<size_t>(index)];
  return true;
}

CValueNode* CValueNode::GetChild(int index) {
  if (index < 0 || index >= kMaxItems) return nullptr;
  if (index >= GetItemCount()) m_items.resize(static_cast<size_t>(index) + 1);
  return &m_items[static_cast<size_t>(index)];
}

bool CValueNode::SetArrayItem(int index, const CValueNode& value) {
  if (index < 0 || index >= kMaxItems) return false;
  CValueNode copy = value;  // the value may be one of this node's own items
  bool existed = index < GetItemCount();
  if (!existed) {
    CValueNode empty;
    empty.m_type = copy.m_type;
    m_items.resize(static_cast<size_t>(index) + 1, empty);
  }
  m_items[static_cast<size_t>(index)] = std::move(copy);
  return existed;
}

void CActionArgument::SetDirection(BYTE direction) {
  if (direction >= ARG_DIRECTION_IN && direction <= ARG_DIRECTION_INOUT) m_direction = direction;
}

void CActionArgument::SetSequence(LONG sequence) {
  if (sequence >= 0) m_sequence = sequence;
}

void CEventSubscription::SetAll(LONG id, std::time_t subscribeTime, LONG deviceNumber, const CString& eventName,
                                LONG eventType) {
  m_id = id;
  m_subscribeTime = subscribeTime;
  m_deviceNumber = deviceNumber;
  m_eventName = eventName;
  m_eventType = eventType;
}
