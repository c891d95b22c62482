#include "platform/mm/WaveIn.h"

#include <SDL.h>
#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Paths.h"

namespace {

constexpr const char* kFileInputName = "File Input";
constexpr size_t kMaxFileBytes = 1u << 30;  // a file device holds its whole (converted) file
constexpr size_t kMaxRingSeconds = 10;      // captured audio nobody takes is dropped after this long

struct DeviceInfo {
  std::string name;
  bool file = false;
};

void EnsureSdlAudio() {
  static std::once_flag once;
  std::call_once(once, [] { SDL_InitSubSystem(SDL_INIT_AUDIO); });
}

std::vector<DeviceInfo> Devices() {
  std::vector<DeviceInfo> devices;
  EnsureSdlAudio();
  int count = SDL_GetNumAudioDevices(1);
  for (int i = 0; i < count; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 1);
    if (name != nullptr) devices.push_back({name, false});
  }
  if (std::getenv("QH_WAVEIN_FILE") != nullptr) devices.push_back({kFileInputName, true});
  return devices;
}

bool PlainPcm(const WAVEFORMATEX* format) {
  return format != nullptr && format->wFormatTag == WAVE_FORMAT_PCM &&
         (format->wBitsPerSample == 8 || format->wBitsPerSample == 16) &&
         (format->nChannels == 1 || format->nChannels == 2) && format->nSamplesPerSec >= 8000 &&
         format->nSamplesPerSec <= 96000 && format->nBlockAlign == format->nChannels * format->wBitsPerSample / 8;
}

double ClockRate() {
  const char* rate = std::getenv("QH_CLOCK_RATE");
  double value = rate != nullptr ? std::atof(rate) : 1.0;
  return value > 0 ? value : 1.0;
}

void PutSample(std::vector<BYTE>& out, float value, WORD bits) {
  if (bits == 8) {
    out.push_back(static_cast<BYTE>(std::clamp(std::lrint(value * 128.0f) + 128, 0L, 255L)));
    return;
  }
  long scaled = std::clamp(std::lrint(value * 32768.0f), -32768L, 32767L);
  out.push_back(static_cast<BYTE>(scaled & 0xFF));
  out.push_back(static_cast<BYTE>((scaled >> 8) & 0xFF));
}

// The whole file in the format asked for; false when it cannot be read.
bool LoadFileInput(const WAVEFORMATEX& format, std::vector<BYTE>& pcm) {
  const char* name = std::getenv("QH_WAVEIN_FILE");
  if (name == nullptr) return false;
  std::string host = name[0] == '/' ? std::string(name) : qh::HostPathOf(name);
  SF_INFO info{};
  SNDFILE* file = sf_open(host.c_str(), SFM_READ, &info);
  if (file == nullptr) return false;
  if (info.channels < 1 || info.channels > 2 || info.frames <= 0 ||
      static_cast<uint64_t>(info.frames) * format.nBlockAlign > kMaxFileBytes) {
    sf_close(file);
    return info.frames == 0;
  }
  std::vector<float> samples(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  sf_count_t frames = sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  samples.resize(static_cast<size_t>(frames) * static_cast<size_t>(info.channels));
  std::vector<float> mapped;
  mapped.reserve(static_cast<size_t>(frames) * format.nChannels);
  for (sf_count_t i = 0; i < frames; ++i) {
    const float* frame = &samples[static_cast<size_t>(i) * static_cast<size_t>(info.channels)];
    float left = frame[0], right = info.channels == 2 ? frame[1] : frame[0];
    if (format.nChannels == 1) mapped.push_back((left + right) / 2);
    else {
      mapped.push_back(left);
      mapped.push_back(right);
    }
  }
  if (static_cast<DWORD>(info.samplerate) != format.nSamplesPerSec && !mapped.empty()) {
    double ratio = static_cast<double>(format.nSamplesPerSec) / info.samplerate;
    std::vector<float> resampled(static_cast<size_t>(mapped.size() * ratio) + 64u * format.nChannels);
    SRC_DATA data{};
    data.data_in = mapped.data();
    data.input_frames = static_cast<long>(mapped.size() / format.nChannels);
    data.data_out = resampled.data();
    data.output_frames = static_cast<long>(resampled.size() / format.nChannels);
    data.src_ratio = ratio;
    if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, format.nChannels) != 0) return false;
    resampled.resize(static_cast<size_t>(data.output_frames_gen) * format.nChannels);
    mapped.swap(resampled);
  }
  pcm.clear();
  pcm.reserve(mapped.size() * (format.wBitsPerSample / 8));
  for (float value : mapped) PutSample(pcm, value, format.wBitsPerSample);
  return true;
}

