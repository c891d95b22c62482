#include "netlib/ArgumentDescription.h"

#include "platform/core/CrtNumbers.h"

namespace {

struct DataType {
  const char* name;
  const char* text;
  const char* displayName;
};

constexpr DataType kDataTypes[] = {
    {"ui1", "UI1", "INTEGER (UI1)"},   {"ui2", "UI2", "INTEGER (UI2)"},
    {"ui4", "UI4", "INTEGER (UI4)"},   {"i1", "I1", "INTEGER (I1)"},
    {"i2", "I2", "INTEGER (I2)"},      {"i4", "I4", "INTEGER (I4)"},
    {"int", "INT", "INTEGER"},         {"r4", "R4", "NUMBER (R4)"},
    {"r8", "R8", "NUMBER (R8)"},       {"number", "NUMBER", "NUMBER"},
    {"float", "FLOAT", "NUMBER"},      {"char", "CHAR", "CHAR"},
    {"string", "STRING", "STRING"},    {"date", "DATE", "DATE"},
    {"datetime", "DATETIME", "DATETIME"}, {"datetimetz", "DATETIMETZ", "DATETIMETZ"},
    {"time", "TIME", "TIME"},          {"timetz", "TIMETZ", "TIMETZ"},
    {"boolean", "BOOLEAN", "BOOLEAN"}, {"binbase64", "BINBASE64", "BINBASE64"},
    {"binhex", "BINHEX", "BINHEX"},    {"uri", "URI", "URI"},
    {"uuid", "UUID", "UUID"},
};
constexpr LONG kTypeCount = static_cast<LONG>(sizeof(kDataTypes) / sizeof(kDataTypes[0]));

bool IsUnsigned(LONG type) { return type >= ARGTYPE_UI1 && type <= ARGTYPE_UI4; }
bool IsSigned(LONG type) { return type >= ARGTYPE_I1 && type <= ARGTYPE_INT; }
bool IsReal(LONG type) { return type >= ARGTYPE_R4 && type <= ARGTYPE_FLOAT; }

}  // namespace

CString GetDataTypeName(LONG type) { return type >= 0 && type < kTypeCount ? kDataTypes[type].name : ""; }
CString GetDataTypeText(LONG type) { return type >= 0 && type < kTypeCount ? kDataTypes[type].text : ""; }

CString GetDataTypeDisplayName(LONG type) {
  if (type >= 0 && type < kTypeCount) return kDataTypes[type].displayName;
  return type == ARGTYPE_NONE ? "*NONE*" : "*ILLEGAL*";
}

LONG DataTypeFromText(const CString& text) {
  CString upper = text;
  upper.MakeUpper();
  for (LONG type = 0; type < kTypeCount; ++type)
    if (upper == kDataTypes[type].text) return type;
  return ARGTYPE_NONE;
}

CArgumentDescription::CArgumentDescription() {
  for (LONG type = 0; type < kTypeCount; ++type) m_typeNames.emplace(kDataTypes[type].name, type);
}

void CArgumentDescription::SetInfo(const CString& name, const CString& description, LONG sequence, bool input,
                                   LONG type) {
  m_name = name;
  m_description = description;
  m_sequence = sequence;
  m_input = input;
  m_type = type;
}

LONG CArgumentDescription::TypeOfName(const CString& typeName) const {
  auto it = m_typeNames.find(typeName);
  return it == m_typeNames.end() ? ARGTYPE_NONE : it->second;
}

void CArgumentDescription::SetUnsigned(CValueNode& node, DWORD value) const {
  switch (m_type) {
    case ARGTYPE_UI1: node.SetUI1(static_cast<BYTE>(value)); break;
    case ARGTYPE_UI2: node.SetUI2(static_cast<WORD>(value)); break;
    case ARGTYPE_UI4: node.SetUI4(value); break;
    default: break;
  }
}

void CArgumentDescription::SetSigned(CValueNode& node, LONG value) const {
  switch (m_type) {
    case ARGTYPE_I1: node.SetI1(static_cast<signed char>(value)); break;
    case ARGTYPE_I2: node.SetI2(static_cast<SHORT>(value)); break;
    case ARGTYPE_I4: node.SetI4(value); break;
    case ARGTYPE_INT: node.SetInt(value); break;
    default: break;
  }
}

void CArgumentDescription::SetReal(CValueNode& node, double value) const {
  if (m_type == ARGTYPE_R4)
    node.SetR4(static_cast<float>(value));
  else if (IsReal(m_type))
    node.SetR8(value);
}

void CArgumentDescription::SetRangeText(CValueNode& node, const CString& text) const {
  if (IsUnsigned(m_type))
    SetUnsigned(node, qh_strtoul(text, nullptr, 10));
  else if (IsSigned(m_type))
    SetSigned(node, qh_atoi(text));
  else if (IsReal(m_type))
    SetReal(node, qh_atof(text));
}

void CArgumentDescription::AddAllowedValue(const CString& value) {
  if (m_type == ARGTYPE_STRING) m_allowedValues.push_back(value);
}
