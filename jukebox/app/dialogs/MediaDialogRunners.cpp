#include "jukebox/app/dialogs/MediaDialogRunners.h"

#include "jukebox/app/LaterDialogs.h"
#include "jukebox/app/dialogs/CompressDlg.h"
#include "jukebox/app/services/JukeboxServices.h"

namespace {

INT_PTR RunCompressDialog(int& bitRate) {
  CJukeboxServices* services = JukeboxServices();
  if (services == nullptr) return IDCANCEL;
  CCompressDlg dialog(services->GetSongDatabase(), services->GetStorageManager());
  dialog.m_bitRate = bitRate;
  const INT_PTR result = dialog.DoModal();
  bitRate = dialog.m_bitRate;
  return result;
}

}  // namespace

void InstallMediaDialogRunners() {
  LaterDialogs().compressDialog = RunCompressDialog;
}
