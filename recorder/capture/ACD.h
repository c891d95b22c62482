// CACD: the window of the CD-extraction control, through which the rip dialogs rip tracks. The control
// is built in (platform/cd/CdExtractionControl.h); its window class is registered under the control's
// class id text, so a dialog template that places "{9F5F61C9-83A0-11D2-A800-00A0CC20D781}" gets it,
// and CACD binds to that window by subclassing (or makes one itself with Create). Methods go to the
// control by dispatch id. The control's events, raised on its extraction thread, are posted to its
// window and reach the event sink on the window's thread, in order.
#pragma once

#include <functional>

#include "platform/com/ComTypes.h"
#include "platform/ui/AfxWin.h"

namespace qh::cd {
class CdExtractionControl;
}

#define CD_EXTRACTION_CONTROL_CLASS "{9F5F61C9-83A0-11D2-A800-00A0CC20D781}"

// Registers the control's window class (once; later calls do nothing).
void RegisterCdExtractionControlClass();

class CACD : public CWnd {
 public:
  using EventSink = std::function<void(DISPID event, LONG value)>;

  // Creates the control window as a child of `parent`.
  BOOL Create(LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // Events 2 (track done), 3 (progress 0..1000), 4 (running), 5 (stopped) of this control.
  void SetEventSink(EventSink sink);

  SHORT DispMethod4(SHORT driveIndex);
  SHORT DispMethod34(SHORT copyType);
  LONG DispMethod16(SHORT track);
  LONG DispMethod17(SHORT track);
  SHORT ExtractTrack(SHORT track, LPCSTR path);
  SHORT DispMethod14();

 private:
  qh::cd::CdExtractionControl* Control() const;
  VARIANT Call(DISPID dispId, VARIANT* args, UINT count);
};
