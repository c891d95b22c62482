// The upload merge: every song document and MP3 pair that the control server received in the upload
// folder becomes a managed song. An upload leaves the folder only when it was added, or when the library
// already holds it; a damaged pair moves to the "Failed" folder beside it, and a pair that met a passing
// trouble (no space, no volume folder, a failed copy or database write) stays for the next merge.
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/UploadMerge.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "platform/core/File.h"
#include "platform/core/FileApi.h"

using namespace jukebox;

namespace {

bool Exists(const CString& path) { return GetFileAttributes(path.GetString()) != INVALID_FILE_ATTRIBUTES; }

// The control server writes an upload beside its target as "<name>.upload-<thread>" and renames it when
// complete; while such a file exists the pair is still arriving.
bool UploadInProgress(const CString& path) {
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile((path + ".upload-*").GetString(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

void MoveToFailed(const CString& folder, const CString& path) {
  const CString failed = folder + "\\Failed";
  CreateDirectory(failed.GetString(), nullptr);
  const int cut = path.ReverseFind('\\');
  const CString target = failed + "\\" + (cut >= 0 ? path.Mid(cut + 1) : path);
  DeleteFile(target.GetString());
  if (!MoveFile(path.GetString(), target.GetString())) DeleteFile(path.GetString());
}

}  // namespace

UploadOutcome CMasterWindow::RegisterUpload(const CString& mp3Path, const CString& xmlPath, CString& name,
                                            CString& artist) {
  tSong song;
  if (const int attached = song.Attach(m_songDb, m_storage); attached != 0) {
    LogCommandFailure(FormatText(IDS_SONG_INIT, attached));
    return UploadOutcome::Retry;
  }
  song.SetSongName("Uploaded File");
  song.SetSongArtist("Unknown Artist");
  if (const int scan = song.ScanMp3File(mp3Path, TRUE); scan != 0) {
    LogCommandFailure(FormatText(IDS_UPLOAD_SCAN, scan, mp3Path.GetString()));
    return UploadOutcome::Damaged;
  }
  if (const int parsed = song.FromSongXml(xmlPath); parsed != 0) {
    LogCommandFailure(FormatText(IDS_UPLOAD_XML, parsed, xmlPath.GetString()));
    return UploadOutcome::Damaged;
  }
  CFileStatus status;
  if (!CFile::GetStatus(mp3Path.GetString(), status)) {
    LogCommandFailure(FormatText(IDS_NO_FILE_STATUS, mp3Path.GetString()));
    return UploadOutcome::Retry;
  }
  DWORD serial = 0;
  CString root;
  if (!ChooseVolume(mp3Path, status.m_size, serial, root)) return UploadOutcome::Retry;
  song.SetSongCompression('R');
  song.SetSongPath("");
  song.SetSongVolser(serial);
  if (song.CountByGuid() > 0) {
    LogCommandFailure(FormatText(IDS_UPLOAD_DUPLICATE, song.GetGuid().GetString()), "W");
    return UploadOutcome::AlreadyThere;
  }
  const LONG added = song.Add();
  if (added <= 0) {
    LogCommandFailure(FormatText(IDS_DB_UPDATE, static_cast<LONG>(added), mp3Path.GetString()));
    return UploadOutcome::Retry;
  }
  const CString target = song.GetMediaFileName();
  if (target.IsEmpty() || !CopyFile(mp3Path.GetString(), target.GetString(), TRUE)) {
    const DWORD error = GetLastError();
    // Nothing half-added: the row goes with the failed copy (the row only: the file at that name is not ours).
    m_songDb->DeleteSong(song.SongID);
    LogCommandFailure(FormatText(IDS_COPY_FAILED, error, mp3Path.GetString()));
    return UploadOutcome::Retry;
  }
  name = song.GetSongName();
  artist = song.GetSongArtist();
  if (CJukeboxApp* app = JukeboxApp())
    app->WriteErrorLog("I", "MasterWindow",
                       FormatText(IDS_UPLOAD_ADDED, name.GetString(), artist.GetString(), static_cast<LONG>(added)));
  return UploadOutcome::Added;
}

bool CMasterWindow::RegisterUploadedFile(const CString& mp3Path, const CString& xmlPath, CString& name,
                                         CString& artist) {
  return RegisterUpload(mp3Path, xmlPath, name, artist) == UploadOutcome::Added;
}

void CMasterWindow::MergeUploads() {
  CJukeboxApp* app = JukeboxApp();
  if (!app || m_bMergeBusy) return;  // key Z during a merge (from a box of it) starts no second one
  m_bMergeBusy = 1;
  const CString folder = app->GetUploadPath();
  CWnd* zone = m_currentZone < app->GetZoneCount() ? app->GetZoneWindow(m_currentZone) : nullptr;
  app->WriteErrorLog("I", "MasterWindow", FormatText(IDS_UPLOAD_CHECK, folder.GetString()));

  // The pairs are taken first: a merge moves and deletes files of the folder it walks.
  std::vector<CString> documents;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile((folder + "\\*.xml").GetString(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) documents.push_back(folder + "\\" + data.cFileName);
    } while (FindNextFile(find, &data));
    FindClose(find);
  }

  LONG found = 0, merged = 0;
  for (const CString& xmlPath : documents) {
    if (xmlPath.GetLength() <= 4) continue;
    const CString mp3Path = xmlPath.Left(xmlPath.GetLength() - 4) + ".mp3";
    if (!Exists(mp3Path) || UploadInProgress(mp3Path) || UploadInProgress(xmlPath)) continue;
    ++found;
    CString name, artist;
    const UploadOutcome outcome = RegisterUpload(mp3Path, xmlPath, name, artist);
    switch (outcome) {
      case UploadOutcome::Added:
        ++merged;
        if (zone) ZoneWindowKit().SetStatusText(zone, "UPLMERGE: " + name + "(" + artist + ")");
        [[fallthrough]];
      case UploadOutcome::AlreadyThere:
        DeleteFile(mp3Path.GetString());
        DeleteFile(xmlPath.GetString());
        break;
      case UploadOutcome::Damaged:
        MoveToFailed(folder, mp3Path);
        MoveToFailed(folder, xmlPath);
        break;
      case UploadOutcome::Retry: break;
    }
  }
  app->WriteErrorLog("I", "MasterWindow", FormatText(IDS_UPLOAD_DONE, found, merged));
  CString summary;
  summary.Format("Merge complete: %ld out of %ld files merged.", merged, found);
  if (zone) ZoneWindowKit().SetStatusText(zone, summary);
  m_lastMergeFound = found;
  m_lastMergeMerged = merged;
  m_bMergeBusy = 0;
  m_nUploadsReceived = 0;
}
