// Device descriptions: the project fields of one device and the content of its description file
// (base folder + "\sysdevices\" + uid + ".xml"): its service program and the actions it understands,
// each with its argument descriptions by name and in sequence order.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "netlib/ArgumentDescription.h"
#include "platform/core/CString.h"
#include "platform/core/Sync.h"

class IXMLDOMNode;

class CActionDescription {
 public:
  static constexpr DWORD kEnumTimeout = 10000;

  CActionDescription() = default;
  CActionDescription(const CActionDescription&) = delete;
  CActionDescription& operator=(const CActionDescription&) = delete;
  ~CActionDescription();

  // Also makes the action enumerable.
  void SetInfo(const CString& name, const CString& description);
  const CString& GetName() const { return m_name; }
  const CString& GetDescription() const { return m_description; }
  // Takes the argument over. An argument whose name is already known is still listed, but the
  // by-name lookup keeps finding the first one.
  BOOL AddArgument(CArgumentDescription* argument);
  void SortArguments();
  CArgumentDescription* FindArgument(const CString& name) const;
  int GetArgumentCount() const { return static_cast<int>(m_ordered.size()); }

  // An enumeration holds the action's lock from BeginEnum to EndEnum. BeginEnum is false when the
  // action was never given its info or the lock is not had within 10 s.
  BOOL BeginEnum();
  CArgumentDescription* GetNext();
  void EndEnum();

 private:
  CCriticalSection m_lock;
  std::unique_ptr<CSingleLock> m_enumLock;
  CString m_name;
  CString m_description;
  std::map<CString, CArgumentDescription*> m_byName;
  std::vector<std::unique_ptr<CArgumentDescription>> m_ordered;  // owns every argument
  size_t m_position = 0;
};

class CDeviceDescription {
 public:
  static constexpr DWORD kLockTimeout = 10000;

  CDeviceDescription() = default;
  CDeviceDescription(const CDeviceDescription&) = delete;
  CDeviceDescription& operator=(const CDeviceDescription&) = delete;
  ~CDeviceDescription();

  void SetBaseFolder(const CString& folder) { m_baseFolder = folder; }
  void AssignText(const CString& folder) { SetBaseFolder(folder); }
  void SetProjectInfo(LONG deviceNumber, const CString& name, const CString& description, const CString& uid,
                      const CString& address, LONG port, const CString& connectionParameters);

  // Reads the description file: 0 done; -2 the file is missing or not well-formed; -3 no rootDevice
  // element; -99 the document reader failed. Actions read before a failure stay.
  LONG Read();
  // Destroys every action description (under the lock, 10 s); false on a time-out.
  BOOL Clear();

  LONG GetDeviceNumber() const { return m_deviceNumber; }
  const CString& GetName() const { return m_name; }
  const CString& GetDescription() const { return m_description; }
  const CString& GetUid() const { return m_uid; }
  const CString& GetServiceAddress() const { return m_serviceAddress; }
  LONG GetServicePort() const { return m_servicePort; }
  const CString& GetConnectionParameters() const { return m_connectionParameters; }
  const CString& GetServiceProgram() const { return m_serviceProgram; }
  CString GetDescriptionPath() const;

  // Lookup and enumeration of the actions (in name order), under the description's lock (10 s).
  CActionDescription* FindAction(const CString& name);
  BOOL BeginEnumActions();
  CActionDescription* GetNextAction();
  void EndEnumActions();
  int GetActionCount() const { return static_cast<int>(m_actions.size()); }

 private:
  void ReadAction(const IXMLDOMNode& action);
  void ReadArgumentList(const IXMLDOMNode& list, CActionDescription& action);
  std::unique_ptr<CArgumentDescription> ReadArgument(const IXMLDOMNode& argument);

  CString m_baseFolder;
  LONG m_deviceNumber = 0;
  CString m_name;
  CString m_description;
  CString m_uid;
  CString m_serviceAddress;
  CString m_spare1;
  LONG m_servicePort = 0;
  CString m_connectionParameters;
  CString m_serviceProgram;
  CString m_spare2;
  CCriticalSection m_lock;
  std::unique_ptr<CSingleLock> m_lockObject;  // exists from SetProjectInfo on
  std::unique_ptr<CSingleLock> m_enumLock;
  std::map<CString, std::unique_ptr<CActionDescription>> m_actions;
  std::map<CString, std::unique_ptr<CActionDescription>> m_secondActions;
  std::map<CString, std::unique_ptr<CActionDescription>>::iterator m_actionCursor;
};
