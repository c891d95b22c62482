// The players' pseudo-random numbers: a seedable generator of 15-bit values (0 to 32767), as the
// shuffle and the picture choices expect, and the index draw they share.
#pragma once

#include <cstdint>

class CShuffleRandom {
 public:
  static constexpr int kMax = 32767;

  void Seed(std::uint32_t seed) { m_state = seed; }
  // The next value, 0 to 32767.
  int Next() {
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFFu);
  }
  // An index from 0 to count - 1 drawn as (count / 32767.0) x value; the draw of 32767 itself would
  // give count, which is held at count - 1. Count 0 or less gives 0.
  int DrawIndex(int count) { return IndexOf(count, Next()); }
  static int IndexOf(int count, int value) {
    if (count <= 0) return 0;
    const int index = static_cast<int>(count * (1.0 / 32767.0) * value);
    return index >= count ? count - 1 : (index < 0 ? 0 : index);
  }

 private:
  std::uint32_t m_state = 1;
};
