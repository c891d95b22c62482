// The state-change events the players report to remote-control subscribers. The remote control installs
// the sink; until it has, the events go nowhere (a jukebox without a control port still plays).
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class tSong;

class CRemoteEventSink {
 public:
  virtual ~CRemoteEventSink() = default;
  virtual void FireVolumeChanged(int streamNumber, int volumePercent) = 0;
  virtual void FireSongChanged(int streamNumber, const tSong& song) = 0;
  virtual void FireSongPosChanged(int streamNumber, LONG positionMs) = 0;
  // state: "STOPPED", "PLAYING", "HW-PAUSED" or "PAUSED"
  virtual void FirePlayerStateChanged(int streamNumber, const CString& state) = 0;
};

// Installs the sink (nullptr removes it); returns the previous one.
CRemoteEventSink* SetRemoteEventSink(CRemoteEventSink* sink);

void FireVolumeChanged(int streamNumber, int volumePercent);
void FireSongChanged(int streamNumber, const tSong& song);
void FireSongPosChanged(int streamNumber, LONG positionMs);
void FirePlayerStateChanged(int streamNumber, const CString& state);
