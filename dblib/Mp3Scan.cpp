// The MP3 reader of the song record: the ID3v2 tag is skipped, the first frame header gives format
// and bit rate, the ID3v1 trailer gives the tags. Only headers and tags are read, never the audio.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "dblib/DefaultGenres.h"
#include "dblib/MediaFileReader.h"
#include "dblib/MediaScan.h"
#include "platform/core/CrtNumbers.h"

using namespace qh::dblib;

namespace {

constexpr size_t kTrailerSize = 128;
constexpr size_t kSyncBufferSize = 4096;

// Bit rates in kbit/s by bit-rate index and column: MPEG-1 Layer I, II, III; MPEG-2/2.5 Layer I;
// MPEG-2/2.5 Layers II and III.
constexpr int kBitRates[16][5] = {
    {0, 0, 0, 0, 0},           {32, 32, 32, 32, 8},       {64, 48, 40, 48, 16},      {96, 56, 48, 56, 24},
    {128, 64, 56, 64, 32},     {160, 80, 64, 80, 40},     {192, 96, 80, 96, 48},     {224, 112, 96, 112, 56},
    {256, 128, 112, 128, 64},  {288, 160, 128, 144, 80},  {320, 192, 160, 160, 96},  {352, 224, 192, 176, 112},
    {384, 256, 224, 192, 128}, {416, 320, 256, 224, 144}, {448, 384, 320, 256, 160}, {-1, -1, -1, -1, -1},
};

int SampleRate(int versionId, int index) {
  static constexpr int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  return index < 3 ? kRates[versionId][index] : 0;
}

// The column of the bit-rate table for a version id and layer bits (3 = Layer I, 1 = Layer III).
int BitRateColumn(int versionId, int layerBits) {
  if (versionId == 3) return 3 - layerBits;
  if (versionId == 1) return layerBits;  // reserved version: the layer bits' value
  return layerBits == 3 ? 3 : 4;
}

// Where the audio starts: after an ID3v2 tag (10-byte header, syncsafe size, a footer when flagged).
uint64_t AudioStart(tMediaFileReader& file) {
  unsigned char header[10];
  if (!file.ReadExactAt(0, header, sizeof header) || std::memcmp(header, "ID3", 3) != 0) return 0;
  uint64_t size = (static_cast<uint64_t>(header[6] & 0x7F) << 21) | ((header[7] & 0x7F) << 14) |
                  ((header[8] & 0x7F) << 7) | (header[9] & 0x7F);
  bool footer = header[3] >= 4 && (header[5] & 0x10) != 0;
  return size + 10 + (footer ? 10 : 0);
}

// The position of the first frame header (0xFF then a byte with its top three bits set) at or after
// `start`; false when the file ends first. A byte after 0xFF that does not match is passed over.
bool FindFrameSync(tMediaFileReader& file, uint64_t start, uint64_t& found, unsigned char header[4]) {
  unsigned char buffer[kSyncBufferSize];
  uint64_t position = start;
  bool afterFF = false;
  for (;;) {
    size_t got = file.ReadAt(position, buffer, sizeof buffer);
    if (got == 0) return false;
    for (size_t i = 0; i < got; ++i) {
      if (afterFF) {
        afterFF = false;
        if ((buffer[i] & 0xE0) == 0xE0) {
          found = position + i - 1;
          header[0] = 0xFF;
          header[1] = buffer[i];
          return file.ReadExactAt(position + i + 1, header + 2, 2);
        }
      } else if (buffer[i] == 0xFF) {
        afterFF = true;
      }
    }
    position += got;
  }
}

CString TrailerText(const unsigned char* field, size_t width) {
  std::string text(reinterpret_cast<const char*>(field), width);
  size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  CString trimmed(std::move(text));
  trimmed.Trim();
  return trimmed;
}

// Title, artist, album, year, comment, track and genre of an ID3v1 trailer; the year is returned.
int ApplyTrailer(tSong& song, const unsigned char* trailer) {
  if (CString title = TrailerText(trailer + 3, 30); !title.IsEmpty()) song.SetSongName(title);
  if (CString artist = TrailerText(trailer + 33, 30); !artist.IsEmpty()) song.SetSongArtist(artist);
  if (CString album = TrailerText(trailer + 63, 30); !album.IsEmpty()) song.SetSongAlbumName(album);
  int year = qh_atoi(CString(reinterpret_cast<const char*>(trailer + 93), 4));
  if (CString comment = TrailerText(trailer + 97, 28); !comment.IsEmpty()) song.SetSongComments(comment);
  if (trailer[125] == 0 && trailer[126] != 0) song.SongCdTrack = trailer[126];
  BYTE genre = trailer[127];
  song.SongPrimaryGenre = genre < kDefaultGenreCount ? kDefaultGenres[genre] : "Other";
  return year;
}

}  // namespace

