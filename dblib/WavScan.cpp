// The WAV reader of the song record: the RIFF chunk walk, the format and data chunks, LIST INFO tags.
//
// Every position is 64-bit and every chunk is bounded by the RIFF chunk and by the file, so a damaged
// size can neither send the walk backwards nor make it allocate what the file does not hold. A LIST
// chunk before the data chunk is common (several tools write their tags first) and does not end the
// walk.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dblib/MediaFileReader.h"
#include "dblib/MediaScan.h"
#include "platform/core/CrtNumbers.h"

using namespace qh::dblib;

namespace {

constexpr size_t kFormatBytesUsed = 30;      // the WAVE format and its MPEG Layer-3 extension
constexpr size_t kInfoTextLimit = 4096;      // longer tag texts are cut; no field holds more than 255

struct Chunk {
  uint64_t dataStart;
  uint64_t size;  // bounded by the enclosing chunk
};

struct WalkResult {
  bool formatFound = false;
  bool dataFound = false;
  std::vector<unsigned char> format;  // the first bytes of the "fmt " chunk
  uint64_t dataSize = 0;
  uint64_t dataOffset = 0;
  std::vector<Chunk> lists;  // every LIST chunk of the RIFF chunk
};

bool IsId(const unsigned char* bytes, const char* id) { return std::memcmp(bytes, id, 4) == 0; }

uint64_t NextChunk(const Chunk& chunk) { return chunk.dataStart + chunk.size + (chunk.size & 1); }

// The RIFF chunk ends where its size says, unless the file ends first (or the size is nonsense).
uint64_t RiffEnd(uint32_t riffSize, uint64_t fileLength) {
  uint64_t declared = 8ull + riffSize;
  return declared >= 12 && declared <= fileLength ? declared : fileLength;
}

// -3 on a short first header or a short format chunk; 0 otherwise.
int WalkChunks(tMediaFileReader& file, uint64_t riffEnd, bool wantLists, WalkResult& walk) {
  uint64_t position = 12;
  bool first = true;
  while (position + 8 <= riffEnd) {
    unsigned char header[8];
    if (!file.ReadExactAt(position, header, sizeof header)) break;
    Chunk chunk{position + 8, std::min<uint64_t>(ReadLittle32(header + 4), riffEnd - (position + 8))};
    first = false;
    if (IsId(header, "fmt ")) {
      uint32_t declared = ReadLittle32(header + 4);
      if (chunk.size < declared) return -3;  // the file ends inside the format chunk
      walk.format.assign(std::min<uint64_t>(chunk.size, kFormatBytesUsed), 0);
      if (!file.ReadExactAt(chunk.dataStart, walk.format.data(), walk.format.size())) return -3;
      walk.formatFound = true;
    } else if (IsId(header, "data")) {
      walk.dataSize = chunk.size;
      walk.dataOffset = chunk.dataStart;
      walk.dataFound = true;
    } else if (IsId(header, "LIST")) {
      walk.lists.push_back(chunk);
    }
    if (walk.formatFound && walk.dataFound && !wantLists) break;
    position = NextChunk(chunk);
  }
  return first ? -3 : 0;
}

CString InfoText(tMediaFileReader& file, const Chunk& chunk) {
  std::string text(static_cast<size_t>(std::min<uint64_t>(chunk.size, kInfoTextLimit)), '\0');
  text.resize(file.ReadAt(chunk.dataStart, text.data(), text.size()));
  size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  return CString(std::move(text));
}

void ApplyInfoField(tSong& song, const unsigned char* id, const CString& text) {
  if (IsId(id, "INAM")) song.SetSongName(text);
  else if (IsId(id, "IART")) song.SetSongArtist(text);
  else if (IsId(id, "IPRD")) song.SetSongAlbumName(text);
  else if (IsId(id, "ICMT")) song.SetSongComments(text);
  else if (IsId(id, "ICRD")) {
    COleDateTime day;
    if (ParseDayText(text, 1900, 2099, day) && day.GetStatus() == COleDateTime::valid) song.SetSongDate(day);
  } else if (IsId(id, "IGNR")) song.AddGenre(text, TRUE);
  else if (IsId(id, "IKEY")) song.SetSongAttributes(text);
  else if (IsId(id, "IMED")) song.SetSongSource(text);
  else if (IsId(id, "ICMS")) song.SetSongLabel(text);
  else if (IsId(id, "itrk")) song.SetSongCdTrack(qh_atol(text));
}

// The sub-chunks of one LIST INFO chunk, each bounded by the list.
void ReadInfoList(tMediaFileReader& file, const Chunk& list, tSong& song) {
  unsigned char type[4];
  if (list.size < 4 || !file.ReadExactAt(list.dataStart, type, sizeof type) || !IsId(type, "INFO")) return;
  uint64_t listEnd = list.dataStart + list.size;
  uint64_t position = list.dataStart + 4;
  while (position + 8 <= listEnd) {
    unsigned char header[8];
    if (!file.ReadExactAt(position, header, sizeof header)) return;
    Chunk field{position + 8, std::min<uint64_t>(ReadLittle32(header + 4), listEnd - (position + 8))};
    ApplyInfoField(song, header, InfoText(file, field));
    position = NextChunk(field);
  }
}

void FillWaveFormat(tSong& song, const std::vector<unsigned char>& format) {
  // A format chunk shorter than its format needs leaves the missing fields zero.
  unsigned char bytes[kFormatBytesUsed] = {};
  std::copy(format.begin(), format.end(), bytes);
  song.WaveFormat.wFormatTag = ReadLittle16(bytes);
  song.WaveFormat.nChannels = ReadLittle16(bytes + 2);
  song.WaveFormat.nSamplesPerSec = ReadLittle32(bytes + 4);
  song.WaveFormat.nAvgBytesPerSec = ReadLittle32(bytes + 8);
  song.WaveFormat.nBlockAlign = ReadLittle16(bytes + 12);
  song.WaveFormat.wBitsPerSample = ReadLittle16(bytes + 14);
  if (song.WaveFormat.wFormatTag == 0x55) {
    song.Mp3WaveFormat.wID = ReadLittle16(bytes + 18);
    song.Mp3WaveFormat.fdwFlags = ReadLittle32(bytes + 20);
    song.Mp3WaveFormat.nBlockSize = ReadLittle16(bytes + 24);
    song.Mp3WaveFormat.nFramesPerBlock = ReadLittle16(bytes + 26);
    song.Mp3WaveFormat.nCodecDelay = ReadLittle16(bytes + 28);
  }
}

// Compression code, length and bit rate by format tag; -8 for a format the library cannot play,
// including one whose rates or channel count are zero (its length cannot be known).
int ApplyFormat(tSong& song, uint64_t dataSize) {
  const tSongWaveFormat& format = song.WaveFormat;
  double bytesPerSecond = 0.0;
  char code = '?';
  switch (format.wFormatTag) {
    case 1:
      code = ' ';
      bytesPerSecond = static_cast<double>(format.nSamplesPerSec) * format.nChannels * (format.wBitsPerSample / 8);
      break;
    case 2:
      code = 'A';
      bytesPerSecond = format.nAvgBytesPerSec;
      break;
    case 0x55:
      code = 'M';
      bytesPerSecond = format.nAvgBytesPerSec;
      break;
    default: break;
  }
  if (code == '?' || bytesPerSecond <= 0.0 || format.nAvgBytesPerSec == 0) {
    song.SongCompression = '?';
    return -8;
  }
  song.SongCompression = code;
  song.SongLengthMS = MillisecondsToLong(static_cast<double>(dataSize) / bytesPerSecond * 1000.0);
  song.BitRate = static_cast<LONG>(std::min<uint64_t>(static_cast<uint64_t>(format.nAvgBytesPerSec) * 8, 0x7FFFFFFF));
  return 0;
}

}  // namespace

