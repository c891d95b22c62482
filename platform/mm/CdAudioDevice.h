// The MCI "cdaudio" device: one CD drive (or image) with a time format, a door, and digital playback
// of its audio tracks to the sound device (SDL2; paced silently in real time when there is none).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/cd/CdDisc.h"
#include "platform/mm/Mci.h"

namespace qh::mm {

class CdAudioDevice {
 public:
  explicit CdAudioDevice(char driveLetter);
  ~CdAudioDevice();
  CdAudioDevice(const CdAudioDevice&) = delete;
  CdAudioDevice& operator=(const CdAudioDevice&) = delete;

  char DriveLetter() const { return letter_; }
  DWORD TimeFormat() const { return timeFormat_; }
  MCIERROR SetTimeFormat(DWORD format);
  MCIERROR SetDoor(bool open);
  // Plays from `from` (the current position when negative) to `to` (the end when negative), in frames.
  MCIERROR Play(int32_t from, int32_t to);
  MCIERROR Stop();
  MCIERROR Pause();
  MCIERROR Seek(int32_t frame);

  DWORD Mode();
  // The disc, or null (with MCIERR_DEVICE_NOT_READY in *error) when the drive has none.
  std::shared_ptr<const cd::CdDisc> Disc(MCIERROR* error);
  int32_t PositionFrame();
  int CurrentTrack();
  std::string Identity();
  std::string Upc();

  // Frame address <-> text and packed values in the current time format.
  std::string FormatPosition(int32_t frame);
  std::string FormatLength(int32_t frames);
  DWORD PackPosition(int32_t frame);
  DWORD PackLength(int32_t frames);
  // A position text ("3", "02:01:30:00", "5000") in the current format; false when it is not one.
  bool ParsePosition(const std::string& text, int32_t* frame);

 private:
  void StopPlayback();
  void PlayLoop(std::shared_ptr<const cd::CdDisc> disc, int32_t from, int32_t to);
  // Plays the frames through the sound device (or the clock alone) until done or stopped.
  void Feed(const cd::CdDisc& disc, int32_t from, int32_t to);

  const char letter_;
  std::mutex lock_;
  DWORD timeFormat_ = MCI_FORMAT_MSF;
  bool doorOpen_ = false;
  std::shared_ptr<const cd::CdDisc> disc_;
  std::string discSource_;
  std::atomic<int32_t> position_{cd::kLeadInFrames};
  std::atomic<bool> playing_{false};
  std::atomic<bool> paused_{false};
  std::atomic<bool> stopPlayback_{false};
  std::thread player_;
};

}  // namespace qh::mm
