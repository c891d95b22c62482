// Microsoft ADPCM through libsndfile: a WAV writer on a file in memory does the coding, and the bytes
// it appends to its "data" chunk are the stream's output.
#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "platform/mm/AcmCodec.h"

namespace qh::mm {
namespace {

// A growable file in memory for libsndfile's virtual I/O.
struct MemoryFile {
  std::vector<BYTE> bytes;
  sf_count_t position = 0;

  static sf_count_t Length(void* self) { return static_cast<sf_count_t>(Self(self).bytes.size()); }
  static sf_count_t Seek(sf_count_t offset, int whence, void* self) {
    MemoryFile& file = Self(self);
    sf_count_t base = whence == SEEK_CUR ? file.position : whence == SEEK_END ? Length(self) : 0;
    if (base + offset < 0) return -1;
    file.position = base + offset;
    return file.position;
  }
  static sf_count_t Read(void* target, sf_count_t count, void* self) {
    MemoryFile& file = Self(self);
    sf_count_t available = std::max<sf_count_t>(0, Length(self) - file.position);
    sf_count_t got = std::min(count, available);
    if (got > 0) std::memcpy(target, file.bytes.data() + file.position, static_cast<size_t>(got));
    file.position += got;
    return got;
  }
  static sf_count_t Write(const void* source, sf_count_t count, void* self) {
    MemoryFile& file = Self(self);
    size_t end = static_cast<size_t>(file.position + count);
    if (end > file.bytes.size()) file.bytes.resize(end);
    std::memcpy(file.bytes.data() + file.position, source, static_cast<size_t>(count));
    file.position += count;
    return count;
  }
  static sf_count_t Tell(void* self) { return Self(self).position; }
  static MemoryFile& Self(void* self) { return *static_cast<MemoryFile*>(self); }
};

SF_VIRTUAL_IO VirtualIo() {
  return SF_VIRTUAL_IO{MemoryFile::Length, MemoryFile::Seek, MemoryFile::Read, MemoryFile::Write, MemoryFile::Tell};
}

DWORD Le32(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
         (static_cast<DWORD>(bytes[3]) << 24);
}

// Offset and size of a top-level chunk of the RIFF image; false when it is not there.
bool FindChunk(const std::vector<BYTE>& riff, const char* id, size_t* offset, DWORD* size) {
  size_t position = 12;
  while (position + 8 <= riff.size()) {
    DWORD length = Le32(&riff[position + 4]);
    if (std::memcmp(&riff[position], id, 4) == 0) {
      *offset = position + 8;
      *size = length;
      return true;
    }
    position += 8 + static_cast<size_t>(length) + (length & 1);
  }
  return false;
}

// An ADPCM writer on a memory file.
class AdpcmWriter {
 public:
  AdpcmWriter(int rate, int channels) : io_(VirtualIo()) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM;
    sndfile_ = sf_open_virtual(&io_, SFM_WRITE, &info, &file_);
    DWORD size = 0;
    if (sndfile_ != nullptr && !FindChunk(file_.bytes, "data", &dataStart_, &size)) Close();
  }
  ~AdpcmWriter() { Close(); }
  bool Ok() const { return sndfile_ != nullptr; }
  FormatBytes Format() const {
    size_t offset = 0;
    DWORD size = 0;
    if (!FindChunk(file_.bytes, "fmt ", &offset, &size)) return {};
    return FormatBytes(file_.bytes.begin() + static_cast<long>(offset), file_.bytes.begin() + static_cast<long>(offset + size));
  }
  bool Write(const short* frames, sf_count_t count) { return sf_writef_short(sndfile_, frames, count) == count; }
  // The coded bytes that have come since the last call.
  void TakeOutput(std::vector<BYTE>& out) {
    size_t end = file_.bytes.size();
    if (closed_) end = std::min(end, dataStart_ + dataSize_);
    if (taken_ < dataStart_) taken_ = dataStart_;
    if (end > taken_) out.insert(out.end(), file_.bytes.begin() + static_cast<long>(taken_), file_.bytes.begin() + static_cast<long>(end));
    taken_ = std::max(taken_, end);
  }
  // Writes the last partial block; the data chunk's final size bounds what is left to take.
  bool Finish() {
    if (sndfile_ == nullptr) return false;
    sf_close(sndfile_);
    sndfile_ = nullptr;
    closed_ = true;
    size_t offset = 0;
    return FindChunk(file_.bytes, "data", &offset, &dataSize_) && offset == dataStart_;
  }

 private:
  void Close() {
    if (sndfile_ != nullptr) sf_close(sndfile_);
    sndfile_ = nullptr;
  }