int tSong::ScanWavFile(const CString& filePath, BOOL tags) {
  tMediaFileReader file;
  if (!file.Open(filePath)) return -1;
  unsigned char riff[12];
  if (!file.ReadExactAt(0, riff, sizeof riff) || !IsId(riff, "RIFF") || !IsId(riff + 8, "WAVE")) return -2;

  WalkResult walk;
  int walked = WalkChunks(file, RiffEnd(ReadLittle32(riff + 4), file.Length()), tags != FALSE, walk);
  if (walked != 0 || !walk.formatFound || !walk.dataFound) return -3;
  DataBytes = static_cast<LONG>(std::min<uint64_t>(walk.dataSize, 0x7FFFFFFF));
  DataOffset = static_cast<LONG>(std::min<uint64_t>(walk.dataOffset, 0x7FFFFFFF));

  if (tags)
    for (const Chunk& list : walk.lists) ReadInfoList(file, list, *this);

  FillWaveFormat(*this, walk.format);
  if (int result = ApplyFormat(*this, walk.dataSize); result != 0) return result;

  if (tags) {
    SongLength = FormatSongLength(SongLengthMS);
    if (int result = TakeImportPath(*this, filePath); result != 0) return result;
    FillBlankSongFields(*this, filePath);
    StripArtistThe();
  }
  MediaInfoRead = TRUE;
  return 0;
}
