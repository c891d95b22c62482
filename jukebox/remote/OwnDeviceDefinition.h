// The jukebox's own device definition ("\sysdevices\" + own id + ".xml"): the service version it
// was written for and the actions the jukebox accepts, with their arguments. Read once at start-up;
// the options sheet's Startup page offers its actions as the commands a user may choose.
#pragma once

#include <map>
#include <memory>
#include <string_view>

#include "netlib/DeviceDescription.h"
#include "platform/core/CString.h"

class IXMLDOMNode;

class COwnDeviceDefinition {
 public:
  // The jukebox's own device id; its definition file is named after it.
  static constexpr const char* kOwnDeviceId = "6F1C2A4E-93B7-4D1A-8C55-2E7B0A9D3F61";

  // Exact, case-sensitive byte order of action names.
  struct ByteLess {
    bool operator()(const CString& a, const CString& b) const { return a.view() < b.view(); }
  };
  using ActionMap = std::map<CString, std::unique_ptr<CActionDescription>, ByteLess>;

  COwnDeviceDefinition() = default;
  COwnDeviceDefinition(const COwnDeviceDefinition&) = delete;
  COwnDeviceDefinition& operator=(const COwnDeviceDefinition&) = delete;

  static CString DefinitionPath(const CString& startDirectory);

  // Reads the definition below the start directory into the action map and checks its version
  // against the program's: the number of actions stored, or -1..-6, -99 (see the source). Logs its
  // failures; a version mismatch is also shown to the user, and reading goes on.
  int ParseXMLDeviceDef(const CString& startDirectory, int programMajor, int programMinor);
  // Reads an ARGUMENTLIST node's children into `description`; 0.
  static int ParseXMLDeviceDefArguments(const IXMLDOMNode& list, CActionDescription& description);

  // The action of exactly that name (letter case counts), or nullptr. The map keeps ownership.
  CActionDescription* FindActionDescription(const CString& name) const;
  const ActionMap& Actions() const { return m_actions; }
  void Clear() { m_actions.clear(); }

 private:
  // 0 when the file's version is the program's, else 1 after telling the user.
  static int CheckVersion(const class DOMDocument& document, int programMajor, int programMinor);
  int ReadAction(const IXMLDOMNode& action);

  ActionMap m_actions;
};
