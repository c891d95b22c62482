#include "jukebox/app/services/RemoteDefinitionFiles.h"

namespace {
CRemoteDefinitionFiles* g_files = nullptr;
}

CRemoteDefinitionFiles* RemoteDefinitionFiles() { return g_files; }

CRemoteDefinitionFiles* SetRemoteDefinitionFiles(CRemoteDefinitionFiles* files) {
  CRemoteDefinitionFiles* previous = g_files;
  g_files = files;
  return previous;
}
