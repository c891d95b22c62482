#include "jukebox/app/services/JukeboxServices.h"

#include <atomic>

#include "jukebox/app/services/RemoteEvents.h"

namespace {
std::atomic<CJukeboxServices*> installedServices{nullptr};
// Players fire events from the user-interface thread, but a sink may be swapped while a test tears down.
std::atomic<CRemoteEventSink*> installedSink{nullptr};
}  // namespace

CJukeboxServices* JukeboxServices() { return installedServices.load(); }

CJukeboxServices* SetJukeboxServices(CJukeboxServices* services) { return installedServices.exchange(services); }

CRemoteEventSink* SetRemoteEventSink(CRemoteEventSink* sink) { return installedSink.exchange(sink); }

void FireVolumeChanged(int streamNumber, int volumePercent) {
  if (CRemoteEventSink* sink = installedSink.load()) sink->FireVolumeChanged(streamNumber, volumePercent);
}

void FireSongChanged(int streamNumber, const tSong& song) {
  if (CRemoteEventSink* sink = installedSink.load()) sink->FireSongChanged(streamNumber, song);
}

void FireSongPosChanged(int streamNumber, LONG positionMs) {
  if (CRemoteEventSink* sink = installedSink.load()) sink->FireSongPosChanged(streamNumber, positionMs);
}

void FirePlayerStateChanged(int streamNumber, const CString& state) {
  if (CRemoteEventSink* sink = installedSink.load()) sink->FirePlayerStateChanged(streamNumber, state);
}
