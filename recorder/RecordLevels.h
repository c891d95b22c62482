// The levels of one captured buffer of 16-bit PCM: per channel the peak and the mean absolute sample in
// decibels, and the meter's percent of a peak. Kept apart from the recording dialog so the arithmetic
// that decides auto-start and auto-stop is tested on its own.
#pragma once

#include <cstddef>
#include <cstdint>

struct tBufferLevels {
  double peakDb[2] = {0, 0};
  double meanDb[2] = {0, 0};
};

// Decibels of a sample magnitude as the meter counts them: 20 x log10(value / 32767) + 3. Silence has
// no logarithm, so zero (and anything below one step) reads as the floor instead.
inline constexpr double kSilenceFloorDb = -100.0;
double DecibelsOf(long magnitude);

// Levels of `bytes` bytes of interleaved 16-bit samples (left, right for stereo; a mono buffer gives
// both channels the same values). The mean of a channel is the sum of its magnitudes over its own
// sample count, so a trigger level means the same loudness in mono and in stereo.
tBufferLevels MeasureBuffer(const uint8_t* data, size_t bytes, int channels);

// The meter's percent of a peak: (peak dB - 3 + 25) x 4, truncated; 0 when that falls outside 0..100.
int MeterPercentOf(double peakDb);
