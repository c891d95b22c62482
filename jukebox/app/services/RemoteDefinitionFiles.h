// What start-up and shut-down ask of the remote control's own files: the project
// file, the jukebox's own device definition and the start-up action list. The remote control installs
// them; a jukebox built without it starts without them. (The start-up actions themselves run through the
// control port, ten seconds after the main window was created.)
#pragma once

#include "platform/core/CString.h"

class CRemoteDefinitionFiles {
 public:
  virtual ~CRemoteDefinitionFiles() = default;
  // Start-up reads the three files in this order; each result is 0 (or a count) or a negative code,
  // and none stops the start.
  virtual int ReadProjectX(const CString& startDirectory) = 0;
  virtual int ParseXMLDeviceDef(const CString& startDirectory, int programMajor, int programMinor) = 0;
  virtual int ReadXMLActionList(const CString& startDirectory) = 0;
  // Shut-down: the own action map and the device table destroy their descriptions; then the start-up
  // action list is emptied.
  virtual void ClearDefinitions() = 0;
  virtual void FreeStartupActions() = 0;
};

// The installed files, or nullptr.
CRemoteDefinitionFiles* RemoteDefinitionFiles();
// Installs them (nullptr removes them); returns the previous ones.
CRemoteDefinitionFiles* SetRemoteDefinitionFiles(CRemoteDefinitionFiles* files);
