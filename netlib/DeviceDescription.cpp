#include "netlib/DeviceDescription.h"

#include <algorithm>

#include "platform/core/CrtNumbers.h"
#include "platform/xml/XmlDom.h"

namespace {

CString UpperName(const IXMLDOMNode& node) {
  CString name = node.nodeName();
  name.MakeUpper();
  return name;
}

// Calls `visit` with the upper-cased name and the node of every direct child.
template <class Visit>
void ForEachChild(const IXMLDOMNode& parent, Visit visit) {
  IXMLDOMNodeList children = parent.childNodes();
  for (long i = 0; i < children.length(); ++i) {
    IXMLDOMNode child = children.item(i);
    visit(UpperName(child), child);
  }
}

}  // namespace

// ---- Action descriptions ---------------------------------------------------------------------------

CActionDescription::~CActionDescription() {
  if (m_enumLock) m_enumLock->Unlock();
}

void CActionDescription::SetInfo(const CString& name, const CString& description) {
  if (!m_enumLock) m_enumLock = std::make_unique<CSingleLock>(&m_lock);
  m_name = name;
  m_description = description;
}

BOOL CActionDescription::AddArgument(CArgumentDescription* argument) {
  if (argument == nullptr) return FALSE;
  m_ordered.emplace_back(argument);
  m_byName.emplace(argument->GetName(), argument);
  return TRUE;
}

void CActionDescription::SortArguments() {
  std::stable_sort(m_ordered.begin(), m_ordered.end(),
                   [](const auto& a, const auto& b) { return a->GetSequence() < b->GetSequence(); });
}

CArgumentDescription* CActionDescription::FindArgument(const CString& name) const {
  auto it = m_byName.find(name);
  return it == m_byName.end() ? nullptr : it->second;
}

BOOL CActionDescription::BeginEnum() {
  if (!m_enumLock || !m_enumLock->Lock(kEnumTimeout)) return FALSE;
  m_position = 0;
  return TRUE;
}

CArgumentDescription* CActionDescription::GetNext() {
  if (m_position >= m_ordered.size()) return nullptr;
  return m_ordered[m_position++].get();
}

void CActionDescription::EndEnum() {
  if (m_enumLock) m_enumLock->Unlock();
}

// ---- Device descriptions ---------------------------------------------------------------------------

CDeviceDescription::~CDeviceDescription() {
  if (m_enumLock) m_enumLock->Unlock();
  if (!Clear()) {
    m_actions.clear();
    m_secondActions.clear();
  }
}

void CDeviceDescription::SetProjectInfo(LONG deviceNumber, const CString& name, const CString& description,
                                        const CString& uid, const CString& address, LONG port,
                                        const CString& connectionParameters) {
  m_deviceNumber = deviceNumber;
  m_name = name;
  m_description = description;
  m_uid = uid;
  m_serviceAddress = address;
  m_servicePort = port;
  m_connectionParameters = connectionParameters;
  if (!m_lockObject) m_lockObject = std::make_unique<CSingleLock>(&m_lock);
}

CString CDeviceDescription::GetDescriptionPath() const { return m_baseFolder + "\\sysdevices\\" + m_uid + ".xml"; }

LONG CDeviceDescription::Read() {
  try {
    DOMDocument document;
    if (!document.load(GetDescriptionPath())) return -2;
    IXMLDOMNodeList roots = document.getElementsByTagName("rootDevice");
    if (roots.length() == 0) return -3;
    ForEachChild(roots.item(0), [this](const CString& name, const IXMLDOMNode& child) {
      if (name == "SVCPROGRAM") m_serviceProgram = child.text();
    });
    IXMLDOMNodeList actions = document.getElementsByTagName("action");
    for (long i = 0; i < actions.length(); ++i) ReadAction(actions.item(i));
    return 0;
  } catch (...) {
    return -99;
  }
}

