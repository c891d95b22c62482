// Inside the controls: each control keeps its state object in a window slot of its own, tells its
// parent what happened with WM_COMMAND, and paints with the brush and font its parent chooses.
#pragma once

#include <string>
#include <vector>

#include "platform/core/Cp1252.h"

#include "platform/ui/Controls.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/gdi/Gdi.h"

namespace qh::ui {

constexpr int kStateSlot = 0x7FFF0000;  // the control's state object, in a slot of its own

template <class State>
inline State* StateOf(HWND hWnd) {
  return reinterpret_cast<State*>(GetWindowLongPtr(hWnd, kStateSlot));
}

template <class State>
inline State* AttachState(HWND hWnd) {
  auto* state = new State;
  SetWindowLongPtr(hWnd, kStateSlot, reinterpret_cast<LONG_PTR>(state));
  return state;
}

template <class State>
inline void DropState(HWND hWnd) {
  delete StateOf<State>(hWnd);
  SetWindowLongPtr(hWnd, kStateSlot, 0);
}

inline DWORD StyleOf(HWND hWnd) { return static_cast<DWORD>(GetWindowLongPtr(hWnd, GWL_STYLE)); }

inline void Notify(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (parent) SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code),
                          reinterpret_cast<LPARAM>(control));
}

inline std::string TextOf(HWND hWnd) {
  std::string text(static_cast<std::size_t>(GetWindowTextLength(hWnd)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowText(hWnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Paints with the brush and colours the parent chooses (WM_CTLCOLOR...), in the control's font.
struct ControlPaint {
  ControlPaint(HWND hWnd, UINT colorMessage) : hwnd(hWnd) {
    dc = BeginPaint(hWnd, &paint);
    GetClientRect(hWnd, &client);
    HWND parent = GetParent(hWnd);
    if (dc && parent)
      brush = reinterpret_cast<HBRUSH>(SendMessage(parent, colorMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hWnd)));
    if (!brush) brush = GetSysColorBrush(colorMessage == WM_CTLCOLORSTATIC || colorMessage == WM_CTLCOLORBTN ? COLOR_BTNFACE : COLOR_WINDOW);
    auto font = reinterpret_cast<HFONT>(SendMessage(hWnd, WM_GETFONT, 0, 0));
    if (dc) oldFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  }
  ~ControlPaint() {
    if (dc) SelectObject(dc, oldFont);
    EndPaint(hwnd, &paint);
  }
  HWND hwnd;
  PAINTSTRUCT paint;
  HDC dc = nullptr;
  RECT client;
  HBRUSH brush = nullptr;
  HGDIOBJ oldFont = nullptr;
};


// Sends a WM_NOTIFY from a common control to its parent; returns the parent's answer.
inline LRESULT NotifyParent(HWND control, NMHDR& header, UINT code) {
  header.hwndFrom = control;
  header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
  header.code = code;
  HWND parent = GetParent(control);
  return parent ? SendMessage(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header)) : 0;
}

// The search of list and combo boxes: the first item after `after` (wrapping round, from the top when
// `after` is -1 or past the end) whose text equals `text`, or begins with it, without case; -1 if none.
template <typename Items>
int FindItemText(const Items& items, WPARAM after, const char* text, bool exact) {
  if (!text || items.empty()) return -1;
  std::size_t count = items.size();
  std::size_t start = static_cast<INT_PTR>(after) < 0 || after >= count ? 0 : after + 1;
  std::string_view wanted = text;
  for (std::size_t n = 0; n < count; ++n) {
    std::size_t i = (start + n) % count;
    std::string_view candidate = items[i].text;
    bool match = exact ? Cp1252EqualNoCase(candidate, wanted)
                       : candidate.size() >= wanted.size() && Cp1252EqualNoCase(candidate.substr(0, wanted.size()), wanted);
    if (match) return static_cast<int>(i);
  }
  return -1;
}

// Registers a control's window class with the background colour it erases to.
inline void RegisterControlClass(const char* name, WNDPROC proc, UINT style, int background) {
  WNDCLASS wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(background + 1));
  RegisterClass(&wc);
}

// Tab stops given in dialog units (LB_SETTABSTOPS, EM_SETTABSTOPS) as pixel positions for
// TabbedTextOut: none means every 32 units, one means every that many, several are the stops.
std::vector<int> TabStopPixels(WPARAM count, const int* stops);
// Sets a control's stops from an LB_/EM_SETTABSTOPS request; FALSE when the request is malformed.
BOOL TakeTabStops(std::vector<int>& into, WPARAM count, LPARAM stops);

}  // namespace qh::ui