int tSong::ScanMp3File(const CString& filePath, BOOL tags) {
  tMediaFileReader file;
  if (!file.Open(filePath)) return -1;

  uint64_t audioStart = AudioStart(file);
  DataOffset = static_cast<LONG>(std::min<uint64_t>(audioStart, 0x7FFFFFFF));
  uint64_t framePosition = 0;
  unsigned char header[4];
  if (!FindFrameSync(file, audioStart, framePosition, header)) return -3;

  int layerBits = (header[1] >> 1) & 3;
  int versionId = (header[1] >> 3) & 3;
  int bitRateIndex = header[2] >> 4;
  int sampleRateIndex = (header[2] >> 2) & 3;
  MpegVersion = versionId;
  MpegPadding = (header[2] >> 1) & 1;
  MpegChannelMode = header[3] >> 6;
  if (layerBits == 0) return -4;
  MpegSampleRate = SampleRate(versionId, sampleRateIndex);
  BitRate = kBitRates[bitRateIndex][BitRateColumn(versionId, layerBits)] * 1000;
  if (BitRate < 56000) return -5;

  // A file too short for a trailer has none.
  unsigned char trailer[kTrailerSize];
  bool hasTrailer = file.Length() >= kTrailerSize && file.ReadExactAt(file.Length() - kTrailerSize, trailer, kTrailerSize) &&
                    std::memcmp(trailer, "TAG", 3) == 0;
  int trailerYear = 0;
  if (tags && hasTrailer) trailerYear = ApplyTrailer(*this, trailer);

  // The audio lies between the ID3v2 tag and the trailer.
  uint64_t tail = hasTrailer ? kTrailerSize : 0;
  uint64_t audioBytes = file.Length() > audioStart + tail ? file.Length() - audioStart - tail : 0;
  DataBytes = static_cast<LONG>(std::min<uint64_t>(audioBytes, 0x7FFFFFFF));
  SongLengthMS = MillisecondsToLong(static_cast<double>(audioBytes) / (BitRate / 8.0) * 1000.0);

  if (tags) {
    SongLength = FormatSongLength(SongLengthMS);
    if (int result = TakeImportPath(*this, filePath); result != 0) return result;
    COleDateTime songDate;
    if (trailerYear >= 1900 && trailerYear < 2099)
      songDate.SetDate(trailerYear, 1, 1);
    else
      songDate = COleDateTime::GetCurrentTime();
    SongDate = songDate;
    if (SongCdTrack < 0 || SongCdTrack > 99) SongCdTrack = 0;
    SongRecordDate = COleDateTime::GetCurrentTime();
    SongSource = "MP3 File";
    if (SongCompression == '?') SongCompression = '3';
    // A trailer may leave the title or artist blank; such a song is named as one without a trailer.
    FillBlankSongFields(*this, filePath);
    StripArtistThe();
  }
  MediaInfoRead = TRUE;
  return 0;
}