class WaveInDevice {
 public:
  WaveInDevice(const DeviceInfo& info, const WAVEFORMATEX& format, WAVEINPROC proc, DWORD_PTR instance)
      : info_(info), format_(format), proc_(proc), instance_(instance) {}
  ~WaveInDevice() { Shutdown(); }

  bool Open() {
    if (info_.file) {
      if (!LoadFileInput(format_, file_)) return false;
    } else if (!OpenSdl()) {
      return false;
    }
    thread_ = std::thread(&WaveInDevice::Run, this);
    return true;
  }
  void Notify(UINT message, WAVEHDR* header) {
    if (proc_ != nullptr) proc_(reinterpret_cast<HWAVEIN>(this), message, instance_, reinterpret_cast<DWORD_PTR>(header), 0);
  }
  MMRESULT Add(WAVEHDR* header) {
    std::lock_guard<std::mutex> guard(lock_);
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    header->dwBytesRecorded = 0;
    queue_.push_back(header);
    return MMSYSERR_NOERROR;
  }
  bool IsQueued(WAVEHDR* header) {
    std::lock_guard<std::mutex> guard(lock_);
    return std::find(queue_.begin(), queue_.end(), header) != queue_.end();
  }
  void Start() {
    std::lock_guard<std::mutex> guard(lock_);
    if (started_) return;
    started_ = true;
    clockStart_ = std::chrono::steady_clock::now();
    deliveredAtStart_ = delivered_;
    if (sdl_ != 0) SDL_PauseAudioDevice(sdl_, 0);
  }
  // Stop hands back the buffer being filled; Reset every queued buffer.
  void Stop(bool all) {
    std::vector<WAVEHDR*> done;
    {
      std::lock_guard<std::mutex> guard(lock_);
      started_ = false;
      if (sdl_ != 0) SDL_PauseAudioDevice(sdl_, 1);
      while (!queue_.empty() && (all || queue_.front()->dwBytesRecorded > 0)) {
        done.push_back(TakeFront());
        if (!all) break;
      }
    }
    for (WAVEHDR* header : done) Notify(WIM_DATA, header);
  }
  bool HasQueued() {
    std::lock_guard<std::mutex> guard(lock_);
    return !queue_.empty();
  }
  void Shutdown() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      closing_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (sdl_ != 0) SDL_CloseAudioDevice(sdl_);
    sdl_ = 0;
  }

 private:
  bool OpenSdl() {
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format_.nSamplesPerSec);
    wanted.format = format_.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    wanted.channels = static_cast<Uint8>(format_.nChannels);
    wanted.samples = 1024;
    wanted.callback = &WaveInDevice::OnSdlAudio;
    wanted.userdata = this;
    sdl_ = SDL_OpenAudioDevice(info_.name.c_str(), 1, &wanted, nullptr, 0);
    return sdl_ != 0;
  }
  static void OnSdlAudio(void* self, Uint8* stream, int length) {
    auto* device = static_cast<WaveInDevice*>(self);
    std::lock_guard<std::mutex> guard(device->lock_);
    device->ring_.insert(device->ring_.end(), stream, stream + length);
    size_t limit = kMaxRingSeconds * device->format_.nAvgBytesPerSec;
    if (device->ring_.size() > limit) device->ring_.erase(device->ring_.begin(), device->ring_.end() - static_cast<long>(limit));
  }

  WAVEHDR* TakeFront() {
    WAVEHDR* header = queue_.front();
    queue_.pop_front();
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    return header;
  }

  // The bytes the source has for the buffers now (lock held).
  void Produce(std::vector<BYTE>& bytes) {
    if (!info_.file) {
      bytes.assign(ring_.begin(), ring_.end());
      ring_.clear();
      return;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart_).count() * ClockRate();
    uint64_t due = deliveredAtStart_ + static_cast<uint64_t>(seconds * format_.nAvgBytesPerSec);
    due -= due % format_.nBlockAlign;
    // Like the sound card's ring on the live path, audio waits for a buffer for up to kMaxRingSeconds
    // (a late thread here must not lose what a real card would still hold); older audio is lost.
    const uint64_t ring = kMaxRingSeconds * static_cast<uint64_t>(format_.nAvgBytesPerSec);
    if (due > delivered_ + ring) delivered_ = due - ring;
    uint64_t room = 0;
    for (const WAVEHDR* header : queue_) room += header->dwBufferLength - header->dwBytesRecorded;
    room -= room % format_.nBlockAlign;
    due = std::min(due, delivered_ + room);
    while (delivered_ < due) {
      BYTE value = delivered_ < file_.size() ? file_[static_cast<size_t>(delivered_)]
                                             : static_cast<BYTE>(format_.wBitsPerSample == 8 ? 0x80 : 0);
      bytes.push_back(value);
      ++delivered_;
    }
  }

  void Run() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!closing_) {
      wake_.wait_for(guard, std::chrono::milliseconds(10));
      if (closing_ || !started_ || queue_.empty()) continue;
      std::vector<BYTE> bytes;
      Produce(bytes);
      std::vector<WAVEHDR*> done;
      size_t at = 0;
      while (at < bytes.size() && !queue_.empty()) {
        WAVEHDR* header = queue_.front();
        size_t room = header->dwBufferLength - header->dwBytesRecorded;
        size_t take = std::min(room, bytes.size() - at);
        std::memcpy(header->lpData + header->dwBytesRecorded, bytes.data() + at, take);
        header->dwBytesRecorded += static_cast<DWORD>(take);
        at += take;
        if (header->dwBytesRecorded == header->dwBufferLength) done.push_back(TakeFront());
      }
      guard.unlock();
      for (WAVEHDR* header : done) Notify(WIM_DATA, header);
      guard.lock();
    }
  }

  DeviceInfo info_;
  WAVEFORMATEX format_;
  WAVEINPROC proc_;
  DWORD_PTR instance_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<WAVEHDR*> queue_;
  bool started_ = false;
  bool closing_ = false;
  std::thread thread_;
  std::vector<BYTE> file_;
  uint64_t delivered_ = 0;
  uint64_t deliveredAtStart_ = 0;
  std::chrono::steady_clock::time_point clockStart_;
  SDL_AudioDeviceID sdl_ = 0;
  std::deque<BYTE> ring_;
};

