// The devices of the installation's project file ("\config\project.xml"): one description per device
// number, read once at start-up. The jukebox needs them only to find where a subscriber's event
// notifications go.
#pragma once

#include <map>
#include <memory>

#include "netlib/DeviceDescription.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CDeviceTable {
 public:
  CDeviceTable() = default;
  CDeviceTable(const CDeviceTable&) = delete;
  CDeviceTable& operator=(const CDeviceTable&) = delete;

  // Reads start directory + "\config\project.xml" into the table: 0 when the file was read to its end,
  // -2 when it is missing or not well-formed, -3 to -6 when the document cannot be walked, -99 when the
  // XML layer failed. Entries inserted before a failure stay.
  int ReadProjectX(const CString& startDirectory);

  // The device with that number, or nullptr. The table keeps ownership.
  CDeviceDescription* Find(DWORD deviceNumber) const;
  int GetCount() const { return static_cast<int>(m_devices.size()); }
  const std::map<DWORD, std::unique_ptr<CDeviceDescription>>& Devices() const { return m_devices; }
  // Destroys every description.
  void Clear() { m_devices.clear(); }

 private:
  struct ProjectFields;
  static ProjectFields ReadFields(const class IXMLDOMNode& device);
  void Insert(const ProjectFields& fields, const CString& startDirectory);

  std::map<DWORD, std::unique_ptr<CDeviceDescription>> m_devices;
};
