// The look's bridge to the zone window it draws: what the look asks of the window beyond the public
// player interface (the few engine members the zone windows write, the cover page's inputs and the
// engine-specific commands). It plays nothing itself; CZoneWindowT implements it over its engine class.
#pragma once

#include "jukebox/zones/CoverPage.h"
#include "platform/core/CString.h"

class CPlayerBase;

class CZoneWindowBridge {
 public:
  virtual CPlayerBase& Player() = 0;
  virtual void SetCurrentIndex(LONG index) = 0;
  // A volume drag ends muting: the saved volume is forgotten.
  virtual void ForgetSavedVolume() = 0;
  virtual void SetCurrentPlaylistName(const CString& name) = 0;
  virtual CoverSources GetCoverSources() = 0;
  // "StreamWindow" or "XSStreamWindow".
  virtual const char* ZoneLogSource() const = 0;
  // Command 602: the local engine's plug-in chain (box zones do nothing).
  virtual void OnPluginsCommand() = 0;

 protected:
  ~CZoneWindowBridge() = default;
};
