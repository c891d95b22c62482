#include "platform/cd/CdDisc.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <mutex>

namespace qh::cd {
namespace {

CdIo_t* Io(void* handle) { return static_cast<CdIo_t*>(handle); }

// libcdio logs to standard error by default; its complaints about a missing disc are answers here.
void QuietLogging() {
  static std::once_flag once;
  std::call_once(once, [] { cdio_loglevel_default = CDIO_LOG_ERROR; });
}

bool IsImageDriver(driver_id_t driver) {
  return driver == DRIVER_BINCUE || driver == DRIVER_CDRDAO || driver == DRIVER_NRG;
}

}  // namespace

const TocTrack* DiscToc::Track(int number) const {
  for (const TocTrack& track : tracks) {
    if (track.number == number) return &track;
  }
  return nullptr;
}

int32_t DiscToc::TrackFrames(int number) const {
  for (size_t i = 0; i < tracks.size(); ++i) {
    if (tracks[i].number != number) continue;
    int32_t end = i + 1 < tracks.size() ? tracks[i + 1].startFrame : leadOutFrame;
    return end - tracks[i].startFrame;
  }
  return 0;
}

Msf MsfFromFrames(int32_t frames) {
  Msf msf;
  msf.minutes = frames / kFramesPerSecond / 60;
  msf.seconds = (frames / kFramesPerSecond) % 60;
  msf.frames = frames % kFramesPerSecond;
  return msf;
}

std::unique_ptr<CdDisc> CdDisc::Open(const std::string& source, std::string* error) {
  QuietLogging();
  if (source.empty()) {
    if (error) *error = "no CD drive or image";
    return nullptr;
  }
  CdIo_t* io = cdio_open(source.c_str(), DRIVER_UNKNOWN);
  if (io == nullptr) {
    if (error) *error = "cannot open " + source;
    return nullptr;
  }
  std::unique_ptr<CdDisc> disc(new CdDisc());
  disc->cdio_ = io;
  disc->source_ = source;
  disc->image_ = IsImageDriver(cdio_get_driver_id(io));
  if (!disc->ReadToc(error)) return nullptr;
  return disc;
}

CdDisc::~CdDisc() {
  if (cdio_ != nullptr) cdio_destroy(Io(cdio_));
}

bool CdDisc::ReadToc(std::string* error) {
  track_t first = cdio_get_first_track_num(Io(cdio_));
  track_t count = cdio_get_num_tracks(Io(cdio_));
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
    if (error) *error = "no disc in " + source_;
    return false;
  }
  toc_.firstTrack = first;
  toc_.lastTrack = first + count - 1;
  for (int number = toc_.firstTrack; number <= toc_.lastTrack; ++number) {
    TocTrack track;
    track.number = number;
    track.startFrame = cdio_get_track_lba(Io(cdio_), static_cast<track_t>(number));
    track.audio = cdio_get_track_format(Io(cdio_), static_cast<track_t>(number)) == TRACK_FORMAT_AUDIO;
    toc_.tracks.push_back(track);
  }
  toc_.leadOutFrame = cdio_get_track_lba(Io(cdio_), CDIO_CDROM_LEADOUT_TRACK);
  if (toc_.leadOutFrame == CDIO_INVALID_LBA) {
    if (error) *error = "no lead-out on " + source_;
    return false;
  }
  return true;
}

std::string CdDisc::MediaCatalogNumber() const {
  char* mcn = cdio_get_mcn(Io(cdio_));
  if (mcn == nullptr) return {};
  std::string result(mcn);
  cdio_free(mcn);
  return result;
}

bool CdDisc::MediaChanged() const { return !image_ && cdio_get_media_changed(Io(cdio_)) == 1; }

bool CdDisc::ReadAudio(int32_t startFrame, int count, uint8_t* buffer) const {
  lsn_t lsn = startFrame - kLeadInFrames;
  return cdio_read_audio_sectors(Io(cdio_), buffer, lsn, static_cast<uint32_t>(count)) == DRIVER_OP_SUCCESS;
}

}  // namespace qh::cd