std::mutex g_devicesLock;
std::set<WaveInDevice*> g_devices;

WaveInDevice* Find(HWAVEIN handle) {
  std::lock_guard<std::mutex> guard(g_devicesLock);
  auto* device = reinterpret_cast<WaveInDevice*>(handle);
  return g_devices.count(device) ? device : nullptr;
}

}  // namespace

UINT waveInGetNumDevs() { return static_cast<UINT>(Devices().size()); }

MMRESULT waveInGetDevCaps(UINT_PTR deviceId, LPWAVEINCAPS caps, UINT size) {
  if (caps == nullptr || size < sizeof(WAVEINCAPS)) return MMSYSERR_INVALPARAM;
  std::vector<DeviceInfo> devices = Devices();
  if (deviceId == WAVE_MAPPER && !devices.empty()) deviceId = 0;
  if (deviceId >= devices.size()) return MMSYSERR_BADDEVICEID;
  std::memset(caps, 0, sizeof *caps);
  std::snprintf(caps->szPname, sizeof caps->szPname, "%s", devices[deviceId].name.c_str());
  caps->vDriverVersion = 0x0100;
  caps->wChannels = 2;
  caps->dwFormats = 0xFFF;  // 11.025, 22.05 and 44.1 kHz; mono and stereo; 8 and 16 bits
  return MMSYSERR_NOERROR;
}

