// The CDDB (freedb) disc id of a table of contents: the digit sums of the track starts in seconds,
// the playing time in seconds and the track count, packed as ((sum mod 255) << 24) | (seconds << 8)
// | count.
#pragma once

#include <cstdint>

#include "platform/cd/CdDisc.h"

namespace qh::cd {

uint32_t CddbDiscId(const DiscToc& toc);

}  // namespace qh::cd
