// tSong: one song of the library in memory: its Songs row, its genres, the facts read from its media
// file, and its bindings to the song database object and the storage-volume list.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Collections.h"
#include "platform/core/DateTime.h"
#include "platform/core/WinTypes.h"

class tQHDb;
class tStorage;

// The WAVE format header of a song's file and its MPEG Layer-3 extension, as the WAV reader fills them.
struct tSongWaveFormat {
  WORD wFormatTag = 0;
  WORD nChannels = 0;
  DWORD nSamplesPerSec = 0;
  DWORD nAvgBytesPerSec = 0;
  WORD nBlockAlign = 0;
  WORD wBitsPerSample = 0;
};
struct tSongMp3WaveFormat {
  WORD wID = 0;
  DWORD fdwFlags = 0;
  WORD nBlockSize = 0;
  WORD nFramesPerBlock = 0;
  WORD nCodecDelay = 0;
};

// Widths of the Songs text columns, in bytes of the single-byte text.
inline constexpr int kSongNameWidth = 80;
inline constexpr int kSongArtistWidth = 80;
inline constexpr int kSongAlbumWidth = 80;
inline constexpr int kSongLabelWidth = 40;
inline constexpr int kSongAttributesWidth = 50;
inline constexpr int kSongLengthWidth = 10;
inline constexpr int kSongCommentsWidth = 255;
inline constexpr int kSongInventoryWidth = 30;
inline constexpr int kSongSourceWidth = 50;
inline constexpr int kSongRotationWidth = 20;
inline constexpr int kSongPathWidth = 255;
inline constexpr int kSongGuidLength = 38;
// A genre is cut to the width of a song-type code, so every default genre name fits whole.
inline constexpr int kSongGenreCut = 30;

class tSong {
 public:
  tSong();
  tSong(const tSong& other);
  tSong& operator=(const tSong& other);
  virtual ~tSong();

  // Bindings: 0 bound; -1 no database, -2 database already bound, -3 no volume list, -4 volume list
  // already bound (nothing is bound on an error).
  int Attach(tQHDb* database, tStorage* storage);
  void Clear();

  // Setters: each keeps the rule of its column; a value the rule refuses leaves the old one.
  void SetSongID(LONG id);
  void SetSongName(const CString& text);
  void SetSongArtist(const CString& text);
  void SetSongAlbumName(const CString& text);
  void SetSongLabel(const CString& text);
  void SetSongDate(COleDateTime date);
  void SetSongRecordDate(COleDateTime date);
  void SetSongBPM(double bpm);
  void SetSongBPMAccuracy(double accuracy);
  void SetSongAttributes(const CString& text);
  void SetSongLength(const CString& text);
  void SetSongCdTrack(LONG track);
  void SetSongCDDB(DWORD discId);
  void SetSongCompression(char code);
  void SetSongUncompressed(BOOL uncompressed);
  void SetSongComments(const CString& text);
  void SetSongInventoryCode(const CString& text);
  void SetSongSource(const CString& text);
  void SetSongRotationCode(const CString& text);
  void SetSongPath(const CString& text);
  void SetSongVolser(DWORD serial);
  void SetSongGUID(const CString& text);
  void SetUserData(DWORD data) { UserData = data; }

  // A primary genre replaces the primary one; any other is appended to the further genres.
  void AddGenre(const CString& genre, BOOL primary);
  void StripArtistThe();
  BYTE GetPrimaryGenreIndex() const;

  CString GetSongName() const { return SongName; }
  CString GetSongArtist() const { return SongArtist; }
  CString GetGuid() const { return SongGUID; }
  DWORD GetUserData() const { return UserData; }
  tQHDb* GetDatabase() const { return Database; }
  tStorage* GetStorage() const { return Storage; }

  // File names by compression code and volume (empty when the volume is not known).
  CString GetMediaFileName();
  CString GetMp3FileName();
  CString GetCoverFileName() const;
  CString GetTempFileName() const;

  // media files and scanning (SongMedia.cpp, WavScan.cpp, Mp3Scan.cpp)
  // ReadMediaInfo: -1 no SongID, 2 already read, 0 scanned, 1 the scan failed.
  int ReadMediaInfo();
  // The reader of the compression code on MediaPath with tags off: its result, -1 no SongID, -2 no reader.
  int ScanMediaFile();
  // 0 or a negative code; with tags on they also fill the descriptive fields, the path and the volume.
  int ScanWavFile(const CString& filePath, BOOL tags);
  int ScanMp3File(const CString& filePath, BOOL tags);

  // song documents (SongXml.cpp)
  // The QHSongInfo fragment; one byte 0xFF when the record has no SongID.
  CString GetSongInfoXml() const;
  // Fills the fields a QHSong document carries: 0, or -2 when the file is no XML document.
  int FromSongXml(const CString& filePath);

  // The recorder's members (SongRecorder.cpp).
  // The media file's size in bytes: -1 without a SongID, -2 when the file does not exist.
  LONG GetMediaFileSize();
  // Appends the further genres to the array (emptied when there are none); the number of genres.
  int GetGenres(CStringArray& genres) const;
  int SetGenres(const CStringArray& genres);
  // The QHSong document of an upload: 0, or -1 without a SongID.
  int WriteSongXml(CString& xml) const;
  // The MP3 data of an MP3-in-WAV song as "<basePath>.mp3" (or basePath1.mp3, ...) with an ID3v1
  // tag: 0 written, -2 media file not readable, -3 not MP3 in a RIFF WAVE, -4 the copy not writable.
  int ExportMp3Copy(const CString& basePath);

  // Database operations through the bound song database object.
  int Load(tQHDb* database, tStorage* storage, LONG songId);
  int LoadById(LONG songId);
  LONG Add();
  int Update();
  int Delete();
  int GuidExists();
  int CountByGuid();
  int ExistsByPath();

  // The columns of the Songs row, in the order of every song select.
  LONG SongID = -1;
  CString SongName;
  CString SongArtist;
  CString SongAlbumName;
  CString SongLabel;
  COleDateTime SongDate;
  COleDateTime SongRecordDate;
  double SongBPM = 0.0;
  double SongBPMAccuracy = 0.0;
  CString SongAttributes;
  CString SongLength;
  LONG SongCdTrack = 0;
  DWORD SongCDDB = 0;
  char SongCompression = '?';
  BOOL SongUncompressed = FALSE;
  CString SongComments;
  CString SongInventoryCode;
  CString SongSource;
  CString SongRotationCode;
  CString SongPath;
  DWORD SongVolser = 0;
  CString SongGUID;
  LONG SongPlayCount = 0;

  std::vector<CString> SongGenres;  // further genres, in the order they were added
  CString SongPrimaryGenre;

  // Facts of the media file, filled by the scanners.
  CString MediaPath;
  BOOL MediaInfoRead = FALSE;
  tSongWaveFormat WaveFormat;
  tSongMp3WaveFormat Mp3WaveFormat;
  LONG BitRate = 0;
  LONG MpegVersion = 0;
  LONG MpegSampleRate = 0;
  LONG MpegChannelMode = 0;
  LONG MpegPadding = 0;
  LONG DataBytes = 0;
  LONG DataOffset = 0;
  LONG SongLengthMS = 0;
  DWORD UserData = 0;

 private:
  void CopyFrom(const tSong& other);
  void ClearMediaFacts();
  CString VolumeRoot() const;

  tQHDb* Database = nullptr;
  tStorage* Storage = nullptr;
};

// The display name of the record's compression code ("*UNKNOWN*" for a code without one).
CString CompressionTypeName(const tSong& song);
