// The renderers' sinks: the null device (keeps nothing), a WAVE file, and an SDL2 sound device.
#pragma once

#include <memory>
#include <string>

#include "platform/media/MediaStreams.h"

namespace qh::media {

std::unique_ptr<AudioSink> NewNullSink();
std::unique_ptr<AudioSink> NewWaveFileSink(const std::string& hostPath);
// An empty name opens the system's default output.
std::unique_ptr<AudioSink> NewSdlSink(const std::string& deviceName);

// Frees what SDL keeps for the calling thread. Every thread that fed a sink and that SDL did not start
// calls it as its last step: SDL frees a thread's data only when asked.
void ReleaseSoundThreadState();

}  // namespace qh::media
