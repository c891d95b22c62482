// The ACM wrapper: decodes IMA and MS ADPCM blocks through libsndfile, which reads a small RIFF file
// made of the stream's own format chunk in front of the data.
#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "platform/media/MediaFilter.h"

namespace qh::media {
namespace {

void PutLe32(std::vector<unsigned char>& out, DWORD v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void PutLe16(std::vector<unsigned char>& out, WORD v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}

// A RIFF header with the format chunk, then the data bytes, as one readable file.
class VirtualWave {
 public:
  VirtualWave(const PinMediaType& type, std::shared_ptr<ByteSource> data) : data_(std::move(data)) {
    const DWORD fmtSize = 18 + static_cast<DWORD>(type.formatExtra.size());
    const DWORD dataSize = static_cast<DWORD>(data_->Size());
    header_.insert(header_.end(), {'R', 'I', 'F', 'F'});
    PutLe32(header_, 4 + 8 + fmtSize + (fmtSize & 1) + 8 + dataSize);
    header_.insert(header_.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe32(header_, fmtSize);
    const WAVEFORMATEX& f = type.format;
    PutLe16(header_, f.wFormatTag);
    PutLe16(header_, f.nChannels);
    PutLe32(header_, f.nSamplesPerSec);
    PutLe32(header_, f.nAvgBytesPerSec);
    PutLe16(header_, f.nBlockAlign);
    PutLe16(header_, f.wBitsPerSample);
    PutLe16(header_, static_cast<WORD>(type.formatExtra.size()));
    header_.insert(header_.end(), type.formatExtra.begin(), type.formatExtra.end());
    if (fmtSize & 1) header_.push_back(0);
    header_.insert(header_.end(), {'d', 'a', 't', 'a'});
    PutLe32(header_, dataSize);
  }
  sf_count_t Length() const { return static_cast<sf_count_t>(header_.size()) + data_->Size(); }
  sf_count_t Read(void* buffer, sf_count_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    sf_count_t done = 0;
    while (done < count) {
      const sf_count_t at = position_ + done;
      long got;
      if (at < static_cast<sf_count_t>(header_.size())) {
        got = static_cast<long>(std::min<sf_count_t>(count - done, header_.size() - at));
        std::memcpy(out + done, header_.data() + at, static_cast<size_t>(got));
      } else {
        got = data_->ReadAt(at - static_cast<sf_count_t>(header_.size()), out + done,
                            static_cast<long>(std::min<sf_count_t>(count - done, 1 << 20)));
        if (got <= 0) break;
      }
      done += got;
    }
    position_ += done;
    return done;
  }
  sf_count_t Seek(sf_count_t offset, int whence) {
    sf_count_t base = whence == SEEK_CUR ? position_ : (whence == SEEK_END ? Length() : 0);
    position_ = std::clamp<sf_count_t>(base + offset, 0, Length());
    return position_;
  }
  sf_count_t Tell() const { return position_; }

 private:
  std::vector<unsigned char> header_;
  std::shared_ptr<ByteSource> data_;
  sf_count_t position_ = 0;
};

sf_count_t VLength(void* user) { return static_cast<VirtualWave*>(user)->Length(); }
sf_count_t VSeek(sf_count_t offset, int whence, void* user) { return static_cast<VirtualWave*>(user)->Seek(offset, whence); }
sf_count_t VRead(void* buffer, sf_count_t count, void* user) { return static_cast<VirtualWave*>(user)->Read(buffer, count); }
sf_count_t VWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t VTell(void* user) { return static_cast<VirtualWave*>(user)->Tell(); }

class AdpcmSamples : public PcmSource {
 public:
  AdpcmSamples(const PinMediaType& type, std::shared_ptr<ByteSource> data) : file_(type, std::move(data)) {}
  ~AdpcmSamples() override {
    if (sound_ != nullptr) sf_close(sound_);
  }
  bool Open() {
    SF_VIRTUAL_IO io{VLength, VSeek, VRead, VWrite, VTell};
    sound_ = sf_open_virtual(&io, SFM_READ, &info_, &file_);
    return sound_ != nullptr;
  }
  AudioFormat Format() const override { return {info_.samplerate, info_.channels}; }
  long Read(float* out, long frameCount) override {
    const sf_count_t got = sf_readf_float(sound_, out, frameCount);
    if (got < 0) return E_FAIL;
    return static_cast<long>(got);
  }
  HRESULT Seek(REFERENCE_TIME position) override {
    sf_count_t frame = position * info_.samplerate / 10000000;
    frame = std::clamp<sf_count_t>(frame, 0, info_.frames);
    return sf_seek(sound_, frame, SEEK_SET) < 0 ? E_FAIL : S_OK;
  }
  REFERENCE_TIME Duration() const override {
    return info_.samplerate > 0 ? info_.frames * 10000000 / info_.samplerate : 0;
  }

 private:
  VirtualWave file_;
  SF_INFO info_{};
  SNDFILE* sound_ = nullptr;
};

class CAcmWrapper : public CDecoderFilter {
 public:
  CAcmWrapper() : CDecoderFilter("Input", "Output") {}
  HRESULT CheckInput(CMediaPin&, CMediaPin& upstream) override {
    for (const PinMediaType& type : upstream.Types())
      if (type.majortype == MEDIATYPE_Audio && (type.subtype == WaveSubtype(WAVE_FORMAT_IMA_ADPCM) ||
                                                type.subtype == WaveSubtype(WAVE_FORMAT_ADPCM)))
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
  }

 protected:
  std::unique_ptr<PcmSource> OpenSamples(std::shared_ptr<ByteSource> bytes, const PinMediaType& type) override {
    auto samples = std::make_unique<AdpcmSamples>(type, std::move(bytes));
    if (!samples->Open()) return nullptr;
    return samples;
  }
};

}  // namespace

IBaseFilter* NewAcmWrapper() { return new CAcmWrapper(); }

}  // namespace qh::media
