// Digital extraction of one audio track into a WAV file (44.1 kHz, 16 bits, stereo: the CD's own
// samples, byte for byte). Images are read directly; a drive is read through libcdio-paranoia, whose
// checking the copy type chooses (Normal: overlapped reads, Sync: full checking, Burst: none).
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "platform/cd/CdDisc.h"

namespace qh::cd {

enum class CopyType { Normal = 0, Sync = 1, Burst = 2 };

enum class ExtractResult {
  Done,          // every frame of the track is in the file
  Stopped,       // the stop flag was raised; the file holds what was read
  ReadFailed,    // a frame could not be read; the file holds what was read
  WriteFailed,   // the file could not be written
  NotAudio,      // no such audio track
};

struct ExtractRequest {
  int track = 0;
  std::string hostPath;
  CopyType copyType = CopyType::Normal;
  // Called with 0..1000, rising, at most once per step of a thousandth.
  std::function<void(long)> progress;
  const std::atomic<bool>* stop = nullptr;
};

ExtractResult ExtractTrack(const CdDisc& disc, const ExtractRequest& request);

// The 44-byte header of a CD-audio WAV file holding `dataBytes` of samples.
std::string CdWavHeader(uint32_t dataBytes);

}  // namespace qh::cd
