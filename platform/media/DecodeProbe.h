// Decoding the first samples of a source chain that ends in a pin of decoded samples, outside any
// running graph: a player finds out that a file opens but cannot be played before it stops the song
// that is playing for it.
#pragma once

#include "platform/media/DShow.h"

namespace qh::media {

// Reads up to `frames` decoded frames from `output`, the last output pin of a chain that is connected
// upstream and to nothing downstream (the samples are read and dropped). The frames read (0 when the
// stream holds none), or a failure HRESULT: E_POINTER for a pin of another kind, VFW_E_NOT_CONNECTED
// when the pin offers no decoded samples, or the decoder's own failure.
long ReadDecodedFrames(IPin* output, long frames);

}  // namespace qh::media
