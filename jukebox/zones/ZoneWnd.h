// The four zone windows: over the local engine CZoneWnd (normal look) and CTVZoneWnd (TV look), over
// the box engine CXSZoneWnd and CTVXSZoneWnd. Box zones step the volume by 5 in the normal look, have
// no plug-ins (the button stays disabled, command 602 does nothing) and a position thumb that only
// follows playback.
#pragma once

#include "jukebox/player/StreamWindow.h"
#include "jukebox/player/XSStreamWindow.h"
#include "jukebox/zones/ZoneWindow.h"

class CZoneWnd : public CZoneWindowT<CStreamWindow, CZoneLook> {
 public:
  CZoneWnd() : CZoneWindowT(ZoneLookOptions{2, false}) {}

 protected:
  void OnPluginsCommand() override;
};

class CTVZoneWnd : public CZoneWindowT<CStreamWindow, CTVZoneLook> {
 public:
  CTVZoneWnd() : CZoneWindowT(false) {}

 protected:
  void OnPluginsCommand() override;
};

class CXSZoneWnd : public CZoneWindowT<CXSStreamWindow, CZoneLook> {
 public:
  CXSZoneWnd() : CZoneWindowT(ZoneLookOptions{5, true}) {}
};

class CTVXSZoneWnd : public CZoneWindowT<CXSStreamWindow, CTVZoneLook> {
 public:
  CTVXSZoneWnd() : CZoneWindowT(true) {}
};

// Command 602 of a local zone: the plug-in chain of a loaded song, or message 61330 without one.
void RunLocalPluginsCommand(CStreamWindow& engine);
