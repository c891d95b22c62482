#include "recorder/RipFlow.h"

#include "dblib/MediaScan.h"
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"
#include "recorder/OptionsDlg.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/RipCDDlg.h"
#include "recorder/SongInfoDlg.h"

namespace {

constexpr UINT kNoSpace = 61359, kNoFolder = 61360, kBadTrack = 61310, kNotSaved = 61369;
constexpr DWORD kRoomForADisc = 734003200;  // 700 MB

void Warn(UINT id) { AfxMessageBox(LoadText(id), MB_OK | MB_ICONEXCLAMATION); }

CString EntryOf(const std::vector<CString>& texts, int entry) {
  return entry >= 1 && entry <= static_cast<int>(texts.size()) ? texts[static_cast<size_t>(entry - 1)] : CString();
}

bool StoreTrack(CRecorderDlg& main, const CRipCDDlg& rip, tSong& song, size_t index, DWORD volumeSerial) {
  const CString& file = rip.m_rippedFiles[index];
  const int entry = rip.m_rippedEntries[index];
  song.Clear();
  if (song.ScanWavFile(file, FALSE) != 0) {
    DeleteFile(file);
    Warn(kBadTrack);
    return false;
  }
  const COleDateTime now = COleDateTime::GetCurrentTime();
  // The reader leaves the length text to its callers when it reads no tags.
  song.SetSongLength(qh::dblib::FormatSongLength(song.SongLengthMS));
  song.SetSongCompression(' ');
  CString title = EntryOf(rip.m_titles, entry);
  if (title.IsEmpty()) title.Format("Track %d", entry);
  song.SetSongName(title);
  song.SetSongArtist(rip.m_artist);
  song.SetSongAlbumName(rip.m_album);
  if (!rip.m_genre.IsEmpty()) song.AddGenre(rip.m_genre, TRUE);
  song.SetSongSource("Audio CD Rip");
  song.SetSongDate(now);
  song.SetSongRecordDate(now);
  song.SetSongAttributes(EntryOf(rip.m_extended, entry));
  song.SetSongCdTrack(rip.m_rippedTracks[index]);
  song.SetSongCDDB(rip.m_discId);
  song.SetSongPath("");
  song.SetSongVolser(volumeSerial);
  song.StripArtistThe();

  CSongInfoDlg info(main.GetSongDatabase(), &main);
  info.SetSong(&song, CSongInfoDlg::kNew);
  if (info.DoModal() != IDOK) {
    // A track the user did not want: its file would have no owner.
    DeleteFile(file);
    return false;
  }
  if (song.Add() <= 0) {
    Warn(kNotSaved);
    DeleteFile(file);
    return false;
  }
  const CString target = song.GetMediaFileName();
  if (!target.IsEmpty() && MoveFile(file, target)) return true;
  // No row without its file. Only the row goes: a file already at the target name is not this song's.
  main.GetSongDatabase()->DeleteSong(song.SongID);
  Warn(IDS_COPY_FAILED);
  DeleteFile(file);
  return false;
}

void DeleteRippedFiles(const CRipCDDlg& rip) {
  for (const CString& file : rip.m_rippedFiles) DeleteFile(file);
}

}  // namespace

int StoreRippedTracks(CRecorderDlg& main, const CRipCDDlg& rip, DWORD volumeSerial) {
  tSong song;
  song.Attach(main.GetSongDatabase(), main.GetStorage());
  int stored = 0;
  for (size_t index = 0; index < rip.m_rippedFiles.size(); ++index) {
    try {
      if (StoreTrack(main, rip, song, index, volumeSerial)) ++stored;
    } catch (...) {
      // The main dialog's handler reports it; the files of this and the later tracks go first.
      for (size_t later = index; later < rip.m_rippedFiles.size(); ++later) DeleteFile(rip.m_rippedFiles[later]);
      throw;
    }
  }
  return stored;
}

void RunRipFromCd(CRecorderDlg& main) {
  CRecorderApp* app = GetRecorderApp();
  tStorage* storage = main.GetStorage();
  double total = 0;
  storage->GetFreeSpace(total);
  const DWORD serial = storage->FindVolumeWithFreeBytes(kRoomForADisc, 0);
  if (serial == 0) {
    AfxMessageBox(LoadText(kNoSpace), MB_OK | MB_ICONSTOP);
    return;
  }
  const CString root = storage->GetRootPath(serial);
  if (root.IsEmpty()) {
    AfxMessageBox(LoadText(kNoFolder), MB_OK | MB_ICONSTOP);
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
    if (rip.HasRippedTracks()) DeleteRippedFiles(rip);
  } else if (rip.HasRippedTracks()) {
    StoreRippedTracks(main, rip, serial);
  }
  main.RefreshSummary();
}
