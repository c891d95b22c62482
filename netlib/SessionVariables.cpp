// The variable store of a session: named typed values, names compared without case, arrays as the
// values' element lists. Every operation holds the session's lock for its whole length.
#include "netlib/Sessions.h"

namespace {

constexpr DWORD kVariableLockTimeout = 15000;

bool IndexAllowed(int index) { return index >= 0 && index < CSession::kMaxArrayItems; }

}  // namespace

std::string CSession::VariableKey(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

CValueNode& CSession::SlotLocked(const CString& name) {
  auto [it, added] = m_variables.try_emplace(VariableKey(name.view()));
  if (added) it->second.name = name;
  return it->second.value;
}

const CValueNode* CSession::FindLocked(const CString& name) const {
  auto it = m_variables.find(VariableKey(name.view()));
  return it == m_variables.end() ? nullptr : &it->second.value;
}

CSession::Reader::Reader(CSession& session) : m_lock(&session.m_lock), m_variables(session.m_variables) {
  m_lock.Lock(kVariableLockTimeout);
}

const CValueNode* CSession::Reader::Find(std::string_view key) const {
  if (!IsLocked()) return nullptr;
  auto it = m_variables.find(key);
  return it == m_variables.end() ? nullptr : &it->second.value;
}

BOOL CSession::SetStringVariable(const CString& name, const CString& text) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  CValueNode value;
  value.SetString(text);
  SlotLocked(name) = value;
  return TRUE;
}

BOOL CSession::SetNumberVariable(const CString& name, LONG number) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  CValueNode value;
  value.SetI4(number);
  SlotLocked(name) = value;
  return TRUE;
}

BOOL CSession::SetVariable(const CString& destination, const CString& source) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  const CValueNode* found = FindLocked(source);
  if (!found) return FALSE;
  CValueNode copy = *found;
  SlotLocked(destination) = std::move(copy);
  return TRUE;
}

BOOL CSession::AssignValue(const CString& name, const CValueNode& value) {
  if (value.GetItemCount() > kMaxArrayItems) return FALSE;
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  SlotLocked(name) = value;
  return TRUE;
}

BOOL CSession::AssignArrayItem(const CString& name, int index, const CValueNode& value) {
  if (!IndexAllowed(index)) return FALSE;
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  auto [it, added] = m_variables.try_emplace(VariableKey(name.view()));
  CValueNode element = value;
  element.RemoveItems();
  if (added) {
    it->second.name = name;
    it->second.value = element;
  }
  it->second.value.SetArrayItem(index, element);
  return TRUE;
}

BOOL CSession::SetArrayVariable(const CString& name, CValueNode* value) {
  if (!value || value->GetItemCount() > kMaxArrayItems) return FALSE;
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  SlotLocked(name) = std::move(*value);
  delete value;
  return TRUE;
}

BOOL CSession::GetVariable(const CString& name, CValueNode& value) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  const CValueNode* found = FindLocked(name);
  if (!found) return FALSE;
  value = *found;
  return TRUE;
}

CString CSession::GetVariableText(const CString& name) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return "";
  const CValueNode* found = FindLocked(name);
  if (!found || found->GetType() != ARGTYPE_STRING) return "";
  return found->GetString();
}

CString CSession::GetHostVariableText(const CString& name) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return "";
  const CValueNode* found = FindLocked(name);
  if (!found) return "";
  return found->ToText();
}

BOOL CSession::GetArrayItemText(const CString& name, int index, CString& text) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return FALSE;
  const CValueNode* found = FindLocked(name);
  const CValueNode* item = found ? found->PeekItem(index) : nullptr;
  if (!item) return FALSE;
  text = item->ToText();
  return TRUE;
}

int CSession::CountArrayItems(const CString& name) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kVariableLockTimeout)) return 0;
  const CValueNode* found = FindLocked(name);
  return found ? found->GetItemCount() : 0;
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
  name = m_variableCursor->second.name;
  value = m_variableCursor->second.value;
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
