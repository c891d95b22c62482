// The renderers' sinks: the null device (keeps nothing), a WAVE file, and an SDL2 sound device.
#pragma once

#include <memory>
#include <string>

#include "platform/media/MediaStreams.h"

namespace qh::media {

std::unique_ptr<AudioSink> NewNullSink();
std::unique_ptr<AudioSink> NewWaveFileSink(const std::string& hostPath);
std::unique_ptr<AudioSink> NewSdlSink(const std::string& deviceName);

}  // namespace qh::media
