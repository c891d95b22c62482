// The variable store of a session: named typed values, names compared without case, arrays as the
// values' element lists. Every operation holds the session's lock for its whole length.
#include "netlib/Sessions.h"

namespace {

constexpr DWORD kVariableLockTimeout = 15000;

bool IndexAllowed(int index) { return index >= 0 && index < CSession::kMaxArrayItems; }

}  // namespace

BOOL CSession::SetStringVariable(const CString& name, const CString& text) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  CValueNode value;
  value.SetString(text);
  m_variables[name] = value;
  return TRUE;
}

BOOL CSession::SetNumberVariable(const CString& name, LONG number) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  CValueNode value;
  value.SetI4(number);
  m_variables[name] = value;
  return TRUE;
}

BOOL CSession::SetVariable(const CString& destination, const CString& source) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  auto it = m_variables.find(source);
  if (it == m_variables.end()) return FALSE;
  CValueNode copy = it->second;
  m_variables[destination] = std::move(copy);
  return TRUE;
}

BOOL CSession::AssignValue(const CString& name, const CValueNode& value) {
  if (value.GetItemCount() > kMaxArrayItems) return FALSE;
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  m_variables[name] = value;
  return TRUE;
}

BOOL CSession::AssignArrayItem(const CString& name, int index, const CValueNode& value) {
  if (!IndexAllowed(index)) return FALSE;
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  auto it = m_variables.find(name);
  if (it == m_variables.end()) {
    CValueNode created = value;
    created.RemoveItems();
    it = m_variables.emplace(name, std::move(created)).first;
  }
  CValueNode element = value;
  element.RemoveItems();
  it->second.SetArrayItem(index, element);
  return TRUE;
}

BOOL CSession::SetArrayVariable(const CString& name, CValueNode* value) {
  if (!value || value->GetItemCount() > kMaxArrayItems) return FALSE;
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  m_variables[name] = std::move(*value);
  delete value;
  return TRUE;
}

BOOL CSession::GetVariable(const CString& name, CValueNode& value) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  auto it = m_variables.find(name);
  if (it == m_variables.end()) return FALSE;
  value = it->second;
  return TRUE;
}

CString CSession::GetVariableText(const CString& name) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return "";
  auto it = m_variables.find(name);
  if (it == m_variables.end() || it->second.GetType() != ARGTYPE_STRING) return "";
  return it->second.GetString();
}

CString CSession::GetHostVariableText(const CString& name) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return "";
  auto it = m_variables.find(name);
  if (it == m_variables.end()) return "";
  return it->second.ToText();
}

BOOL CSession::GetArrayItemText(const CString& name, int index, CString& text) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  auto it = m_variables.find(name);
  if (it == m_variables.end() || index < 0 || index >= it->second.GetItemCount()) return FALSE;
  text = it->second.GetChild(index)->ToText();
  return TRUE;
}

int CSession::CountArrayItems(const CString& name) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return 0;
  auto it = m_variables.find(name);
  return it == m_variables.end() ? 0 : it->second.GetItemCount();
}

BOOL CSession::BeginEnumVariables() {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  m_variableCursor = m_variables.begin();
  return TRUE;
}

BOOL CSession::GetNextVariable(CString& name, CValueNode& value) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout) || m_variableCursor == m_variables.end()) return FALSE;
  name = m_variableCursor->first;
  value = m_variableCursor->second;
  ++m_variableCursor;
  return TRUE;
}

void CSession::ClearVariables() {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return;
  m_variables.clear();
  m_variableCursor = m_variables.end();
}

int CSession::GetVariableCount() {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return 0;
  return static_cast<int>(m_variables.size());
}
