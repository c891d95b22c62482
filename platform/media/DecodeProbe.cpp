#include "platform/media/DecodeProbe.h"

#include <vector>

#include "platform/media/MediaFilter.h"

namespace qh::media {

long ReadDecodedFrames(IPin* output, long frames) {
  CMediaPin* pin = AsMediaPin(output);
  if (pin == nullptr || pin->Direction() != PINDIR_OUTPUT) return E_POINTER;
  PcmSource* samples = pin->Owner().OutputSamples(*pin);
  if (samples == nullptr) return VFW_E_NOT_CONNECTED;
  const AudioFormat format = samples->Format();
  if (format.channels <= 0 || frames <= 0) return 0;
  std::vector<float> buffer(static_cast<size_t>(frames) * static_cast<size_t>(format.channels));
  long total = 0;
  while (total < frames) {
    const long got = samples->Read(buffer.data() + static_cast<size_t>(total) * format.channels, frames - total);
    if (got < 0) return total > 0 ? total : got;
    if (got == 0) break;
    total += got;
  }
  return total;
}

}  // namespace qh::media
