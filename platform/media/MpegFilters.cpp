// The MPEG-1 stream splitter (finds the first audio frame and names its layer) and the two decoders
// over libmpg123: the layer-3 decoder takes MP3 only, the MPEG audio decoder layers 1 and 2 as well.
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/media/MediaFilter.h"

namespace qh::media {
namespace {

void InitMpg123Once() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

struct FrameHeader {
  int layer = 0;  // 1, 2 or 3
  int rate = 0;
  int channels = 0;
  int bitrate = 0;
};

// Reads a frame header at p; false when it is not one.
bool ReadFrameHeader(const unsigned char* p, FrameHeader& header) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const int version = (p[1] >> 3) & 3;  // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
  const int layerBits = (p[1] >> 1) & 3;
  const int bitrateIndex = p[2] >> 4;
  const int rateIndex = (p[2] >> 2) & 3;
  if (version == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  static const int kRates[3] = {44100, 48000, 32000};
  header.layer = 4 - layerBits;
  header.rate = kRates[rateIndex] >> (version == 3 ? 0 : (version == 2 ? 1 : 2));
  header.channels = ((p[3] >> 6) & 3) == 3 ? 1 : 2;
  return true;
}

class CMpegSplitter : public CMediaFilter {
 public:
  CMpegSplitter() {
    input_ = AddPin(PINDIR_INPUT, "Input");
    output_ = AddPin(PINDIR_OUTPUT, "Audio");
  }
  HRESULT CheckInput(CMediaPin&, CMediaPin& upstream) override {
    for (const PinMediaType& type : upstream.Types())
      if (type.majortype == MEDIATYPE_Stream && type.subtype == MEDIASUBTYPE_MPEG1Audio) return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CompleteInput(CMediaPin& input) override {
    bytes_ = UpstreamBytes(input);
    if (!bytes_) return VFW_E_NOT_CONNECTED;
    FrameHeader header;
    if (!FindFirstFrame(header)) return VFW_E_INVALID_FILE_FORMAT;
    PinMediaType type;
    type.majortype = MEDIATYPE_Audio;
    const WORD tag = header.layer == 3 ? WAVE_FORMAT_MPEGLAYER3 : WAVE_FORMAT_MPEG;
    type.subtype = WaveSubtype(tag);
    type.format.wFormatTag = tag;
    type.format.nChannels = static_cast<WORD>(header.channels);
    type.format.nSamplesPerSec = static_cast<DWORD>(header.rate);
    output_->Types().assign(1, type);
    return S_OK;
  }
  void BreakConnection(CMediaPin& pin) override {
    if (&pin != input_) return;
    bytes_.reset();
    output_->Types().clear();
  }
  std::shared_ptr<ByteSource> OutputBytes(CMediaPin&) override { return bytes_; }

 private:
  // Skips an ID3v2 tag, then looks for a frame header followed by another one where the first ends
  // (or any header within the first 64 KiB for tiny files).
  bool FindFirstFrame(FrameHeader& header) {
    unsigned char tag[10];
    LONGLONG start = 0;
    if (bytes_->ReadAt(0, tag, 10) == 10 && std::memcmp(tag, "ID3", 3) == 0)
      start = 10 + ((tag[6] & 0x7F) << 21 | (tag[7] & 0x7F) << 14 | (tag[8] & 0x7F) << 7 | (tag[9] & 0x7F));
    std::vector<unsigned char> window(65536);
    const long got = bytes_->ReadAt(start, window.data(), static_cast<long>(window.size()));
    for (long i = 0; i + 4 <= got; ++i)
      if (ReadFrameHeader(&window[static_cast<size_t>(i)], header)) return true;
    return false;
  }

  CMediaPin* input_;
  CMediaPin* output_;
  std::shared_ptr<ByteSource> bytes_;
};

// libmpg123 reading the upstream bytes through its reader callbacks.
class MpegSamples : public PcmSource {
 public:
  explicit MpegSamples(std::shared_ptr<ByteSource> bytes) : bytes_(std::move(bytes)) {}
  ~MpegSamples() override {
    if (handle_ != nullptr) {
      mpg123_close(handle_);
      mpg123_delete(handle_);
    }
  }
  bool Open() {
    InitMpg123Once();
    int error = 0;
    handle_ = mpg123_new(nullptr, &error);
    if (handle_ == nullptr) return false;
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // A damaged stretch of any length is skipped to the next good frame.
    mpg123_param(handle_, MPG123_RESYNC_LIMIT, -1, 0);
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
      mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_replace_reader_handle(handle_, ReadCallback, SeekCallback, nullptr) != MPG123_OK) return false;
    if (mpg123_open_handle(handle_, this) != MPG123_OK) return false;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK) return false;
    format_ = {static_cast<int>(rate), channels};
    mpg123_scan(handle_);  // exact length of VBR files
    const off_t length = mpg123_length(handle_);
    frames_ = length > 0 ? length : 0;
    mpg123_seek(handle_, 0, SEEK_SET);
    return true;
  }
  AudioFormat Format() const override { return format_; }
  // Decoded as 16-bit, the decoder's fastest synthesis (and what the reference decoder gives), then
  // widened to the graph's float samples.
  long Read(float* out, long frameCount) override {
    const size_t wanted = static_cast<size_t>(frameCount) * format_.channels * sizeof(int16_t);
    pcm_.resize(wanted / sizeof(int16_t));
    size_t done = 0;
    while (done < wanted) {
      size_t got = 0;
      const int result = mpg123_read(handle_, reinterpret_cast<unsigned char*>(pcm_.data()) + done, wanted - done, &got);
      done += got;
      if (result == MPG123_DONE) break;
      if (result == MPG123_NEW_FORMAT) continue;  // the first frames announce the same format again
      if (result != MPG123_OK) {
        if (done > 0) break;
        return E_FAIL;
      }
    }
    const size_t samples = done / sizeof(int16_t);
    for (size_t i = 0; i < samples; ++i) out[i] = pcm_[i] * (1.0f / 32768.0f);
    return static_cast<long>(samples / format_.channels);
  }
  HRESULT Seek(REFERENCE_TIME position) override {
    off_t frame = static_cast<off_t>(position * format_.rate / 10000000);
    frame = std::clamp<off_t>(frame, 0, static_cast<off_t>(frames_));
    return mpg123_seek(handle_, frame, SEEK_SET) < 0 ? E_FAIL : S_OK;
  }
  REFERENCE_TIME Duration() const override { return format_.rate > 0 ? frames_ * 10000000 / format_.rate : 0; }

