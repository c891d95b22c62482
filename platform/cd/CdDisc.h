// One open CD: a drive or an image (cue/bin, toc, nrg) through libcdio. It reads the table of
// contents, the media catalogue number and audio sectors. Addresses are frames of 1/75 s counted as
// on the disc's own clock, that is with the 150-frame lead-in ("MSF" addresses): track 1 of a plain
// audio CD starts at frame 150.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qh::cd {

constexpr int kFramesPerSecond = 75;
constexpr int kLeadInFrames = 150;
constexpr int kAudioFrameBytes = 2352;

struct TocTrack {
  int number = 0;
  int32_t startFrame = 0;  // MSF address of the track's first frame
  bool audio = false;
};

struct DiscToc {
  int firstTrack = 0;
  int lastTrack = 0;
  std::vector<TocTrack> tracks;  // in disc order
  int32_t leadOutFrame = 0;      // MSF address of the lead-out

  const TocTrack* Track(int number) const;
  // Frames from the track's start to the next track's start (or the lead-out).
  int32_t TrackFrames(int number) const;
};

// A frame address as "mm:ss:ff" parts.
struct Msf {
  int minutes = 0;
  int seconds = 0;
  int frames = 0;
};
Msf MsfFromFrames(int32_t frames);

class CdDisc {
 public:
  // Opens a drive or an image; null with a reason in *error when it cannot be read or holds no disc.
  static std::unique_ptr<CdDisc> Open(const std::string& source, std::string* error);
  ~CdDisc();
  CdDisc(const CdDisc&) = delete;
  CdDisc& operator=(const CdDisc&) = delete;

  const DiscToc& Toc() const { return toc_; }
  const std::string& Source() const { return source_; }
  // True for an image file (no drive mechanics, no read errors to correct).
  bool IsImage() const { return image_; }
  // The media catalogue number (the disc's UPC/EAN), "" when the disc has none.
  std::string MediaCatalogNumber() const;
  // True when a drive reports that its disc was changed since the last ask (never for an image).
  bool MediaChanged() const;
  // Reads `count` audio frames from an MSF address; false on a read error.
  bool ReadAudio(int32_t startFrame, int count, uint8_t* buffer) const;

  // The libcdio handle, for the paranoia reader.
  void* Handle() const { return cdio_; }

 private:
  CdDisc() = default;
  bool ReadToc(std::string* error);

  void* cdio_ = nullptr;
  std::string source_;
  bool image_ = false;
  DiscToc toc_;
};

}  // namespace qh::cd
