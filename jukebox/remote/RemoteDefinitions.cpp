#include "jukebox/remote/RemoteDefinitions.h"

void CRemoteDefinitions::ClearDefinitions() {
  m_ownDefinition.Clear();
  m_devices.Clear();
}

int CRemoteDefinitions::RunStartupActions(const CString& startDirectory,
                                          const std::function<void(const CString&)>& queue) {
  CString text;
  if (CStartupActionList::ReadFileText(startDirectory, text) != 0) return -1;
  queue(text);
  return 0;
}

CRemoteDefinitions& RemoteDefinitions() {
  static CRemoteDefinitions definitions;
  return definitions;
}

void InstallRemoteDefinitions() {
  if (RemoteDefinitionFiles() == &RemoteDefinitions()) return;
  SetRemoteDefinitionFiles(&RemoteDefinitions());
}