  SF_VIRTUAL_IO io_;
  MemoryFile file_;
  SNDFILE* sndfile_ = nullptr;
  size_t dataStart_ = 0;
  DWORD dataSize_ = 0;
  size_t taken_ = 0;
  bool closed_ = false;
};

class AdpcmStream : public AcmCodecStream {
 public:
  AdpcmStream(const WAVEFORMATEX& source, const FormatBytes& destination)
      : writer_(static_cast<int>(source.nSamplesPerSec), source.nChannels), channels_(source.nChannels) {
    const WAVEFORMATEX* format = FormatOf(destination);
    samplesPerBlock_ = destination.size() >= 20 ? static_cast<DWORD>(destination[18] | (destination[19] << 8)) : 0;
    blockAlign_ = format->nBlockAlign;
  }
  bool Ok() const { return writer_.Ok() && samplesPerBlock_ > 0; }

  bool Convert(const BYTE* source, DWORD length, bool blockAlign, bool end, std::vector<BYTE>& out,
               DWORD& used) override {
    if (ended_) return false;
    DWORD frameBytes = 2u * channels_;
    DWORD frames = length / frameBytes;
    if (blockAlign && !end) frames = frames / samplesPerBlock_ * samplesPerBlock_;
    samples_.resize(static_cast<size_t>(frames) * channels_);
    if (frames > 0) std::memcpy(samples_.data(), source, static_cast<size_t>(frames) * frameBytes);
    if (frames > 0 && !writer_.Write(samples_.data(), frames)) return false;
    used = frames * frameBytes;
    if (!blockAlign || end) {
      ended_ = true;
      if (!writer_.Finish()) return false;
    }
    writer_.TakeOutput(out);
    return true;
  }
  DWORD DestinationBytes(DWORD sourceBytes) const override {
    DWORD frames = sourceBytes / (2u * channels_);
    return (frames / samplesPerBlock_ + 2) * blockAlign_;
  }

 private:
  AdpcmWriter writer_;
  WORD channels_;
  DWORD samplesPerBlock_ = 0;
  DWORD blockAlign_ = 0;
  std::vector<short> samples_;
  bool ended_ = false;
};

class AdpcmCodec : public AcmCodec {
 public:
  WORD FormatTag() const override { return WAVE_FORMAT_ADPCM; }
  const char* ShortName() const override { return "MS-ADPCM"; }
  const char* LongName() const override { return "Microsoft ADPCM coder (libsndfile)"; }
  DWORD Version() const override { return 0x01020000; }
  DWORD MaxFormatSize() const override { return 50; }

  bool Suggest(const WAVEFORMATEX& source, const WAVEFORMATEX&, DWORD, FormatBytes& out) const override {
    if (source.wFormatTag != WAVE_FORMAT_PCM || source.wBitsPerSample != 16) return false;
    if (source.nChannels < 1 || source.nChannels > 2 || source.nSamplesPerSec == 0) return false;
    AdpcmWriter writer(static_cast<int>(source.nSamplesPerSec), source.nChannels);
    if (!writer.Ok()) return false;
    out = writer.Format();
    return out.size() >= sizeof(WAVEFORMATEX);
  }
  std::vector<FormatBytes> Formats() const override {
    std::vector<FormatBytes> formats;
    for (DWORD rate : {11025u, 22050u, 44100u}) {
      for (WORD channels : {1, 2}) {
        WAVEFORMATEX pcm{WAVE_FORMAT_PCM, channels, rate, rate * channels * 2u, static_cast<WORD>(channels * 2), 16, 0};
        FormatBytes format;
        if (Suggest(pcm, pcm, 0, format)) formats.push_back(format);
      }
    }
    return formats;
  }
  std::unique_ptr<AcmCodecStream> Open(const FormatBytes& source, const FormatBytes& destination) const override {
    const WAVEFORMATEX* from = FormatOf(source);
    FormatBytes expected;
    if (!Suggest(*from, *from, 0, expected) || FormatOf(destination)->wFormatTag != WAVE_FORMAT_ADPCM) return nullptr;
    if (FormatOf(destination)->nChannels != from->nChannels ||
        FormatOf(destination)->nSamplesPerSec != from->nSamplesPerSec) {
      return nullptr;
    }
    auto stream = std::make_unique<AdpcmStream>(*from, destination);
    if (!stream->Ok()) return nullptr;
    return stream;
  }
};

}  // namespace

std::unique_ptr<AcmCodec> MakeAdpcmCodec() { return std::make_unique<AdpcmCodec>(); }

}  // namespace qh::mm
