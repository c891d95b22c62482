#include "recorder/RipFlow.h"

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/RipCDDlg.h"
#include "recorder/SongInfoDlg.h"
#include "recorder/capture/CddbProtocol.h"
#include "recorder/capture/RippedSongs.h"

namespace {

constexpr DWORD kRoomForADisc = 734003200;  // 700 MB

RippedSongTexts StoringTexts() { return {LoadText(IDS_RIP_BAD_TRACK), LoadText(IDS_RIP_NOT_SAVED), LoadText(IDS_COPY_FAILED)}; }

}  // namespace

int StoreRippedTracks(CRecorderDlg& main, const CRipCDDlg& rip, DWORD volumeSerial) {
  // Each song is completed by the user before its row is written.
  return StoreRippedSongs(rip.Ripped(), main.GetSongDatabase(), main.GetStorage(), volumeSerial, StoringTexts(),
                          [&main](tSong& song) {
                            CSongInfoDlg info(main.GetSongDatabase(), &main);
                            info.SetSong(&song, CSongInfoDlg::kNew);
                            return info.DoModal() == IDOK;
                          });
}

void RunRipFromCd(CRecorderDlg& main) {
  CRecorderApp* app = GetRecorderApp();
  tStorage* storage = main.GetStorage();
  double total = 0;
  storage->GetFreeSpace(total);
  const DWORD serial = storage->FindVolumeWithFreeBytes(kRoomForADisc, 0);
  if (serial == 0) {
    AfxMessageBox(LoadText(IDS_NO_SPACE), MB_OK | MB_ICONSTOP);
    return;
  }
  const CString root = storage->GetRootPath(serial);
  if (root.IsEmpty()) {
    AfxMessageBox(LoadText(IDS_NO_FOLDER_INFO), MB_OK | MB_ICONSTOP);
    return;
  }
  CRipCDDlg rip(main.GetSongDatabase(), storage, app->GetAlbumDatabase(), &main);
  rip.Setup(main.GetCdDriveLetter(), &main, root + "\\Songs");
  rip.m_useCddb = app->GetProfileInt("Recorder", "UseCddb", 1) != 0;
  rip.m_copyType = static_cast<int>(app->GetProfileInt("Recorder", "CopyType", 0));
  rip.m_cddbServer = app->GetProfileString("Recorder", "CddbServer", kDefaultCddbServer);
  rip.m_version = app->GetShortVersionText();
  const INT_PTR result = rip.DoModal();
  app->WriteProfileInt("Recorder", "UseCddb", rip.m_useCddb ? 1 : 0);
  app->WriteProfileInt("Recorder", "CopyType", rip.m_copyType);
  if (result != IDOK) {
    if (rip.HasRippedTracks()) DeleteRippedFiles(rip.Ripped());
  } else if (rip.HasRippedTracks()) {
    StoreRippedTracks(main, rip, serial);
  }
  main.RefreshSummary();
}
