#include "controller/ProjectDevices.h"

#include "controller/ControllerLog.h"
#include "netlib/ClientSocketManager.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/Process.h"
#include "platform/xml/XmlDom.h"

CProjectDevices::~CProjectDevices() = default;

namespace {

struct ProjectFields {
  CString number, name, description, uid, address, port, parameters;
};

ProjectFields ReadFields(const IXMLDOMNode& device) {
  ProjectFields fields;
  IXMLDOMNodeList children = device.childNodes();
  for (long i = 0; i < children.length(); ++i) {
    IXMLDOMNode child = children.item(i);
    CString name = child.nodeName();
    if (name == "DEVNUM") fields.number = child.text();
    else if (name == "DEVNAME") fields.name = child.text();
    else if (name == "DEVDESC") fields.description = child.text();
    else if (name == "DEVUID") fields.uid = child.text();
    else if (name == "SVCADDRESS") fields.address = child.text();
    else if (name == "SVCPORT") fields.port = child.text();
    else if (name == "CONNECTIONPARMS") fields.parameters = child.text();
  }
  return fields;
}

}  // namespace

LONG CProjectDevices::ReadProjectX(const CString& startDirectory, CControllerLog& log) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return 0;
  CString path = startDirectory + "\\config\\project.xml";
  try {
    DOMDocument document;
    if (!document.load(path)) {
      log.WriteLog("ReadProjectX: Error loading project file " + path);
      return m_devicesRead;
    }
    IXMLDOMNodeList devices = document.getElementsByTagName("device");
    if (devices.length() == 0) {
      log.WriteLog("ReadProjectX: Could not find any device tags in project file");
      return m_devicesRead;
    }
    for (long i = 0; i < devices.length(); ++i) {
      IXMLDOMNode node = devices.item(i);
      if (!node) {
        log.WriteLog("ReadProjectX: Error getting node from project file");
        break;
      }
      ProjectFields fields = ReadFields(node);
      auto device = std::make_unique<CDeviceDescription>();
      auto number = static_cast<DWORD>(qh_atol(fields.number));
      device->SetProjectInfo(static_cast<LONG>(number), fields.name, fields.description, fields.uid, fields.address,
                             qh_atoi(fields.port), fields.parameters);
      if (m_devices.count(number)) {
        CString text;
        text.Format("Duplicate device numbers detected (DeviceID %lu). Check your project.xml file.", number);
        log.WriteLog(text);
        continue;
      }
      ++m_devicesRead;
      device->AssignText(startDirectory);
      device->Read();
      m_devices.emplace(number, std::move(device));
    }
  } catch (...) {
    // The devices read so far stay.
  }
  return m_devicesRead;
}

LONG CProjectDevices::StartSvcPrograms(const CString& startDirectory, CControllerLog& log, LONG& failed) {
  LONG started = 0;
  failed = 0;
  for (auto& [number, device] : m_devices) {
    if (!device) continue;
    CString program = device->GetServiceProgram();
    CString path = startDirectory + "\\" + program;
    CString commandLine;
    commandLine.Format("%s %lu", program.GetString(), number);
    STARTUPINFO startup;
    PROCESS_INFORMATION process;
    std::string line = commandLine.str();
    BOOL ok = !program.IsEmpty() &&
              CreateProcess(path, line.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                            &startup, &process);
    if (ok) {
      // Nobody waits for the service: its handles go now, the platform reaps the process.
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
      ++started;
      log.WriteLog("StartSvcPrograms: Started service program " + program + " OK.");
    } else {
      ++failed;
      log.WriteLog("StartSvcPrograms: Could not start service program " + program);
    }
  }
  return started;
}

CDeviceDescription* CProjectDevices::GetSelectedDevice(DWORD deviceNumber, CControllerLog& log) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) {
    log.WriteLog("GetSelectedDevice: Timeout locking DeviceDescription map");
    return nullptr;
  }
  auto it = m_devices.find(deviceNumber);
  if (it == m_devices.end()) return nullptr;
  if (!it->second) {
    log.WriteLog("GetSelectedDevice: DeviceDescription map contains invalid entry");
    return nullptr;
  }
  return it->second.get();
}

BOOL CProjectDevices::BeginDeviceEnum() {
  m_cursor = m_devices.begin();
  return TRUE;
}

CDeviceDescription* CProjectDevices::GetNextDevice() {
  if (m_cursor == m_devices.end()) return nullptr;
  return (m_cursor++)->second.get();
}

bool CProjectDevices::FindConnection(DWORD deviceNumber, DWORD& threadId) const {
  auto it = m_deviceToThread.find(deviceNumber);
  if (it == m_deviceToThread.end()) return false;
  threadId = it->second;
  return true;
}

bool CProjectDevices::AddConnection(DWORD deviceNumber, DWORD threadId) {
  if (m_deviceToThread.count(deviceNumber) || m_threadToDevice.count(threadId)) return false;
  m_deviceToThread[deviceNumber] = threadId;
  m_threadToDevice[threadId] = deviceNumber;
  return true;
}

DWORD CProjectDevices::GetConnectionDevice(DWORD threadId) const {
  auto it = m_threadToDevice.find(threadId);
  return it == m_threadToDevice.end() ? 0 : it->second;
}

void CProjectDevices::ForgetConnection(DWORD threadId) {
  auto it = m_threadToDevice.find(threadId);
  if (it == m_threadToDevice.end()) return;
  auto device = m_deviceToThread.find(it->second);
  if (device != m_deviceToThread.end() && device->second == threadId) m_deviceToThread.erase(device);
  m_threadToDevice.erase(it);
}

BOOL CProjectDevices::CloseClientConnections(CClientSocketManager& clients) {
  BOOL closed = clients.CloseAll();
  m_deviceToThread.clear();
  m_threadToDevice.clear();
  return closed;
}

void CProjectDevices::ClearDeviceMaps(CClientSocketManager& clients) {
  CloseClientConnections(clients);
  CSingleLock lock(&m_lock);
  lock.Lock(kLockTimeout);
  m_devices.clear();
  m_cursor = m_devices.end();
}
