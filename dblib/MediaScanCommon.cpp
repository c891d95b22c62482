#include <cmath>
#include <cstdint>

#include "dblib/MediaScan.h"
#include "dblib/Storage.h"
#include "dblib/TextUtil.h"
#include "platform/core/CrtNumbers.h"

namespace qh::dblib {

CString FormatSongLength(LONG lengthMs) {
  unsigned total = lengthMs > 0 ? static_cast<unsigned>(lengthMs) : 0u;
  unsigned minutes = total / 60000u;
  unsigned seconds = (total - minutes * 60000u) / 1000u;
  unsigned milliseconds = total - (seconds * 1000u + minutes * 60000u);
  CString text;
  text.Format("%02u:%02u.%03u", minutes, seconds, milliseconds);
  return text;
}

LONG MillisecondsToLong(double milliseconds) {
  if (!std::isfinite(milliseconds)) return 0;
  double truncated = std::trunc(milliseconds);
  if (truncated >= 2147483647.0) return 2147483647;
  if (truncated <= -2147483648.0) return -2147483647 - 1;
  return static_cast<LONG>(truncated);
}

int TakeImportPath(tSong& song, const CString& filePath) {
  bool shaped = filePath.GetLength() >= 4 && std::isalpha(static_cast<unsigned char>(filePath[0])) &&
                filePath[1] == ':' && filePath[2] == '\\';
  // A path the path column cannot hold would be stored empty, a song without its file.
  if (!shaped || filePath.GetLength() - 3 > kSongPathWidth) return -6;
  DWORD serial = tStorage::GetVolumeSerial(filePath[0]);
  if (serial == 0) return -7;
  song.SetSongPath(filePath.Mid(3));
  song.SetSongVolser(serial);
  return 0;
}

CString SongTitleFromPath(const CString& filePath) {
  CString folder, name, extension;
  SplitFilePath(filePath, folder, name, extension);
  CString title = KeepAlphanumerics(name);
  title.TrimRight();
  return title.GetLength() > kSongNameWidth ? title.Left(kSongNameWidth) : title;
}

void FillBlankSongFields(tSong& song, const CString& filePath) {
  if (song.SongName.IsEmpty()) song.SongName = SongTitleFromPath(filePath);
  if (song.SongArtist.IsEmpty()) song.SongArtist = "Unknown Artist";
  if (song.SongPrimaryGenre.IsEmpty()) song.SongPrimaryGenre = "Other";
}

bool ParseDayText(const CString& text, int minYear, int maxYear, COleDateTime& date) {
  if (text.GetLength() < 10) return false;
  int year = qh_atoi(text.Mid(0, 4));
  int month = qh_atoi(text.Mid(5, 2));
  int day = qh_atoi(text.Mid(8, 2));
  if (year < minYear || year > maxYear) return false;
  date.SetDate(year, month, day);
  return true;
}

}  // namespace qh::dblib
