// The wave parser: finds the format and data chunks of a RIFF WAVE file (every chunk bounded by the
// RIFF chunk and the file) and offers the data: as samples for PCM and float files, as encoded bytes
// with their format for anything else (ADPCM, MP3 inside the file).
#include <algorithm>
#include <cstring>

#include "platform/media/MediaFilter.h"

namespace qh::media {
namespace {

constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

DWORD Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24); }
WORD Le16(const unsigned char* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

// PCM and float samples of a data chunk.
class WavePcm : public PcmSource {
 public:
  WavePcm(std::shared_ptr<ByteSource> data, const WAVEFORMATEX& format, WORD tag)
      : data_(std::move(data)), format_(format), tag_(tag) {
    bytesPerSample_ = format.wBitsPerSample / 8;
    frameBytes_ = std::max<long>(format.nBlockAlign, bytesPerSample_ * format.nChannels);
    frames_ = frameBytes_ > 0 ? data_->Size() / frameBytes_ : 0;
  }
  AudioFormat Format() const override { return {static_cast<int>(format_.nSamplesPerSec), format_.nChannels}; }
  long Read(float* out, long frameCount) override {
    const LONGLONG left = frames_ - position_;
    if (left <= 0) return 0;
    if (frameCount > left) frameCount = static_cast<long>(left);
    buffer_.resize(static_cast<size_t>(frameCount * frameBytes_));
    const long got = data_->ReadAt(position_ * frameBytes_, buffer_.data(), frameCount * frameBytes_);
    if (got < 0) return got;
    const long frames = got / frameBytes_;
    Convert(frames, out);
    position_ += frames;
    return frames;
  }
  HRESULT Seek(REFERENCE_TIME position) override {
    LONGLONG frame = position * static_cast<LONGLONG>(format_.nSamplesPerSec) / 10000000;
    position_ = std::clamp<LONGLONG>(frame, 0, frames_);
    return S_OK;
  }
  REFERENCE_TIME Duration() const override {
    return format_.nSamplesPerSec != 0 ? frames_ * 10000000 / format_.nSamplesPerSec : 0;
  }

 private:
  void Convert(long frames, float* out) const {
    const int channels = format_.nChannels;
    for (long f = 0; f < frames; ++f) {
      const unsigned char* frame = buffer_.data() + f * frameBytes_;
      for (int c = 0; c < channels; ++c) out[f * channels + c] = Sample(frame + c * bytesPerSample_);
    }
  }
  float Sample(const unsigned char* p) const {
    if (tag_ == WAVE_FORMAT_IEEE_FLOAT) {
      float value;
      std::memcpy(&value, p, sizeof(value));
      return value;
    }
    switch (bytesPerSample_) {
      case 1: return (static_cast<int>(p[0]) - 128) / 128.0f;
      case 2: return static_cast<int16_t>(Le16(p)) / 32768.0f;
      case 3: return static_cast<int32_t>((p[0] << 8) | (p[1] << 16) | (static_cast<DWORD>(p[2]) << 24)) / 2147483648.0f;
      default: return static_cast<int32_t>(Le32(p)) / 2147483648.0f;
    }
  }

  std::shared_ptr<ByteSource> data_;
  WAVEFORMATEX format_;
  WORD tag_;
  long bytesPerSample_ = 2;
  long frameBytes_ = 0;
  LONGLONG frames_ = 0;
  LONGLONG position_ = 0;
  std::vector<unsigned char> buffer_;
};

class CWaveParser : public CMediaFilter {
 public:
  CWaveParser() {
    input_ = AddPin(PINDIR_INPUT, "input pin");
    output_ = AddPin(PINDIR_OUTPUT, "output");
  }
  HRESULT CheckInput(CMediaPin&, CMediaPin& upstream) override {
    for (const PinMediaType& type : upstream.Types())
      if (type.majortype == MEDIATYPE_Stream && type.subtype == MEDIASUBTYPE_WAVE) return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CompleteInput(CMediaPin& input) override {
    std::shared_ptr<ByteSource> file = UpstreamBytes(input);
    if (!file) return VFW_E_NOT_CONNECTED;
    return Parse(file);
  }
  void BreakConnection(CMediaPin& pin) override {
    if (&pin != input_) return;
    pcm_.reset();
    data_.reset();
    output_->Types().clear();
  }
  PcmSource* OutputSamples(CMediaPin&) override { return pcm_.get(); }
  std::shared_ptr<ByteSource> OutputBytes(CMediaPin&) override { return pcm_ ? nullptr : data_; }

 private:
  HRESULT Parse(const std::shared_ptr<ByteSource>& file) {
    unsigned char header[12];
    if (file->ReadAt(0, header, 12) != 12) return VFW_E_INVALID_FILE_FORMAT;
    const LONGLONG end = std::min<LONGLONG>(file->Size(), 8 + static_cast<LONGLONG>(Le32(header + 4)));
    PinMediaType type;
    bool haveFormat = false;
    LONGLONG dataFirst = -1, dataSize = 0;
    for (LONGLONG at = 12; at + 8 <= end;) {
      unsigned char chunk[8];
      if (file->ReadAt(at, chunk, 8) != 8) break;
      const LONGLONG size = std::min<LONGLONG>(Le32(chunk + 4), end - at - 8);
      if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
        std::vector<unsigned char> body(static_cast<size_t>(std::min<LONGLONG>(size, 4096)));
        if (file->ReadAt(at + 8, body.data(), static_cast<long>(body.size())) != static_cast<long>(body.size()))
          return VFW_E_INVALID_FILE_FORMAT;
        ReadFormat(body, type);
        haveFormat = true;
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        dataFirst = at + 8;
        dataSize = size;
      }
      at += 8 + size + (size & 1);
    }
    if (!haveFormat || dataFirst < 0 || type.format.nChannels == 0 || type.format.nSamplesPerSec == 0)
      return VFW_E_INVALID_FILE_FORMAT;
    data_ = std::make_shared<ByteRange>(file, dataFirst, dataSize);
    const WORD tag = type.format.wFormatTag;
    const bool plain = (tag == WAVE_FORMAT_PCM && type.format.wBitsPerSample % 8 == 0 &&
                        type.format.wBitsPerSample >= 8 && type.format.wBitsPerSample <= 32) ||
                       (tag == WAVE_FORMAT_IEEE_FLOAT && type.format.wBitsPerSample == 32);
    type.majortype = MEDIATYPE_Audio;
    type.subtype = WaveSubtype(tag);
    if (plain) {
      pcm_ = std::make_unique<WavePcm>(data_, type.format, tag);
      type.subtype = MEDIASUBTYPE_PCM;
    }
    output_->Types().assign(1, type);
    return S_OK;
  }
  static void ReadFormat(const std::vector<unsigned char>& body, PinMediaType& type) {
    WAVEFORMATEX& f = type.format;
    f.wFormatTag = Le16(&body[0]);
    f.nChannels = Le16(&body[2]);
    f.nSamplesPerSec = Le32(&body[4]);
    f.nAvgBytesPerSec = Le32(&body[8]);
    f.nBlockAlign = Le16(&body[12]);
    f.wBitsPerSample = Le16(&body[14]);
    if (body.size() >= 18) {
      f.cbSize = static_cast<WORD>(std::min<size_t>(Le16(&body[16]), body.size() - 18));
      type.formatExtra.assign(body.begin() + 18, body.begin() + 18 + f.cbSize);
    }
    // The extensible form names its real tag in the first word of its sub-format.
    if (f.wFormatTag == WAVE_FORMAT_EXTENSIBLE && type.formatExtra.size() >= 22)
      f.wFormatTag = Le16(&type.formatExtra[6]);
  }

  CMediaPin* input_;
  CMediaPin* output_;
  std::shared_ptr<ByteSource> data_;
  std::unique_ptr<WavePcm> pcm_;
};

}  // namespace

IBaseFilter* NewWaveParser() { return new CWaveParser(); }

}  // namespace qh::media
