#include "platform/cd/DiscId.h"

namespace qh::cd {
namespace {

int DigitSum(int value) {
  int sum = 0;
  for (; value > 0; value /= 10) sum += value % 10;
  return sum;
}

}  // namespace

uint32_t CddbDiscId(const DiscToc& toc) {
  if (toc.tracks.empty()) return 0;
  int checksum = 0;
  for (const TocTrack& track : toc.tracks) checksum += DigitSum(track.startFrame / kFramesPerSecond);
  uint32_t seconds = static_cast<uint32_t>(toc.leadOutFrame / kFramesPerSecond -
                                           toc.tracks.front().startFrame / kFramesPerSecond);
  return (static_cast<uint32_t>(checksum % 255) << 24) | (seconds << 8) |
         static_cast<uint32_t>(toc.tracks.size());
}

}  // namespace qh::cd
