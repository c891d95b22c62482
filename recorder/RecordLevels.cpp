#include "recorder/RecordLevels.h"

#include <cmath>
#include <cstdlib>

double DecibelsOf(long magnitude) {
  if (magnitude < 1) return kSilenceFloorDb;
  return 20.0 * std::log10(static_cast<double>(magnitude) / 32767.0) + 3.0;
}

tBufferLevels MeasureBuffer(const uint8_t* data, size_t bytes, int channels) {
  tBufferLevels levels;
  const int stride = channels == 2 ? 2 : 1;
  const size_t samples = bytes / 2;
  const size_t frames = samples / static_cast<size_t>(stride);
  long peak[2] = {0, 0};
  long long sum[2] = {0, 0};
  for (size_t frame = 0; frame < frames; ++frame) {
    for (int channel = 0; channel < stride; ++channel) {
      size_t at = (frame * static_cast<size_t>(stride) + static_cast<size_t>(channel)) * 2;
      auto sample = static_cast<int16_t>(static_cast<uint16_t>(data[at] | (data[at + 1] << 8)));
      long magnitude = std::labs(static_cast<long>(sample));
      if (magnitude > peak[channel]) peak[channel] = magnitude;
      sum[channel] += magnitude;
    }
  }
  for (int channel = 0; channel < 2; ++channel) {
    int source = stride == 2 ? channel : 0;
    long mean = frames > 0 ? static_cast<long>(sum[source] / static_cast<long long>(frames)) : 0;
    levels.peakDb[channel] = DecibelsOf(peak[source]);
    levels.meanDb[channel] = DecibelsOf(mean);
  }
  return levels;
}

int MeterPercentOf(double peakDb) {
  double percent = (peakDb - 3.0 + 25.0) * 4.0;
  // A full-scale negative sample (-32768) reads a hair above 100: the top of the scale, not off it.
  if (percent >= 100.0 && percent < 100.01) return 100;
  if (percent < 0.0 || percent > 100.0) return 0;
  return static_cast<int>(percent);
}