void CDeviceDescription::ReadAction(const IXMLDOMNode& action) {
  // An action whose name is already taken is read into a description that is never stored and is
  // dropped at the end, so it neither replaces the first one nor leaks.
  std::unique_ptr<CActionDescription> unstored;
  CActionDescription* current = nullptr;
  CString currentName;
  ForEachChild(action, [&](const CString& name, const IXMLDOMNode& child) {
    if (name == "NAME") {
      currentName = child.text();
      auto description = std::make_unique<CActionDescription>();
      current = description.get();
      if (m_actions.count(currentName) == 0) {
        m_actions.emplace(currentName, std::move(description));
        unstored.reset();
      } else {
        unstored = std::move(description);
      }
    } else if (name == "DESC") {
      if (current && !currentName.IsEmpty()) current->SetInfo(currentName, child.text());
    } else if (name == "ARGUMENTLIST") {
      if (current) ReadArgumentList(child, *current);
    }
  });
}

void CDeviceDescription::ReadArgumentList(const IXMLDOMNode& list, CActionDescription& action) {
  ForEachChild(list, [&](const CString& name, const IXMLDOMNode& child) {
    if (name != "ARGUMENT") return;
    if (auto argument = ReadArgument(child)) action.AddArgument(argument.release());
  });
  action.SortArguments();
}

std::unique_ptr<CArgumentDescription> CDeviceDescription::ReadArgument(const IXMLDOMNode& node) {
  auto argument = std::make_unique<CArgumentDescription>();
  CString argumentName;
  CString description;
  LONG sequence = 0;
  bool input = false;
  bool valid = false;
  ForEachChild(node, [&](const CString& name, const IXMLDOMNode& child) {
    if (name == "NAME") {
      argumentName = child.text();
    } else if (name == "DESC") {
      description = child.text();
    } else if (name == "SEQ") {
      sequence = qh_atoi(child.text());
    } else if (name == "DIRECTION") {
      CString direction = child.text();
      direction.MakeUpper();
      input = direction == "IN";
    } else if (name == "DATATYPE") {
      LONG type = DataTypeFromText(child.text());
      if (!argumentName.IsEmpty() && type != ARGTYPE_NONE) {
        argument->SetInfo(argumentName, description, sequence, input, type);
        valid = true;
      }
    } else if (name == "ALLOWEDVALUERANGE") {
      ForEachChild(child, [&](const CString& rangeName, const IXMLDOMNode& bound) {
        if (rangeName == "MINIMUM") argument->SetMinimumText(bound.text());
        if (rangeName == "MAXIMUM") argument->SetMaximumText(bound.text());
      });
    } else if (name == "ALLOWEDVALUELIST") {
      ForEachChild(child, [&](const CString& valueName, const IXMLDOMNode& value) {
        if (valueName == "ALLOWEDVALUE") argument->AddAllowedValue(value.text());
      });
    }
  });
  if (!valid) return nullptr;
  return argument;
}

BOOL CDeviceDescription::Clear() {
  if (m_lockObject) {
    if (!m_lockObject->Lock(kLockTimeout)) return FALSE;
    m_actions.clear();
    m_secondActions.clear();
    m_lockObject->Unlock();
    m_lockObject.reset();
    return TRUE;
  }
  m_actions.clear();
  m_secondActions.clear();
  return TRUE;
}

CActionDescription* CDeviceDescription::FindAction(const CString& name) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return nullptr;
  auto it = m_actions.find(name);
  return it == m_actions.end() ? nullptr : it->second.get();
}

BOOL CDeviceDescription::BeginEnumActions() {
  if (!m_enumLock) m_enumLock = std::make_unique<CSingleLock>(&m_lock);
  if (!m_enumLock->Lock(kLockTimeout)) return FALSE;
  m_actionCursor = m_actions.begin();
  return TRUE;
}

CActionDescription* CDeviceDescription::GetNextAction() {
  if (!m_enumLock || !m_enumLock->IsLocked() || m_actionCursor == m_actions.end()) return nullptr;
  return (m_actionCursor++)->second.get();
}

void CDeviceDescription::EndEnumActions() {
  if (m_enumLock) m_enumLock->Unlock();
}
