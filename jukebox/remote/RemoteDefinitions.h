// The remote control's tables that live as long as the program: the devices of the project file, the
// jukebox's own action descriptions and the start-up action list, with the small operations other
// parts call on them (lookup, running the start-up file, teardown). Main thread only.
#pragma once

#include <functional>

#include "jukebox/app/services/RemoteDefinitionFiles.h"
#include "jukebox/remote/DeviceTable.h"
#include "jukebox/remote/OwnDeviceDefinition.h"
#include "jukebox/remote/StartupActionList.h"

class CRemoteDefinitions : public CRemoteDefinitionFiles {
 public:
  int ReadProjectX(const CString& startDirectory) override { return m_devices.ReadProjectX(startDirectory); }
  int ParseXMLDeviceDef(const CString& startDirectory, int programMajor, int programMinor) override {
    return m_ownDefinition.ParseXMLDeviceDef(startDirectory, programMajor, programMinor);
  }
  int ReadXMLActionList(const CString& startDirectory) override {
    return m_startupActions.ReadXMLActionList(startDirectory);
  }
  void ClearDefinitions() override;
  void FreeStartupActions() override { m_startupActions.FreeStartupActions(); }

  // Hands the start-up file's text to `queue` (the control port's reader of action documents): 0 when
  // handed over (also when it does not parse: it is dropped there), -1 when the file cannot be read.
  int RunStartupActions(const CString& startDirectory, const std::function<void(const CString&)>& queue);
  // Makes the options page's list the start-up list and writes the file; 0 or non-zero (not written).
  int WriteStartupActionsXml(const CString& startDirectory, const StartupActionMap& edited) {
    return m_startupActions.WriteStartupActionsXml(startDirectory, edited);
  }

  // The own action description of exactly that name (letter case counts), or nullptr.
  CActionDescription* FindActionDescription(const CString& name) const {
    return m_ownDefinition.FindActionDescription(name);
  }

  CDeviceTable& Devices() { return m_devices; }
  const COwnDeviceDefinition& OwnDefinition() const { return m_ownDefinition; }
  const CStartupActionList& StartupActions() const { return m_startupActions; }

 private:
  CDeviceTable m_devices;
  COwnDeviceDefinition m_ownDefinition;
  CStartupActionList m_startupActions;
};

// The program's tables.
CRemoteDefinitions& RemoteDefinitions();
// Makes them the application's remote definition files (once; later calls do nothing).
void InstallRemoteDefinitions();
