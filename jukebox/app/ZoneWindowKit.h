// What the application and the main window do with zone windows, in one place: make the right class for
// a zone, configure it, and call the zone operations. The zone windows are at the same time their zones'
// players; the kit hides which classes those are, so a build without them still starts and says so.
#pragma once

#include <set>

#include "platform/core/CString.h"
#include "platform/ui/AfxWin.h"

class CZoneWindowKit {
 public:
  virtual ~CZoneWindowKit() = default;

  // Empty when the zone windows are part of the program; else which part is missing, for the log.
  virtual CString MissingPart() const = 0;
  // A zone window object of the class for the layout and the device kind (not yet created), or nullptr.
  virtual CWnd* Construct(bool tvLayout, bool exstreamer) = 0;
  // SetStreamNumber, SetStreamName and SetDeviceName, in that order.
  virtual void Configure(CWnd* zone, int streamNumber, const CString& description, const CString& device) = 0;
  virtual void Delete(CWnd* zone) = 0;

  virtual LONG GetCurrentSongId(CWnd* zone) = 0;
  virtual bool IsExstreamer(CWnd* zone) = 0;
  virtual void GetStateMap(CWnd* zone, std::set<LONG>& sources) = 0;
  virtual void SetStateMap(CWnd* zone, const std::set<LONG>& sources) = 0;
  // Starts shutting the player down; it posts 0x4C8 to `notify` when it has.
  virtual BOOL Shutdown(CWnd* zone, CWnd* notify) = 0;
  virtual void SetStatusText(CWnd* zone, const CString& text) = 0;
};

// The kit of this build (the zone windows when they are built in).
CZoneWindowKit& ZoneWindowKit();
// Replaces the kit (tests); nullptr goes back to the build's own. Returns the previous replacement.
CZoneWindowKit* SetZoneWindowKit(CZoneWindowKit* kit);
// An Exstreamer zone's device: longer than 5 characters and beginning with exactly "__XS:".
bool IsExstreamerDevice(const CString& device);
