#include "recorder/RecordFlow.h"

#include "dblib/MediaScan.h"
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/RecordDlg.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongInfoDlg.h"

namespace {

constexpr DWORD kRecordingRoomBytes = 104857600;  // 100 MB

void RemoveFile(const CString& path) {
  SetFileAttributes(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFile(path);
}

// The volume a recording goes to and its temporary file there; false after the user was told why not.
bool ChooseTarget(tStorage& storage, DWORD& serial, CString& tempFile) {
  double totalBytes = 0;
  storage.GetFreeSpace(totalBytes);
  serial = storage.FindVolumeWithFreeBytes(kRecordingRoomBytes, 0);
  if (serial == 0) {
    RecorderMessage(IDS_NO_SPACE, MB_OK | MB_ICONSTOP);
    return false;
  }
  CString root = storage.GetRootPath(serial);
  if (root.IsEmpty()) {
    RecorderMessage(IDS_NO_FOLDER_INFO, MB_OK | MB_ICONSTOP);
    return false;
  }
  char name[MAX_PATH] = {};
  // Without a Songs folder the volume's path information is wrong: the same advice applies.
  if (GetTempFileName(root + "\\Songs", "QHR", 0, name) == 0) {
    RecorderMessage(IDS_NO_FOLDER_INFO, MB_OK | MB_ICONSTOP);
    return false;
  }
  tempFile = name;
  return true;
}

// Index 0 of the recorder's device list is the wave mapper, index n the device n - 1.
UINT DeviceIdOf(int listIndex) { return listIndex <= 0 ? WAVE_MAPPER : static_cast<UINT>(listIndex - 1); }

void FillRecordedSong(tSong& song, const COleDateTime& now, DWORD serial) {
  const CString length = qh::dblib::FormatSongLength(song.SongLengthMS);
  song.Clear();
  song.SetSongName(now.Format("Recording made at %X"));
  song.SetSongArtist("Unknown Artist");
  song.SetSongCompression(' ');
  song.SetSongSource("Recording");
  song.SetSongDate(now);
  song.SetSongRecordDate(now);
  song.SetSongLength(length);
  song.SetSongPath("");
  song.SetSongVolser(serial);
  song.StripArtistThe();
}

}  // namespace

CString FileNewSong(tSong& song, const CString& finishedFile) {
  tQHDb* db = song.GetDatabase();
  if (song.Add() <= 0) {
    RemoveFile(finishedFile);
    RecorderMessage(IDS_COPY_FAILED, MB_OK | MB_ICONEXCLAMATION);
    return CString();
  }
  CString media = song.GetMediaFileName();
  BOOL moved = FALSE;
  {
    CRecorderWaitCursor wait;
    moved = !media.IsEmpty() && MoveFile(finishedFile, media);
  }
  if (moved) return media;
  // A row whose file never arrived would be a song nobody can play: it goes again with its genres.
  if (db != nullptr) db->DeleteSong(song.SongID);
  RemoveFile(finishedFile);
  RecorderMessage(IDS_COPY_FAILED, MB_OK | MB_ICONEXCLAMATION);
  return CString();
}

void RecordNewSong(CRecorderDlg& main) {
  CRecordDlg record(&main);
  CSongInfoDlg info(main.GetSongDatabase(), &main);
  tSong song;
  const COleDateTime now = COleDateTime::GetCurrentTime();
  CWinApp* app = AfxGetApp();
  int threshold = static_cast<int>(app->GetProfileInt("Recorder", "AutoThreshold", -35));
  int autoStart = static_cast<int>(app->GetProfileInt("Recorder", "UseAutoThreshold", 0));

  DWORD serial = 0;
  CString tempFile;
  if (main.GetStorage() == nullptr || !ChooseTarget(*main.GetStorage(), serial, tempFile)) return;

  record.Setup(tempFile, &main, GetRecorderApp()->GetDatabaseFolder(), threshold, autoStart,
               DeviceIdOf(main.GetWaveInDevice()));
  INT_PTR result = record.DoModal();
  app->WriteProfileInt("Recorder", "AutoThreshold", record.GetTriggerLevel());
  app->WriteProfileInt("Recorder", "UseAutoThreshold", record.GetAutoStart());
  if (result != IDOK) {
    RemoveFile(tempFile);
    return;
  }

  song.Attach(main.GetSongDatabase(), main.GetStorage());
  if (song.ScanWavFile(tempFile, FALSE) != 0) {
    RemoveFile(tempFile);
    RecorderMessage(IDS_BAD_RECORDING, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  FillRecordedSong(song, now, serial);

  info.SetSong(&song, CSongInfoDlg::kNew);
  if (info.DoModal() != IDOK) {
    RemoveFile(tempFile);
    return;
  }
  CString media = FileNewSong(song, tempFile);
  if (media.IsEmpty()) return;
  AfxMessageBox(LoadFormatted(IDS_SONG_CREATED, media.GetString()), MB_OK | MB_ICONINFORMATION);
  main.RefreshSummary();
}
