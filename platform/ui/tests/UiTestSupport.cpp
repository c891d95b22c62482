#include "platform/ui/tests/UiTestSupport.h"

#include <map>

namespace qh::ui::test {
namespace {
std::map<HWND, RecordingWindow*>& Owners() {
  static std::map<HWND, RecordingWindow*> owners;
  return owners;
}
RecordingWindow* g_creating = nullptr;
const char* RecordingClass() {
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc;
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      RecordingWindow* owner = nullptr;
      auto it = Owners().find(h);
      if (it != Owners().end()) {
        owner = it->second;
      } else if (g_creating) {
        owner = g_creating;
        Owners()[h] = owner;
      }
      if (!owner) return DefWindowProc(h, m, w, l);
      owner->received.push_back(Received{h, m, w, l});
      LRESULT result = 0;
      if (owner->react && owner->react(m, w, l, result)) return result;
      if (m == WM_NCDESTROY) Owners().erase(h);
      return DefWindowProc(h, m, w, l);
    };
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = "QhRecordingWindow";
    RegisterClass(&wc);
    registered = true;
  }
  return "QhRecordingWindow";
}
}  // namespace

RecordingWindow::RecordingWindow(HWND parent, DWORD style) {
  g_creating = this;
  hwnd_ = CreateWindowEx(0, RecordingClass(), "recording", style | (parent ? WS_CHILD : 0), 0, 0, 200, 100, parent,
                         nullptr, nullptr, nullptr);
  g_creating = nullptr;
}

RecordingWindow::~RecordingWindow() {
  if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  Owners().erase(hwnd_);
}

std::vector<UINT> RecordingWindow::MessagesOf(UINT first, UINT last) const {
  std::vector<UINT> result;
  for (const Received& r : received)
    if (r.message >= first && r.message <= last) result.push_back(r.message);
  return result;
}

int RecordingWindow::Count(UINT message) const {
  int count = 0;
  for (const Received& r : received) count += r.message == message;
  return count;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  // A wake-up timer keeps GetMessage from sleeping past the limit.
  UINT_PTR tick = SetTimer(nullptr, 0, 10, nullptr);
  bool reached = done();
  while (!reached && std::chrono::steady_clock::now() < end) {
    MSG msg;
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!PreTranslateThroughFramework(&msg)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    reached = done();
  }
  KillTimer(nullptr, tick);
  return reached;
}

void PumpPending() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!PreTranslateThroughFramework(&msg)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
}

}  // namespace qh::ui::test
