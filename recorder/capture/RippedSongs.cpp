#include "recorder/capture/RippedSongs.h"

#include "dblib/MediaScan.h"
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"

namespace {

void Warn(const CString& text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }

bool StoreOne(const RippedDisc& disc, const RippedTrack& track, tQHDb* songDb, tSong& song, DWORD volumeSerial,
              const RippedSongTexts& texts, const ConfirmRippedSong& confirm) {
  song.Clear();
  if (song.ScanWavFile(track.file, FALSE) != 0) {
    DeleteFile(track.file);
    Warn(texts.badFormat);
    return false;
  }
  const COleDateTime now = COleDateTime::GetCurrentTime();
  // The reader leaves the length text to its callers when it reads no tags.
  song.SetSongLength(qh::dblib::FormatSongLength(song.SongLengthMS));
  song.SetSongCompression(' ');
  CString title = track.title;
  if (title.IsEmpty()) title.Format("Track %d", track.cdTrack);
  song.SetSongName(title);
  song.SetSongArtist(disc.artist);
  song.SetSongAlbumName(disc.album);
  if (!disc.genre.IsEmpty()) song.AddGenre(disc.genre, TRUE);
  song.SetSongSource("Audio CD Rip");
  song.SetSongInventoryCode(disc.upc);
  song.SetSongDate(now);
  song.SetSongRecordDate(now);
  song.SetSongAttributes(track.extended);
  song.SetSongCdTrack(static_cast<LONG>(track.cdTrack));
  song.SetSongCDDB(disc.discId);
  song.SetSongPath("");
  song.SetSongVolser(volumeSerial);
  song.StripArtistThe();
  if (confirm && !confirm(song)) {
    // A track the user did not want: its file would have no owner.
    DeleteFile(track.file);
    return false;
  }
  // From here on a ripped file that cannot become a song stays where it was ripped: it is the only copy
  // of the track, and the disc may be gone by the time the user reads the warning.
  if (song.Add() <= 0) {
    Warn(texts.notSaved);
    return false;
  }
  const CString target = song.GetMediaFileName();
  if (!target.IsEmpty() && MoveFile(track.file, target)) return true;
  // No row without its file. Only the row goes: a file already at the target name is not this song's.
  songDb->DeleteSong(song.SongID);
  Warn(texts.copyFailed);
  return false;
}

}  // namespace

int StoreRippedSongs(const RippedDisc& disc, tQHDb* songDb, tStorage* storage, DWORD volumeSerial,
                     const RippedSongTexts& texts, const ConfirmRippedSong& confirm) {
  if (disc.tracks.empty()) return 0;
  tSong song;
  if (songDb == nullptr || volumeSerial == 0 || song.Attach(songDb, storage) != 0) {
    Warn(texts.notSaved);
    return 0;
  }
  int stored = 0;
  // An exception (memory running out) ends the storing; the files not stored yet stay where they were ripped.
  for (size_t index = 0; index < disc.tracks.size(); ++index)
    if (StoreOne(disc, disc.tracks[index], songDb, song, volumeSerial, texts, confirm)) ++stored;
  return stored;
}

void DeleteRippedFiles(const RippedDisc& disc) {
  for (const RippedTrack& track : disc.tracks) DeleteFile(track.file);
}
