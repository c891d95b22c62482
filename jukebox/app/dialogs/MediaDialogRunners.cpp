#include "jukebox/app/dialogs/MediaDialogRunners.h"

#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/dialogs/CompressDlg.h"
#include "jukebox/app/dialogs/RipCDDlg.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/app/JukeboxIds.h"
#include "recorder/capture/RippedSongs.h"

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

// The volume whose songs folder the main window chose for the rip, before the rip starts: choosing
// again afterwards could find no volume with room (free space moves) and lose every ripped track.
DWORD VolumeOfWorkFolder(tStorage* storage, const CString& workFolder) {
  if (storage == nullptr) return 0;
  ULARGE_INTEGER freeBytes{}, totalBytes{};
  LONG songs = 0;
  DWORD serial = 0;
  CString label;
  for (int index = 0; index < storage->GetVolumeCount(); ++index) {
    storage->GetVolume(index, freeBytes, totalBytes, songs, serial, label);
    const CString root = storage->GetRootPath(serial);
    if (!root.IsEmpty() && (root + "\\Songs").CompareNoCase(workFolder) == 0) return serial;
  }
  return 0;
}

INT_PTR RunRipDialog(CWnd* owner, const CString& workFolder, const CString& cddbServer) {
  CJukeboxServices* services = JukeboxServices();
  if (services == nullptr) return IDCANCEL;
  tQHDb* songDb = services->GetSongDatabase();
  tStorage* storage = services->GetStorageManager();
  const DWORD volumeSerial = VolumeOfWorkFolder(storage, workFolder);
  CRipCDDlg dialog(songDb, storage, services->GetAlbumDatabase(), owner);
  dialog.m_workFolder = workFolder;
  dialog.m_cddbServer = cddbServer;
  dialog.m_genres = SongTypeCodes(songDb);
  dialog.m_version = services->GetVersionText();
  const INT_PTR result = dialog.DoModal();
  if (result != IDOK) {
    DeleteRippedFiles(dialog.Ripped());
    return result;
  }
  const RippedSongTexts texts{jukebox::LoadText(61275), jukebox::LoadText(61333), jukebox::LoadText(61238)};
  StoreRippedSongs(dialog.Ripped(), songDb, storage, volumeSerial, texts);
  return result;
}

}  // namespace

void InstallMediaDialogRunners() {
  MainWindowDialogs().compressDialog = RunCompressDialog;
  MainWindowDialogs().ripDialog = RunRipDialog;
}
