#include "recorder/capture/ACD.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/cd/CdExtractionControl.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

namespace {

constexpr UINT kEventMessage = WM_APP + 0x113;

struct ControlSlot {
  std::unique_ptr<qh::cd::CdExtractionControl> control;
  CACD::EventSink sink;
};

// The control objects by window; touched on the windows' thread, read by the posting threads only
// through the window handle they captured.
std::mutex g_slotsLock;
std::map<HWND, std::shared_ptr<ControlSlot>> g_slots;

std::shared_ptr<ControlSlot> SlotOf(HWND window) {
  std::lock_guard<std::mutex> guard(g_slotsLock);
  auto found = g_slots.find(window);
  return found == g_slots.end() ? nullptr : found->second;
}

LRESULT ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      auto slot = std::make_shared<ControlSlot>();
      slot->control = std::make_unique<qh::cd::CdExtractionControl>();
      // Raised on the extraction thread: only a post crosses to the window's thread.
      slot->control->SetEventSink([window](DISPID event, LONG value) {
        PostMessage(window, kEventMessage, static_cast<WPARAM>(event), static_cast<LPARAM>(value));
      });
      std::lock_guard<std::mutex> guard(g_slotsLock);
      g_slots[window] = slot;
      return TRUE;
    }
    case kEventMessage: {
      std::shared_ptr<ControlSlot> slot = SlotOf(window);
      if (slot && slot->sink) slot->sink(static_cast<DISPID>(wParam), static_cast<LONG>(lParam));
      return 0;
    }
    case WM_NCDESTROY: {
      std::shared_ptr<ControlSlot> slot;
      {
        std::lock_guard<std::mutex> guard(g_slotsLock);
        auto found = g_slots.find(window);
        if (found != g_slots.end()) {
          slot = found->second;
          g_slots.erase(found);
        }
      }
      if (slot) slot->control->Stop();
      return 0;
    }
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace

void RegisterCdExtractionControlClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = ControlWindowProc;
    windowClass.lpszClassName = CD_EXTRACTION_CONTROL_CLASS;
    RegisterClass(&windowClass);
  });
}

BOOL CACD::Create(LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  RegisterCdExtractionControlClass();
  return CWnd::Create(CD_EXTRACTION_CONTROL_CLASS, windowName, style, rect, parent, id);
}

void CACD::SetEventSink(EventSink sink) {
  std::shared_ptr<ControlSlot> slot = SlotOf(GetSafeHwnd());
  if (slot) slot->sink = std::move(sink);
}

qh::cd::CdExtractionControl* CACD::Control() const {
  std::shared_ptr<ControlSlot> slot = SlotOf(GetSafeHwnd());
  return slot ? slot->control.get() : nullptr;
}

VARIANT CACD::Call(DISPID dispId, VARIANT* args, UINT count) {
  VARIANT result;
  qh::cd::CdExtractionControl* control = Control();
  DISPPARAMS params{args, nullptr, count, 0};
  if (control == nullptr || control->Invoke(dispId, &params, &result) != S_OK) {
    // No control behind the window: the drive cannot be used.
    result.vt = VT_I2;
    result.iVal = qh::cd::CdExtractionControl::kErrorDriveInUse;
  }
  return result;
}

SHORT CACD::DispMethod4(SHORT driveIndex) {
  ScopedVariant index(static_cast<LONG>(driveIndex));
  return Call(4, &index.get(), 1).iVal;
}

SHORT CACD::DispMethod34(SHORT copyType) {
  ScopedVariant type(static_cast<LONG>(copyType));
  return Call(34, &type.get(), 1).iVal;
}

LONG CACD::DispMethod16(SHORT track) {
  ScopedVariant number(static_cast<LONG>(track));
  VARIANT result = Call(16, &number.get(), 1);
  return result.vt == VT_I4 ? result.lVal : -1;
}

LONG CACD::DispMethod17(SHORT track) {
  ScopedVariant number(static_cast<LONG>(track));
  VARIANT result = Call(17, &number.get(), 1);
  return result.vt == VT_I4 ? result.lVal : -1;
}

SHORT CACD::ExtractTrack(SHORT track, LPCSTR path) {
  VARIANT args[2];  // in reverse order: the path, then the track
  args[0].vt = VT_BSTR;
  args[0].bstrVal = AnsiToBstr(path);
  args[1].vt = VT_I2;
  args[1].iVal = track;
  SHORT result = Call(6, args, 2).iVal;
  SysFreeString(args[0].bstrVal);
  return result;
}

SHORT CACD::DispMethod14() { return Call(14, nullptr, 0).iVal; }