 private:
  static ssize_t ReadCallback(void* user, void* buffer, size_t count) {
    auto* self = static_cast<MpegSamples*>(user);
    const long got = self->bytes_->ReadAt(self->position_, buffer, static_cast<long>(std::min<size_t>(count, 1 << 20)));
    if (got < 0) return -1;
    self->position_ += got;
    return got;
  }
  static off_t SeekCallback(void* user, off_t offset, int whence) {
    auto* self = static_cast<MpegSamples*>(user);
    const LONGLONG base = whence == SEEK_CUR ? self->position_ : (whence == SEEK_END ? self->bytes_->Size() : 0);
    const LONGLONG target = base + offset;
    if (target < 0 || target > self->bytes_->Size()) return -1;
    self->position_ = target;
    return static_cast<off_t>(target);
  }

  std::shared_ptr<ByteSource> bytes_;
  LONGLONG position_ = 0;
  mpg123_handle* handle_ = nullptr;
  AudioFormat format_;
  LONGLONG frames_ = 0;
  std::vector<int16_t> pcm_;
};

class CMpegDecoder : public CDecoderFilter {
 public:
  explicit CMpegDecoder(bool layer3Only) : CDecoderFilter("In", "Out"), layer3Only_(layer3Only) {}
  HRESULT CheckInput(CMediaPin&, CMediaPin& upstream) override {
    for (const PinMediaType& type : upstream.Types()) {
      if (type.majortype != MEDIATYPE_Audio) continue;
      if (type.subtype == MEDIASUBTYPE_MP3) return S_OK;
      if (!layer3Only_ && type.subtype == MEDIASUBTYPE_MPEG1AudioPayload) return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
  }

 protected:
  std::unique_ptr<PcmSource> OpenSamples(std::shared_ptr<ByteSource> bytes, const PinMediaType&) override {
    auto samples = std::make_unique<MpegSamples>(std::move(bytes));
    if (!samples->Open()) return nullptr;
    return samples;
  }

 private:
  bool layer3Only_;
};

}  // namespace

IBaseFilter* NewMpegSplitter() { return new CMpegSplitter(); }
IBaseFilter* NewMpegDecoder(bool layer3Only) { return new CMpegDecoder(layer3Only); }

}  // namespace qh::media
