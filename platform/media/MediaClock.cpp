#include "platform/media/MediaClock.h"

#include <cstdlib>

namespace qh::media {

double ClockRate() {
  const char* text = std::getenv("QH_CLOCK_RATE");
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  const double rate = std::strtod(text, &end);
  return (end != text && rate > 0.0 && rate <= 100000.0) ? rate : 1.0;
}

}  // namespace qh::media
