// The names of a song's media, cover and temporary files, made from its compression code, its volume
// and its SongID.
#include "dblib/Song.h"
#include "dblib/Storage.h"

namespace {

bool IsManaged(char code) { return code == ' ' || code == 'A' || code == 'M' || code == 'R'; }

CString NameUnderRoot(const CString& root, const char* format, LONG songId) {
  CString name;
  if (!root.IsEmpty()) name.Format(format, root.GetString(), songId);
  return name;
}

}  // namespace

CString tSong::VolumeRoot() const { return Storage != nullptr ? Storage->GetRootPath(SongVolser) : CString(); }

CString tSong::GetMediaFileName() {
  if (!MediaPath.IsEmpty()) return MediaPath;
  CString name;
  switch (SongCompression) {
    case ' ':
    case 'A':
    case 'M': name = NameUnderRoot(VolumeRoot(), "%s\\Songs\\Song%010d.wav", SongID); break;
    case 'R': name = NameUnderRoot(VolumeRoot(), "%s\\Songs\\Song%010d.mp3", SongID); break;
    case '3':
    case 'V': {
      char letter = Storage != nullptr ? Storage->GetDriveLetter(SongVolser) : 0;
      if (letter >= 'A' && letter <= 'Z') name.Format("%c:\\%s", letter, SongPath.GetString());
      break;
    }
    default: break;
  }
  MediaPath = name;
  return MediaPath;
}

CString tSong::GetMp3FileName() {
  MediaPath = NameUnderRoot(VolumeRoot(), "%s\\Songs\\Song%010d.mp3", SongID);
  return MediaPath;
}

CString tSong::GetCoverFileName() const {
  if (!IsManaged(SongCompression)) return CString();
  return NameUnderRoot(VolumeRoot(), "%s\\Covers\\Cover%010d.jpg", SongID);
}

CString tSong::GetTempFileName() const {
  if (!IsManaged(SongCompression)) return CString();
  return NameUnderRoot(VolumeRoot(), SongCompression == 'R' ? "%s\\Songs\\Temp%010d.mp3" : "%s\\Songs\\Temp%010d.wav",
                       SongID);
}
