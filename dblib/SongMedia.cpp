// Reading a song's media facts before it plays.
#include "dblib/Song.h"

int tSong::ReadMediaInfo() {
  if (SongID < 1) return -1;
  if (MediaInfoRead) return 2;
  GetMediaFileName();
  return ScanMediaFile() == 0 ? 0 : 1;
}

int tSong::ScanMediaFile() {
  if (SongID < 1) return -1;
  switch (SongCompression) {
    case ' ':
    case 'A':
    case 'M': return ScanWavFile(MediaPath, FALSE);
    case '3':
    case 'R': return ScanMp3File(MediaPath, FALSE);
    case 'V': {
      int result = ScanWavFile(MediaPath, FALSE);
      SongCompression = 'V';
      return result;
    }
    default: return -2;
  }
}
