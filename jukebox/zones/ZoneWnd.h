// The zone windows over the local engine: CZoneWnd (normal look) and CTVZoneWnd (TV look). The box
// engine's pair, CXSZoneWnd and CTVXSZoneWnd, join when that engine is part of the build.
#pragma once

#include "jukebox/player/StreamWindow.h"
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

// Command 602 of a local zone: the plug-in chain of a loaded song, or message 61330 without one.
void RunLocalPluginsCommand(CStreamWindow& engine);
