#include "jukebox/app/dialogs/MediaDialogRunners.h"

#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/dialogs/CompressDlg.h"
#include "jukebox/app/dialogs/RipCDDlg.h"
#include "jukebox/app/dialogs/RippedSongs.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
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

std::vector<CString> SongTypeCodes(tQHDb* songDb) {
  std::vector<CString> codes;
  if (songDb == nullptr || songDb->OpenSongTypes(nullptr) <= 0) return codes;
  CString code, description;
  SHORT minBpm = 0, maxBpm = 0;
  LONG reserved = 0;
  while (songDb->NextSongType(code, description, minBpm, maxBpm, reserved) > 0) codes.push_back(code);
  songDb->CloseSongTypes();
  return codes;
}

INT_PTR RunRipDialog(CWnd* owner, const CString& workFolder, const CString& cddbServer) {
  CJukeboxServices* services = JukeboxServices();
  if (services == nullptr) return IDCANCEL;
  tQHDb* songDb = services->GetSongDatabase();
  tStorage* storage = services->GetStorageManager();
  CRipCDDlg dialog(songDb, storage, services->GetAlbumDatabase(), owner);
  dialog.m_workFolder = workFolder;
  dialog.m_cddbServer = cddbServer;
  dialog.m_genres = SongTypeCodes(songDb);
  dialog.m_version = services->GetVersionText();
  const INT_PTR result = dialog.DoModal();
  if (result != IDOK) {
    DeleteRippedFiles(dialog);
    return result;
  }
  // The work folder lies on the volume the main window chose: the first one with room.
  StoreRippedSongs(dialog, songDb, storage, storage != nullptr ? storage->FindVolumeWithRoom() : 0);
  return result;
}

}  // namespace

void InstallMediaDialogRunners() {
  MainWindowDialogs().compressDialog = RunCompressDialog;
  MainWindowDialogs().ripDialog = RunRipDialog;
}
