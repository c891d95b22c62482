// The application's side of the remote control's own files: start-up reads them, shut-down empties
// them. Without an installed remote control there are none, and nothing is read.
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/services/RemoteDefinitionFiles.h"

int CJukeboxApp::ReadProjectX() {
  CRemoteDefinitionFiles* files = RemoteDefinitionFiles();
  return files ? files->ReadProjectX(m_startDirectory) : -1;
}

int CJukeboxApp::ParseXMLDeviceDef() {
  CRemoteDefinitionFiles* files = RemoteDefinitionFiles();
  return files ? files->ParseXMLDeviceDef(m_startDirectory, m_versionMajor, m_versionMinor) : -1;
}

int CJukeboxApp::ReadXMLActionList() {
  CRemoteDefinitionFiles* files = RemoteDefinitionFiles();
  return files ? files->ReadXMLActionList(m_startDirectory) : -1;
}

void CJukeboxApp::FreeRemoteDefinitions() {
  if (CRemoteDefinitionFiles* files = RemoteDefinitionFiles()) {
    files->ClearDefinitions();
    files->FreeStartupActions();
  }
}
