#include "dblib/Song.h"

#include "dblib/DefaultGenres.h"

namespace {

CString Cut(const CString& text, int width) { return text.GetLength() > width ? text.Left(width) : text; }

CString CutAndTrim(const CString& text, int width) {
  CString cut = Cut(text, width);
  cut.Trim();
  return cut;
}

COleDateTime InvalidDate() {
  COleDateTime date;
  date.SetStatus(COleDateTime::invalid);
  return date;
}

}  // namespace

tSong::tSong() = default;

tSong::tSong(const tSong& other) { CopyFrom(other); }

tSong& tSong::operator=(const tSong& other) {
  if (this != &other) CopyFrom(other);
  return *this;
}

tSong::~tSong() = default;

void tSong::CopyFrom(const tSong& other) {
  SongID = other.SongID;
  SongName = other.SongName;
  SongArtist = other.SongArtist;
  SongAlbumName = other.SongAlbumName;
  SongLabel = other.SongLabel;
  SongDate = other.SongDate;
  SongRecordDate = other.SongRecordDate;
  SongBPM = other.SongBPM;
  SongBPMAccuracy = other.SongBPMAccuracy;
  SongAttributes = other.SongAttributes;
  SongLength = other.SongLength;
  SongCdTrack = other.SongCdTrack;
  SongCDDB = other.SongCDDB;
  SongCompression = other.SongCompression;
  SongUncompressed = other.SongUncompressed;
  SongComments = other.SongComments;
  SongInventoryCode = other.SongInventoryCode;
  SongSource = other.SongSource;
  SongRotationCode = other.SongRotationCode;
  SongPath = other.SongPath;
  SongVolser = other.SongVolser;
  SongGUID = other.SongGUID;
  SongPlayCount = other.SongPlayCount;
  SongGenres = other.SongGenres;
  SongPrimaryGenre = other.SongPrimaryGenre;
  MediaPath = other.MediaPath;
  MediaInfoRead = other.MediaInfoRead;
  WaveFormat = other.WaveFormat;
  Mp3WaveFormat = other.Mp3WaveFormat;
  BitRate = other.BitRate;
  MpegVersion = other.MpegVersion;
  MpegSampleRate = other.MpegSampleRate;
  MpegChannelMode = other.MpegChannelMode;
  MpegPadding = other.MpegPadding;
  DataBytes = other.DataBytes;
  DataOffset = other.DataOffset;
  SongLengthMS = other.SongLengthMS;
  UserData = other.UserData;
  Database = other.Database;
  Storage = other.Storage;
}

int tSong::Attach(tQHDb* database, tStorage* storage) {
  if (database == nullptr) return -1;
  if (Database != nullptr) return -2;
  if (storage == nullptr) return -3;
  if (Storage != nullptr) return -4;
  Database = database;
  Storage = storage;
  return 0;
}

void tSong::ClearMediaFacts() {
  MediaPath.Empty();
  MediaInfoRead = FALSE;
  WaveFormat = {};
  Mp3WaveFormat = {};
  BitRate = MpegVersion = MpegSampleRate = MpegChannelMode = MpegPadding = 0;
  DataBytes = DataOffset = SongLengthMS = 0;
}

void tSong::Clear() {
  SongID = 0;
  SongName.Empty();
  SongArtist.Empty();
  SongAlbumName.Empty();
  SongLabel.Empty();
  SongDate = InvalidDate();
  SongRecordDate = InvalidDate();
  SongBPM = 0.0;
  SongBPMAccuracy = 0.0;
  SongAttributes.Empty();
  SongLength.Empty();
  SongCdTrack = 0;
  SongCDDB = 0;
  SongCompression = '?';
  SongUncompressed = FALSE;
  SongComments.Empty();
  SongInventoryCode.Empty();
  SongSource.Empty();
  SongRotationCode.Empty();
  SongPath.Empty();
  SongVolser = 0;
  SongGUID.Empty();
  SongPlayCount = 0;
  SongGenres.clear();
  SongPrimaryGenre.Empty();
  ClearMediaFacts();
  UserData = 0;
}

void tSong::SetSongID(LONG id) {
  if (id > 0) SongID = id;
}
void tSong::SetSongName(const CString& text) { SongName = CutAndTrim(text, kSongNameWidth); }
void tSong::SetSongArtist(const CString& text) { SongArtist = CutAndTrim(text, kSongArtistWidth); }
void tSong::SetSongAlbumName(const CString& text) { SongAlbumName = Cut(text, kSongAlbumWidth); }
void tSong::SetSongLabel(const CString& text) { SongLabel = Cut(text, kSongLabelWidth); }
void tSong::SetSongDate(COleDateTime date) { SongDate = date; }
void tSong::SetSongRecordDate(COleDateTime date) { SongRecordDate = date; }
void tSong::SetSongBPM(double bpm) {
  if (bpm >= 50.0 && bpm <= 200.0) SongBPM = bpm;
}
void tSong::SetSongBPMAccuracy(double accuracy) {
  if (accuracy >= 0.0 && accuracy <= 100.0) SongBPMAccuracy = accuracy;
}
void tSong::SetSongAttributes(const CString& text) { SongAttributes = Cut(text, kSongAttributesWidth); }
void tSong::SetSongLength(const CString& text) { SongLength = Cut(text, kSongLengthWidth); }
void tSong::SetSongCdTrack(LONG track) {
  if (track >= 1 && track <= 99) SongCdTrack = track;
}
void tSong::SetSongCDDB(DWORD discId) { SongCDDB = discId; }
void tSong::SetSongCompression(char code) {
  switch (code) {
    case ' ':
    case 'A':
    case 'M':
    case 'R':
    case '3':
    case 'V': SongCompression = code; break;
    default: break;
  }
}
void tSong::SetSongUncompressed(BOOL uncompressed) { SongUncompressed = uncompressed; }
void tSong::SetSongComments(const CString& text) { SongComments = Cut(text, kSongCommentsWidth); }
void tSong::SetSongInventoryCode(const CString& text) { SongInventoryCode = Cut(text, kSongInventoryWidth); }
void tSong::SetSongSource(const CString& text) { SongSource = Cut(text, kSongSourceWidth); }
void tSong::SetSongRotationCode(const CString& text) { SongRotationCode = Cut(text, kSongRotationWidth); }

// A path is never cut: a shortened path names another file. One longer than the column keeps the old.
void tSong::SetSongPath(const CString& text) {
  if (text.GetLength() <= kSongPathWidth) SongPath = text;
}
void tSong::SetSongVolser(DWORD serial) { SongVolser = serial; }
void tSong::SetSongGUID(const CString& text) {
  if (text.GetLength() == kSongGuidLength) SongGUID = text;
}

void tSong::AddGenre(const CString& genre, BOOL primary) {
  CString cleaned = CutAndTrim(genre, kSongGenreCut);
  // A blank further genre names nothing; kept, it would make the save of the whole song fail.
  if (!primary && cleaned.IsEmpty()) return;
  if (primary)
    SongPrimaryGenre = cleaned;
  else
    SongGenres.push_back(cleaned);
}

void tSong::StripArtistThe() {
  if (SongArtist.GetLength() > 4 && SongArtist.Left(4).CompareNoCase("THE ") == 0) SongArtist = SongArtist.Mid(4);
}

BYTE tSong::GetPrimaryGenreIndex() const {
  for (int index = 0; index < kDefaultGenreCount; ++index)
    if (SongPrimaryGenre.CompareNoCase(kDefaultGenres[index]) == 0) return static_cast<BYTE>(index);
  return 12;
}
