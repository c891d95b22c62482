// Inside the window manager: the record behind each window handle, the class table and the queue of
// each user-interface thread. Only the layer's own files include this header.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/WinUser.h"
#include "platform/ui/gdi/Region.h"
#include "platform/ui/gdi/Surface.h"

namespace qh::ui {

class ThreadQueue;

struct WindowClassRecord {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  int windowExtraBytes = 0;
};

struct WindowRecord {
  HWND handle = nullptr;
  std::shared_ptr<ThreadQueue> queue;  // the owning thread's queue
  DWORD threadId = 0;
  std::shared_ptr<const WindowClassRecord> windowClass;
  WNDPROC proc = nullptr;
  HWND parent = nullptr;  // child windows only
  HWND owner = nullptr;   // top-level windows only
  std::vector<HWND> children;  // top of the z-order first
  DWORD style = 0;
  DWORD exStyle = 0;
  UINT id = 0;
  HINSTANCE instance = nullptr;
  std::string text;
  RECT rect;  // whole window: parent client coordinates for children, screen for top-level windows
  RECT normalRect;  // where a maximised or minimised window returns on SW_RESTORE
  LONG_PTR userData = 0;
  std::map<int, LONG_PTR> extraSlots;  // dialog slots (DWLP_*) and cbWndExtra offsets
  HRGN windowRegion = nullptr;         // owned by the window once set (SetWindowRgn)
  HFONT font = nullptr;
  SCROLLINFO scroll[2];  // SB_HORZ, SB_VERT
  HICON icons[2] = {nullptr, nullptr};
  bool destroying = false;
  bool created = false;
  // Painting: the part of the client area that needs WM_PAINT, and whether to erase it first.
  qh::gdi::Region update;
  bool eraseNeeded = false;
  bool frameNeeded = true;  // the non-client frame must be drawn again
  // Top-level windows own the pixels of themselves and of all their children.
  std::unique_ptr<qh::gdi::Surface> surface;
};
using WindowPtr = std::shared_ptr<WindowRecord>;

// A message that another thread sent and waits for.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
  std::weak_ptr<ThreadQueue> sender;
};
// Hands the result back to the waiting sender.
void AnswerSend(SentMessage& sent, LRESULT result);

struct TimerRecord {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  std::chrono::steady_clock::time_point due;
};

// The message queue of one user-interface thread. Posting and sending are guarded by `lock`; the
// owner thread alone retrieves.
class ThreadQueue {
 public:
  explicit ThreadQueue(DWORD threadId) : threadId(threadId) {}
  const DWORD threadId;

  std::mutex lock;
  std::condition_variable wake;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  bool quitPosted = false;
  int quitCode = 0;
  bool alive = true;
  std::vector<TimerRecord> timers;
  UINT_PTR nextThreadTimerId = 0x7FFF;  // ids of window-less timers count upwards from here

  // Owner-thread state.
  int sendDepth = 0;  // >0 while handling a message sent by another thread
  DWORD lastMessageTime = 0;
};

// ---- Shared tables (WindowManager.cpp) ------------------------------------------------------------
// Called once with the handle of the next window the calling thread creates, before WM_NCCREATE: the
// framework attaches its window object there so that it sees the creation messages.
void SetCreationHook(std::function<void(HWND)> hook);

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();
std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId);
WindowPtr FindWindow(HWND hwnd);
// The record of a live window of the calling thread, or null (with ERROR_INVALID_WINDOW_HANDLE).
WindowPtr OwnWindow(HWND hwnd);
// Every live window of the calling thread (top-level windows with their children).
std::vector<WindowPtr> WindowsOfThread(DWORD threadId);
// Top-level windows of every thread, top of the z-order first.
std::vector<HWND> TopLevelWindows();
// Changes the z-order of top-level windows under the table lock.
void ReorderTopLevel(const std::function<void(std::vector<HWND>&)>& change);

// Runs the window's procedure on the calling thread.
LRESULT CallProcedure(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam);
// Handles every message that other threads sent to the calling thread.
void ServeIncomingSends(ThreadQueue& queue);

// Geometry helpers shared by painting and hit testing.
RECT ClientRectInWindow(const WindowRecord& window);  // the client area in window coordinates
POINT WindowOriginOnScreen(const WindowRecord& window);
WindowPtr TopLevelOf(const WindowPtr& window);
bool IsDesktop(HWND hWnd);
// Moves the window to the top of its siblings (insertAfter HWND_TOP or null), to the bottom
// (HWND_BOTTOM), or below `insertAfter`.
void RaiseInZOrder(const WindowPtr& window, HWND insertAfter);
// Tells the window its place or visibility changed (WM_WINDOWPOSCHANGED with SWP_ flags).
void SendPositionChanged(const WindowPtr& window, UINT flags);

// Painting state.
void MarkWholeTreeForPaint(const WindowPtr& window);
bool NextWindowNeedingPaintExists(DWORD threadId);
// A window appeared, vanished, moved or changed size: what it covers and covered is painted again.
void InvalidateAfterGeometryChange(const WindowPtr& window);
WindowPtr NextWindowNeedingPaint(DWORD threadId);
void EnsureSurface(const WindowPtr& topLevel);

// The clock of queues and timers; GetTickCount-style milliseconds.
DWORD TickNow();

}  // namespace qh::ui
