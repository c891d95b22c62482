#include "platform/media/AudioSinks.h"

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace qh::media {
namespace {

class NullSink : public AudioSink {
 public:
  HRESULT Open(const AudioFormat&) override { return S_OK; }
  HRESULT Write(const float*, long) override { return S_OK; }
  void Close() override {}
};

void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutLe16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

// A canonical 44-byte header of 16-bit PCM; the sizes are rewritten after each block.
class WaveFileSink : public AudioSink {
 public:
  explicit WaveFileSink(std::string path) : path_(std::move(path)) {}
  ~WaveFileSink() override { Close(); }
  HRESULT Open(const AudioFormat& format) override {
    if (fd_ >= 0) {
      if (format == format_) return S_OK;
      return VFW_E_TYPE_NOT_ACCEPTED;  // one file holds one format
    }
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return HRESULT_FROM_ERRNO(errno);
    format_ = format;
    if (ContinueExisting()) return S_OK;
    if (::ftruncate(fd_, 0) != 0) return HRESULT_FROM_ERRNO(errno);
    dataBytes_ = 0;
    return WriteHeader();
  }
  HRESULT Write(const float* frames, long frameCount) override {
    if (fd_ < 0) return VFW_E_WRONG_STATE;
    const size_t samples = static_cast<size_t>(frameCount) * format_.channels;
    pcm_.resize(samples * 2);
    for (size_t i = 0; i < samples; ++i) {
      const float clipped = std::clamp(frames[i], -1.0f, 1.0f);
      const long value = std::lround(clipped * 32768.0f);
      PutLe16(&pcm_[i * 2], static_cast<uint16_t>(static_cast<int16_t>(std::clamp<long>(value, -32768, 32767))));
    }
    if (::pwrite(fd_, pcm_.data(), pcm_.size(), 44 + static_cast<off_t>(dataBytes_)) != static_cast<ssize_t>(pcm_.size()))
      return HRESULT_FROM_ERRNO(errno == 0 ? EIO : errno);
    dataBytes_ += pcm_.size();
    return WriteHeader();
  }
  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  bool ContinueExisting() {
    unsigned char header[44];
    if (::pread(fd_, header, 44, 0) != 44) return false;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 36, "data", 4) != 0) return false;
    if (header[20] != 1 || header[22] != format_.channels || Le32(header + 24) != static_cast<uint32_t>(format_.rate))
      return false;
    dataBytes_ = Le32(header + 40);
    return true;
  }
  HRESULT WriteHeader() {
    unsigned char h[44];
    std::memcpy(h, "RIFF", 4);
    PutLe32(h + 4, static_cast<uint32_t>(36 + dataBytes_));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe32(h + 16, 16);
    PutLe16(h + 20, 1);
    PutLe16(h + 22, static_cast<uint16_t>(format_.channels));
    PutLe32(h + 24, static_cast<uint32_t>(format_.rate));
    PutLe32(h + 28, static_cast<uint32_t>(format_.rate * format_.channels * 2));
    PutLe16(h + 32, static_cast<uint16_t>(format_.channels * 2));
    PutLe16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    PutLe32(h + 40, static_cast<uint32_t>(dataBytes_));
    return ::pwrite(fd_, h, 44, 0) == 44 ? S_OK : HRESULT_FROM_ERRNO(errno == 0 ? EIO : errno);
  }

  std::string path_;
  int fd_ = -1;
  AudioFormat format_;
  uint64_t dataBytes_ = 0;
  std::vector<unsigned char> pcm_;
};

// An SDL2 playback device fed with SDL_QueueAudio; Write waits while more than a quarter second is
// queued, so the graph's clock and the device's stay together.
class SdlSink : public AudioSink {
 public:
  explicit SdlSink(std::string name) : name_(std::move(name)) {}
  ~SdlSink() override { Close(); }
  HRESULT Open(const AudioFormat& format) override {
    Close();
    SDL_AudioSpec want{}, have{};
    want.freq = format.rate;
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = 1024;
    // No name: the system's default output.
    device_ = SDL_OpenAudioDevice(name_.empty() ? nullptr : name_.c_str(), 0, &want, &have, 0);
    if (device_ == 0) return VFW_E_NO_AUDIO_HARDWARE;
    channels_ = format.channels;
    bytesPerSecond_ = format.rate * format.channels * static_cast<int>(sizeof(float));
    SDL_PauseAudioDevice(device_, 0);
    return S_OK;
  }
  HRESULT Write(const float* frames, long frameCount) override {
    if (device_ == 0) return VFW_E_WRONG_STATE;
    while (SDL_GetQueuedAudioSize(device_) > static_cast<Uint32>(bytesPerSecond_ / 4))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const Uint32 bytes = static_cast<Uint32>(frameCount) * static_cast<Uint32>(channels_) * sizeof(float);
    return SDL_QueueAudio(device_, frames, bytes) == 0 ? S_OK : E_FAIL;
  }
  void Flush() override {
    if (device_ != 0) SDL_ClearQueuedAudio(device_);
  }
  void Close() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
  }

 private:
  std::string name_;
  SDL_AudioDeviceID device_ = 0;
  int channels_ = 0;
  int bytesPerSecond_ = 0;
};

}  // namespace

std::unique_ptr<AudioSink> NewNullSink() { return std::make_unique<NullSink>(); }
std::unique_ptr<AudioSink> NewWaveFileSink(const std::string& hostPath) { return std::make_unique<WaveFileSink>(hostPath); }
std::unique_ptr<AudioSink> NewSdlSink(const std::string& deviceName) { return std::make_unique<SdlSink>(deviceName); }

void ReleaseSoundThreadState() { SDL_TLSCleanup(); }

}  // namespace qh::media
