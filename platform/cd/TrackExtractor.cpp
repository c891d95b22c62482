#include "platform/cd/TrackExtractor.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace qh::cd {
namespace {

constexpr int kFramesPerRead = 75;  // one second of audio per read keeps progress and stop prompt

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Where the frames come from: the image directly, or paranoia on a drive.
class FrameReader {
 public:
  virtual ~FrameReader() = default;
  virtual bool Read(int32_t frame, int count, uint8_t* buffer) = 0;
};

class DirectReader : public FrameReader {
 public:
  explicit DirectReader(const CdDisc& disc) : disc_(disc) {}
  bool Read(int32_t frame, int count, uint8_t* buffer) override { return disc_.ReadAudio(frame, count, buffer); }

 private:
  const CdDisc& disc_;
};

class ParanoiaReader : public FrameReader {
 public:
  ParanoiaReader(const CdDisc& disc, CopyType copyType) {
    drive_ = cdio_cddap_identify_cdio(static_cast<CdIo_t*>(disc.Handle()), CDDA_MESSAGE_FORGETIT, nullptr);
    if (drive_ == nullptr || cdio_cddap_open(drive_) != 0) return;
    paranoia_ = cdio_paranoia_init(drive_);
    if (paranoia_ == nullptr) return;
    int mode = copyType == CopyType::Sync ? (PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP) : PARANOIA_MODE_OVERLAP;
    cdio_paranoia_modeset(paranoia_, mode);
  }
  ~ParanoiaReader() override {
    if (paranoia_ != nullptr) cdio_paranoia_free(paranoia_);
    if (drive_ != nullptr) {
      // The disc's handle belongs to CdDisc; the drive record must not destroy it.
      drive_->p_cdio = nullptr;
      cdio_cddap_close(drive_);
    }
  }
  bool Usable() const { return paranoia_ != nullptr; }
  bool Read(int32_t frame, int count, uint8_t* buffer) override {
    if (nextFrame_ != frame) {
      cdio_paranoia_seek(paranoia_, frame - kLeadInFrames, SEEK_SET);
      nextFrame_ = frame;
    }
    for (int i = 0; i < count; ++i) {
      int16_t* samples = cdio_paranoia_read_limited(paranoia_, nullptr, 5);
      if (samples == nullptr) return false;
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(samples);
      std::copy(bytes, bytes + kAudioFrameBytes, buffer + static_cast<size_t>(i) * kAudioFrameBytes);
      ++nextFrame_;
    }
    return true;
  }

 private:
  cdrom_drive_t* drive_ = nullptr;
  cdrom_paranoia_t* paranoia_ = nullptr;
  int32_t nextFrame_ = -1;
};

std::unique_ptr<FrameReader> MakeReader(const CdDisc& disc, CopyType copyType) {
  if (disc.IsImage() || copyType == CopyType::Burst) return std::make_unique<DirectReader>(disc);
  auto paranoia = std::make_unique<ParanoiaReader>(disc, copyType);
  if (paranoia->Usable()) return paranoia;
  return std::make_unique<DirectReader>(disc);
}

bool WriteAll(FILE* file, const void* data, size_t bytes) { return std::fwrite(data, 1, bytes, file) == bytes; }

// Rewrites the header for what the file holds, so a stopped or failed rip is still a valid WAV.
bool FinishHeader(FILE* file, uint32_t dataBytes) {
  std::string header = CdWavHeader(dataBytes);
  return std::fseek(file, 0, SEEK_SET) == 0 && WriteAll(file, header.data(), header.size()) &&
         std::fflush(file) == 0;
}

}  // namespace

std::string CdWavHeader(uint32_t dataBytes) {
  std::string header = "RIFF";
  PutLe(header, 36 + dataBytes, 4);
  header += "WAVEfmt ";
  PutLe(header, 16, 4);
  PutLe(header, 1, 2);          // PCM
  PutLe(header, 2, 2);          // channels
  PutLe(header, 44100, 4);      // samples per second
  PutLe(header, 44100 * 4, 4);  // bytes per second
  PutLe(header, 4, 2);          // block align
  PutLe(header, 16, 2);         // bits per sample
  header += "data";
  PutLe(header, dataBytes, 4);
  return header;
}

ExtractResult ExtractTrack(const CdDisc& disc, const ExtractRequest& request) {
  const TocTrack* track = disc.Toc().Track(request.track);
  if (track == nullptr || !track->audio) return ExtractResult::NotAudio;
  FilePtr file(std::fopen(request.hostPath.c_str(), "wb"));
  if (!file) return ExtractResult::WriteFailed;
  if (!FinishHeader(file.get(), 0)) return ExtractResult::WriteFailed;

  const int32_t total = disc.Toc().TrackFrames(request.track);
  std::unique_ptr<FrameReader> reader = MakeReader(disc, request.copyType);
  std::vector<uint8_t> buffer(static_cast<size_t>(kFramesPerRead) * kAudioFrameBytes);
  ExtractResult result = ExtractResult::Done;
  int32_t done = 0;
  long reported = -1;
  while (done < total) {
    if (request.stop != nullptr && request.stop->load()) {
      result = ExtractResult::Stopped;
      break;
    }
    int count = std::min<int32_t>(kFramesPerRead, total - done);
    if (!reader->Read(track->startFrame + done, count, buffer.data())) {
      result = ExtractResult::ReadFailed;
      break;
    }
    if (!WriteAll(file.get(), buffer.data(), static_cast<size_t>(count) * kAudioFrameBytes)) {
      result = ExtractResult::WriteFailed;
      break;
    }
    done += count;
    long permille = static_cast<long>(static_cast<int64_t>(done) * 1000 / total);
    if (request.progress && permille != reported) request.progress(permille);
    reported = permille;
  }
  if (!FinishHeader(file.get(), static_cast<uint32_t>(done) * kAudioFrameBytes)) return ExtractResult::WriteFailed;
  if (std::fclose(file.release()) != 0) return ExtractResult::WriteFailed;
  return result;
}

}  // namespace qh::cd
