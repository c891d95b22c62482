#include "jukebox/app/dialogs/RippedSongs.h"

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/dialogs/RipCDDlg.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr UINT kCopyFailed = 61238, kBadFormat = 61275, kNotSaved = 61333;

void Warn(UINT id) { AfxMessageBox(jukebox::LoadText(id), MB_OK | MB_ICONEXCLAMATION); }

CString EntryOf(const std::vector<CString>& texts, unsigned track) {
  return track >= 1 && track <= texts.size() ? texts[track - 1] : CString();
}

bool StoreOne(const CRipCDDlg& rip, tQHDb* songDb, tSong& song, const CString& file, unsigned track,
              DWORD volumeSerial) {
  song.Clear();
  if (song.ScanWavFile(file, FALSE) != 0) {
    DeleteFile(file);
    Warn(kBadFormat);
    return false;
  }
  const COleDateTime now = COleDateTime::GetCurrentTime();
  CString title = EntryOf(rip.m_titles, track);
  if (title.IsEmpty()) title.Format("Track %d", static_cast<int>(track));
  song.SetSongCompression(' ');
  song.AddGenre(rip.m_genre, TRUE);
  song.SetSongName(title);
  song.SetSongArtist(rip.m_artist);
  song.SetSongAlbumName(rip.m_album);
  song.SetSongSource("Audio CD Rip");
  song.SetSongInventoryCode(rip.m_upc);
  song.SetSongDate(now);
  song.SetSongRecordDate(now);
  song.SetSongAttributes(EntryOf(rip.m_extended, track));
  song.SetSongCdTrack(static_cast<LONG>(track));
  song.SetSongCDDB(rip.m_discId);
  song.SetSongPath("");
  song.SetSongVolser(volumeSerial);
  song.StripArtistThe();
  if (song.Add() <= 0) {
    Warn(kNotSaved);
    DeleteFile(file);
    return false;
  }
  const CString target = song.GetMediaFileName();
  if (target.IsEmpty() || !MoveFile(file, target)) {
    // No row without its file: the row made for this track goes again (the row only: a file already at
    // that name is not ours).
    songDb->DeleteSong(song.SongID);
    Warn(kCopyFailed);
    DeleteFile(file);
    return false;
  }
  return true;
}
}  // namespace

int StoreRippedSongs(const CRipCDDlg& rip, tQHDb* songDb, tStorage* storage, DWORD volumeSerial) {
  tSong song;
  if (song.Attach(songDb, storage) != 0) {
    DeleteRippedFiles(rip);
    Warn(kNotSaved);
    return 0;
  }
  int stored = 0;
  for (size_t index = 0; index < rip.m_rippedFiles.size() && index < rip.m_rippedTracks.size(); ++index)
    if (StoreOne(rip, songDb, song, rip.m_rippedFiles[index], rip.m_rippedTracks[index], volumeSerial)) ++stored;
  return stored;
}

void DeleteRippedFiles(const CRipCDDlg& rip) {
  for (const CString& file : rip.m_rippedFiles) DeleteFile(file);
}
