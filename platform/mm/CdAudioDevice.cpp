#include "platform/mm/CdAudioDevice.h"

#include <SDL.h>
#include <cdio/cdio.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/cd/CdSource.h"
#include "platform/cd/DiscId.h"

namespace qh::mm {
namespace {

constexpr int kFramesPerChunk = 7;  // about 93 ms: the position moves in steps this small

// The sound device for playback, or none (then playback is paced by the clock alone).
class AudioSink {
 public:
  AudioSink() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    initialised_ = true;
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = 4096;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
  }
  ~AudioSink() {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  bool Open() const { return device_ != 0; }
  void Queue(const std::vector<uint8_t>& bytes) { SDL_QueueAudio(device_, bytes.data(), static_cast<Uint32>(bytes.size())); }
  int32_t QueuedFrames() const { return static_cast<int32_t>(SDL_GetQueuedAudioSize(device_) / cd::kAudioFrameBytes); }
  void Clear() { SDL_ClearQueuedAudio(device_); }

 private:
  bool initialised_ = false;
  SDL_AudioDeviceID device_ = 0;
};

int32_t MillisecondsToFrames(long ms) { return static_cast<int32_t>(ms * cd::kFramesPerSecond / 1000); }

}  // namespace

CdAudioDevice::CdAudioDevice(char driveLetter) : letter_(driveLetter) {}

CdAudioDevice::~CdAudioDevice() { StopPlayback(); }

std::shared_ptr<const cd::CdDisc> CdAudioDevice::Disc(MCIERROR* error) {
  std::lock_guard<std::mutex> guard(lock_);
  if (doorOpen_) {
    if (error) *error = MCIERR_DEVICE_NOT_READY;
    return nullptr;
  }
  std::string source = cd::CdSourceForDrive(letter_);
  // A drive's disc may be swapped behind the same source: its table of contents is read again.
  if (!disc_ || source != discSource_ || disc_->MediaChanged()) {
    disc_ = cd::CdDisc::Open(source, nullptr);
    discSource_ = source;
  }
  if (!disc_ && error) *error = MCIERR_DEVICE_NOT_READY;
  return disc_;
}

MCIERROR CdAudioDevice::SetTimeFormat(DWORD format) {
  if (format != MCI_FORMAT_MILLISECONDS && format != MCI_FORMAT_MSF && format != MCI_FORMAT_TMSF) {
    return MCIERR_OUTOFRANGE;
  }
  timeFormat_ = format;
  return 0;
}

MCIERROR CdAudioDevice::SetDoor(bool open) {
  StopPlayback();
  std::lock_guard<std::mutex> guard(lock_);
  std::string source = cd::CdSourceForDrive(letter_);
  disc_.reset();
  discSource_.clear();
  doorOpen_ = open;
  // An image has no tray; a drive's tray really moves (a drive without one answers as it can).
  if (!source.empty() && source.rfind("/dev/", 0) == 0) {
    if (open) cdio_eject_media_drive(source.c_str());
    else cdio_close_tray(source.c_str(), nullptr);
  }
  return 0;
}

MCIERROR CdAudioDevice::Play(int32_t from, int32_t to) {
  MCIERROR error = 0;
  auto disc = Disc(&error);
  if (!disc) return error;
  const cd::DiscToc& toc = disc->Toc();
  int32_t start = from >= 0 ? from : position_.load();
  int32_t end = to >= 0 ? to : toc.leadOutFrame;
  if (start < toc.tracks.front().startFrame) start = toc.tracks.front().startFrame;
  if (end > toc.leadOutFrame || start >= end) return MCIERR_OUTOFRANGE;
  StopPlayback();
  position_ = start;
  stopPlayback_ = false;
  paused_ = false;
  playing_ = true;
  player_ = std::thread(&CdAudioDevice::PlayLoop, this, disc, start, end);
  return 0;
}

void CdAudioDevice::PlayLoop(std::shared_ptr<const cd::CdDisc> disc, int32_t from, int32_t to) {
  Feed(*disc, from, to);
  // SDL keeps data of its own for every thread that calls it (its error text, at least) and frees it only
  // when asked: a thread SDL did not start must ask before it ends, or each play leaves it behind.
  SDL_TLSCleanup();
}

void CdAudioDevice::Feed(const cd::CdDisc& disc, int32_t from, int32_t to) {
  AudioSink sink;
  std::vector<uint8_t> buffer(static_cast<size_t>(kFramesPerChunk) * cd::kAudioFrameBytes);
  auto clock = std::chrono::steady_clock::now();
  int32_t fed = from;
  while (!stopPlayback_ && fed < to) {
    int count = std::min<int32_t>(kFramesPerChunk, to - fed);
    buffer.resize(static_cast<size_t>(count) * cd::kAudioFrameBytes);
    // A data track or an unreadable frame plays as silence; the position still moves on.
    if (!disc.ReadAudio(fed, count, buffer.data())) std::fill(buffer.begin(), buffer.end(), 0);
    if (sink.Open()) {
      sink.Queue(buffer);
      fed += count;
      while (!stopPlayback_ && sink.QueuedFrames() > cd::kFramesPerSecond / 2) {
        position_ = fed - sink.QueuedFrames();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    } else {
      fed += count;
      clock += std::chrono::microseconds(static_cast<long>(count) * 1000000 / cd::kFramesPerSecond);
      std::this_thread::sleep_until(clock);
    }
    position_ = sink.Open() ? fed - sink.QueuedFrames() : fed;
  }
  while (!stopPlayback_ && sink.Open() && sink.QueuedFrames() > 0) {
    position_ = fed - sink.QueuedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (sink.Open()) sink.Clear();
  if (!stopPlayback_) position_ = to;
  playing_ = false;
}

void CdAudioDevice::StopPlayback() {
  stopPlayback_ = true;
  if (player_.joinable()) player_.join();
  playing_ = false;
}

MCIERROR CdAudioDevice::Stop() {
  StopPlayback();
  paused_ = false;
  return 0;
}

MCIERROR CdAudioDevice::Pause() {
  bool wasPlaying = playing_;
  StopPlayback();
  paused_ = wasPlaying;
  return 0;
}

MCIERROR CdAudioDevice::Seek(int32_t frame) {
  MCIERROR error = 0;
  auto disc = Disc(&error);
  if (!disc) return error;
  if (frame < disc->Toc().tracks.front().startFrame || frame > disc->Toc().leadOutFrame) return MCIERR_OUTOFRANGE;
  StopPlayback();
  paused_ = false;
  position_ = frame;
  return 0;
}

DWORD CdAudioDevice::Mode() {
  if (doorOpen_) return MCI_MODE_OPEN;
  if (!Disc(nullptr)) return MCI_MODE_NOT_READY;
  if (playing_) return MCI_MODE_PLAY;
  return paused_ ? MCI_MODE_PAUSE : MCI_MODE_STOP;
}

int32_t CdAudioDevice::PositionFrame() { return position_.load(); }

int CdAudioDevice::CurrentTrack() {
  auto disc = Disc(nullptr);
  if (!disc) return 0;
  int current = disc->Toc().firstTrack;
  for (const cd::TocTrack& track : disc->Toc().tracks) {
    if (track.startFrame <= position_) current = track.number;
  }
  return current;
}

std::string CdAudioDevice::Identity() {
  auto disc = Disc(nullptr);
  if (!disc) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%08X", cd::CddbDiscId(disc->Toc()));
  return text;
}

std::string CdAudioDevice::Upc() {
  auto disc = Disc(nullptr);
  return disc ? disc->MediaCatalogNumber() : std::string();
}

std::string CdAudioDevice::FormatPosition(int32_t frame) {
  char text[32];
  if (timeFormat_ == MCI_FORMAT_MILLISECONDS) {
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(frame) * 1000 / cd::kFramesPerSecond);
    return text;
  }
  if (timeFormat_ == MCI_FORMAT_TMSF) {
    auto disc = Disc(nullptr);
    int track = CurrentTrack();
    const cd::TocTrack* entry = disc ? disc->Toc().Track(track) : nullptr;
    cd::Msf msf = cd::MsfFromFrames(entry ? frame - entry->startFrame : frame);
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", track, msf.minutes, msf.seconds, msf.frames);
    return text;
  }
  cd::Msf msf = cd::MsfFromFrames(frame);
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", msf.minutes, msf.seconds, msf.frames);
  return text;
}

std::string CdAudioDevice::FormatLength(int32_t frames) {
  char text[32];
  if (timeFormat_ == MCI_FORMAT_MILLISECONDS) {
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(frames) * 1000 / cd::kFramesPerSecond);
    return text;
  }
  cd::Msf msf = cd::MsfFromFrames(frames);
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", msf.minutes, msf.seconds, msf.frames);
  return text;
}

DWORD CdAudioDevice::PackPosition(int32_t frame) {
  if (timeFormat_ == MCI_FORMAT_MILLISECONDS) return static_cast<DWORD>(static_cast<int64_t>(frame) * 1000 / cd::kFramesPerSecond);
  cd::Msf msf = cd::MsfFromFrames(frame);
  if (timeFormat_ == MCI_FORMAT_TMSF) {
    auto disc = Disc(nullptr);
    int track = CurrentTrack();
    const cd::TocTrack* entry = disc ? disc->Toc().Track(track) : nullptr;
    msf = cd::MsfFromFrames(entry ? frame - entry->startFrame : frame);
    return static_cast<DWORD>(track & 0xFF) | (MCI_MAKE_MSF(msf.minutes, msf.seconds, msf.frames) << 8);
  }
  return MCI_MAKE_MSF(msf.minutes, msf.seconds, msf.frames);
}

DWORD CdAudioDevice::PackLength(int32_t frames) {
  if (timeFormat_ == MCI_FORMAT_MILLISECONDS) return static_cast<DWORD>(static_cast<int64_t>(frames) * 1000 / cd::kFramesPerSecond);
  cd::Msf msf = cd::MsfFromFrames(frames);
  return MCI_MAKE_MSF(msf.minutes, msf.seconds, msf.frames);
}

bool CdAudioDevice::ParsePosition(const std::string& text, int32_t* frame) {
  int parts[4] = {0, 0, 0, 0};
  int count = 0;
  size_t start = 0;
  while (count < 4) {
    size_t colon = text.find(':', start);
    std::string part = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string::npos) return false;
    parts[count++] = std::stoi(part);
    if (colon == std::string::npos) break;
    start = colon + 1;
    if (count == 4) return false;
  }
  if (timeFormat_ == MCI_FORMAT_MILLISECONDS) {
    if (count != 1) return false;
    *frame = MillisecondsToFrames(parts[0]);
    return true;
  }
  if (timeFormat_ == MCI_FORMAT_MSF) {
    *frame = (parts[0] * 60 + parts[1]) * cd::kFramesPerSecond + parts[2];
    return true;
  }
  auto disc = Disc(nullptr);
  const cd::TocTrack* track = disc ? disc->Toc().Track(parts[0]) : nullptr;
  if (track == nullptr) return false;
  *frame = track->startFrame + (parts[1] * 60 + parts[2]) * cd::kFramesPerSecond + parts[3];
  return true;
}

}  // namespace qh::mm
