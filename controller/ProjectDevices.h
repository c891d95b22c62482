// The project's devices: "\config\project.xml" read into a map of device descriptions by device
// number, each with the actions of its "\sysdevices\<uid>.xml"; each device's service program started
// with its device number; and the outbound connection that reaches each device.
#pragma once

#include <map>
#include <memory>

#include "netlib/DeviceDescription.h"
#include "platform/core/CString.h"
#include "platform/core/Sync.h"

class CControllerLog;
class CClientSocketManager;

class CProjectDevices {
 public:
  static constexpr DWORD kLockTimeout = 10000;

  CProjectDevices() = default;
  CProjectDevices(const CProjectDevices&) = delete;
  CProjectDevices& operator=(const CProjectDevices&) = delete;
  ~CProjectDevices();

  // Reads start directory + "\config\project.xml"; the number of devices read (0 on a lock time-out).
  LONG ReadProjectX(const CString& startDirectory, CControllerLog& log);
  // Starts every device's service program as "<program> <device number>" from the start directory;
  // the processes are never waited for here (the platform reaps them) and their handles are closed.
  LONG StartSvcPrograms(const CString& startDirectory, CControllerLog& log, LONG& failed);
  CDeviceDescription* GetSelectedDevice(DWORD deviceNumber, CControllerLog& log);
  BOOL BeginDeviceEnum();
  CDeviceDescription* GetNextDevice();
  LONG GetDevicesRead() const { return m_devicesRead; }

  // The outbound connection of each device (filled by the action client).
  bool FindConnection(DWORD deviceNumber, DWORD& threadId) const;
  // False when either key is already present (nothing is changed then).
  bool AddConnection(DWORD deviceNumber, DWORD threadId);
  DWORD GetConnectionDevice(DWORD threadId) const;
  // Forgets a connection whose thread has ended, so the next send opens a new one.
  void ForgetConnection(DWORD threadId);
  BOOL CloseClientConnections(CClientSocketManager& clients);
  void ClearDeviceMaps(CClientSocketManager& clients);

 private:
  CCriticalSection m_lock;
  std::map<DWORD, std::unique_ptr<CDeviceDescription>> m_devices;
  std::map<DWORD, std::unique_ptr<CDeviceDescription>>::iterator m_cursor = m_devices.end();
  LONG m_devicesRead = 0;
  std::map<DWORD, DWORD> m_deviceToThread;
  std::map<DWORD, DWORD> m_threadToDevice;
};