MMRESULT waveInOpen(LPHWAVEIN waveIn, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags) {
  if (!PlainPcm(format)) return WAVERR_BADFORMAT;
  std::vector<DeviceInfo> devices = Devices();
  if (deviceId == WAVE_MAPPER && !devices.empty()) deviceId = 0;
  if (deviceId >= devices.size()) return MMSYSERR_BADDEVICEID;
  if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
  DWORD kind = flags & 0x00070000u;
  if (kind != CALLBACK_FUNCTION && kind != CALLBACK_NULL) return MMSYSERR_INVALFLAG;
  if (waveIn == nullptr) return MMSYSERR_INVALPARAM;
  auto proc = kind == CALLBACK_FUNCTION ? reinterpret_cast<WAVEINPROC>(callback) : nullptr;
  auto device = std::make_unique<WaveInDevice>(devices[deviceId], *format, proc, instance);
  if (!device->Open()) return MMSYSERR_ALLOCATED;
  *waveIn = reinterpret_cast<HWAVEIN>(device.get());
  {
    std::lock_guard<std::mutex> guard(g_devicesLock);
    g_devices.insert(device.get());
  }
  device.release()->Notify(WIM_OPEN, nullptr);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInPrepareHeader(HWAVEIN waveIn, LPWAVEHDR header, UINT size) {
  if (Find(waveIn) == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size < sizeof(WAVEHDR) || header->lpData == nullptr) return MMSYSERR_INVALPARAM;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveInUnprepareHeader(HWAVEIN waveIn, LPWAVEHDR header, UINT size) {
  WaveInDevice* device = Find(waveIn);
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (device->IsQueued(header)) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveInAddBuffer(HWAVEIN waveIn, LPWAVEHDR header, UINT size) {
  WaveInDevice* device = Find(waveIn);
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size < sizeof(WAVEHDR) || header->dwBufferLength == 0) return MMSYSERR_INVALPARAM;
  if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (device->IsQueued(header)) return MMSYSERR_INVALPARAM;
  return device->Add(header);
}

MMRESULT waveInStart(HWAVEIN waveIn) {
  WaveInDevice* device = Find(waveIn);
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  device->Start();
  return MMSYSERR_NOERROR;
}

MMRESULT waveInStop(HWAVEIN waveIn) {
  WaveInDevice* device = Find(waveIn);
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  device->Stop(false);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInReset(HWAVEIN waveIn) {
  WaveInDevice* device = Find(waveIn);
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  device->Stop(true);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInClose(HWAVEIN waveIn) {
  WaveInDevice* device = Find(waveIn);
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (device->HasQueued()) return WAVERR_STILLPLAYING;
  {
    std::lock_guard<std::mutex> guard(g_devicesLock);
    g_devices.erase(device);
  }
  device->Shutdown();
  device->Notify(WIM_CLOSE, nullptr);
  delete device;
  return MMSYSERR_NOERROR;
}

MMRESULT waveInGetErrorText(MMRESULT error, LPSTR text, UINT size) {
  static const std::map<MMRESULT, const char*> texts = {
      {MMSYSERR_NOERROR, "The command was carried out."},
      {MMSYSERR_ERROR, "Undefined external error."},
      {MMSYSERR_BADDEVICEID, "A device ID has been used that is out of range for your system."},
      {MMSYSERR_ALLOCATED, "The specified device is already in use. Wait until it is free, and then try again."},
      {MMSYSERR_INVALHANDLE, "The specified device handle is invalid."},
      {MMSYSERR_NODRIVER, "There is no driver installed on your system."},
      {MMSYSERR_NOMEM, "There is not enough memory available for this task."},
      {MMSYSERR_INVALFLAG, "An invalid flag was passed to a system function."},
      {MMSYSERR_INVALPARAM, "An invalid parameter was passed to a system function."},
      {WAVERR_BADFORMAT, "The specified format is not supported or cannot be translated."},
      {WAVERR_STILLPLAYING, "Cannot perform this operation while media data is still playing."},
      {WAVERR_UNPREPARED, "The wave header was not prepared."},
  };
  if (text == nullptr || size == 0) return MMSYSERR_INVALPARAM;
  auto found = texts.find(error);
  if (found == texts.end()) {
    text[0] = '\0';
    return MMSYSERR_BADERRNUM;
  }
  std::snprintf(text, size, "%s", found->second);
  return MMSYSERR_NOERROR;
}
