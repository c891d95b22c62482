// Posting, sending and retrieving messages, and the timers of each user-interface thread.
//
// Retrieval order follows the platform: messages sent by other threads are handled first, then
// posted messages in order, then WM_QUIT, then WM_PAINT for a window that needs painting, and WM_TIMER
// last, so a busy queue delays timers but never loses them.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/core/DateTime.h"
#include "platform/core/Thread.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/Input.h"
#include "platform/ui/UiTesting.h"
#include "platform/ui/WindowRecord.h"

namespace qh::ui {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDefaultTimerLimit = 10000;
constexpr auto kDisplayPollInterval = std::chrono::milliseconds(10);
std::atomic<std::size_t> g_timerLimit{kDefaultTimerLimit};

bool Matches(const MSG& msg, HWND filter, UINT first, UINT last) {
  if (filter == reinterpret_cast<HWND>(-1)) {
    if (msg.hwnd) return false;
  } else if (filter && msg.hwnd != filter && !IsChild(filter, msg.hwnd)) {
    return false;
  }
  if (first == 0 && last == 0) return true;
  return msg.message >= first && msg.message <= last;
}

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

MSG Stamp(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = TickNow();
  msg.pt = CursorPosition();
  return msg;
}

bool PushPosted(const std::shared_ptr<ThreadQueue>& queue, const MSG& msg) {
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    if (!queue->alive) return false;
    queue->posted.push_back(msg);
  }
  queue->wake.notify_all();
  return true;
}

// Takes the first posted message that matches; messages for windows destroyed since they were posted
// are dropped on the way (their parameters belong to whoever posted them).
bool TakePosted(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  std::lock_guard<std::mutex> guard(queue.lock);
  for (auto it = queue.posted.begin(); it != queue.posted.end();) {
    if (it->hwnd && !IsWindow(it->hwnd)) {
      it = queue.posted.erase(it);
      continue;
    }
    if (Matches(*it, filter, first, last)) {
      *out = *it;
      if (remove) queue.posted.erase(it);
      return true;
    }
    ++it;
  }
  return false;
}

bool TakeQuit(ThreadQueue& queue, MSG* out, UINT first, UINT last, bool remove) {
  std::lock_guard<std::mutex> guard(queue.lock);
  if (!queue.quitPosted || !InRange(WM_QUIT, first, last)) return false;
  *out = Stamp(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
  if (remove) queue.quitPosted = false;
  return true;
}

bool TakePaint(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last) {
  if (!InRange(WM_PAINT, first, last)) return false;
  WindowPtr window = NextWindowNeedingPaint(queue.threadId);
  if (!window) return false;
  MSG msg = Stamp(window->handle, WM_PAINT, 0, 0);
  if (!Matches(msg, filter, first, last)) return false;
  *out = msg;
  return true;
}

bool TakeTimer(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  if (!InRange(WM_TIMER, first, last)) return false;
  std::lock_guard<std::mutex> guard(queue.lock);
  auto now = Clock::now();
  TimerRecord* earliest = nullptr;
  for (TimerRecord& timer : queue.timers) {
    if (timer.due > now) continue;
    MSG probe;
    probe.hwnd = timer.hwnd;
    probe.message = WM_TIMER;
    if (!Matches(probe, filter, first, last)) continue;
    if (!earliest || timer.due < earliest->due) earliest = &timer;
  }
  if (!earliest) return false;
  *out = Stamp(earliest->hwnd, WM_TIMER, earliest->id, reinterpret_cast<LPARAM>(earliest->proc));
  if (remove) earliest->due = now + std::chrono::milliseconds(earliest->elapse);
  return true;
}

bool Retrieve(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  ServeIncomingSends(queue);
  const bool display = DisplayActive();
  if (display) {
    PumpDisplayInput();
    FlushDisplayPresents(false);
  }
  if (TakePosted(queue, out, filter, first, last, remove)) return true;
  // Raw input is routed one event at a time; what it posts comes out next.
  while (RouteOneRawInput())
    if (TakePosted(queue, out, filter, first, last, remove)) return true;
  if (TakeQuit(queue, out, first, last, remove)) return true;
  if (TakePaint(queue, out, filter, first, last)) return true;
  if (TakeTimer(queue, out, filter, first, last, remove)) return true;
  // Nothing left to do now: what was painted goes to the screen in one present.
  if (display) FlushDisplayPresents(true);
  return false;
}

// Sleeps until something may have arrived: a post, a send, or the next timer's time.
void WaitForWork(ThreadQueue& queue) {
  if (HasRawInput()) return;
  std::unique_lock<std::mutex> lock(queue.lock);
  if (!queue.posted.empty() || !queue.incoming.empty() || queue.quitPosted) return;
  if (NextWindowNeedingPaintExists(queue.threadId)) return;
  auto next = Clock::time_point::max();
  for (const TimerRecord& timer : queue.timers) next = std::min(next, timer.due);
  // A display delivers input without waking the queue: look again soon.
  if (DisplayActive()) next = std::min(next, Clock::now() + kDisplayPollInterval);
  if (next == Clock::time_point::max()) {
    queue.wake.wait(lock);
  } else if (next > Clock::now()) {
    queue.wake.wait_until(lock, next);
  }
}

}  // namespace

DWORD TickNow() { return GetTickCount(); }

void ServeIncomingSends(ThreadQueue& queue) {
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard<std::mutex> guard(queue.lock);
      if (queue.incoming.empty()) return;
      sent = queue.incoming.front();
      queue.incoming.pop_front();
    }
    LRESULT result = 0;
    if (WindowPtr window = FindWindow(sent->hwnd)) {
      ++queue.sendDepth;
      result = CallProcedure(window, sent->message, sent->wParam, sent->lParam);
      --queue.sendDepth;
    }
    AnswerSend(*sent, result);
  }
}

BOOL PostMessageFirst(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return FALSE;
  {
    std::lock_guard<std::mutex> guard(window->queue->lock);
    if (!window->queue->alive) return FALSE;
    window->queue->posted.push_front(Stamp(hWnd, message, wParam, lParam));
  }
  window->queue->wake.notify_all();
  return TRUE;
}

namespace testing {
void SetTimerLimit(std::size_t limit) { g_timerLimit = limit; }
void ResetTimerLimit() { g_timerLimit = kDefaultTimerLimit; }
}  // namespace testing

}  // namespace qh::ui

using namespace qh::ui;

// ---- Posting ---------------------------------------------------------------------------------------
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!hWnd) return PostThreadMessage(GetCurrentThreadId(), message, wParam, lParam);
  WindowPtr window = FindWindow(hWnd);
  if (!window || window->destroying || !PushPosted(window->queue, Stamp(hWnd, message, wParam, lParam))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> queue =
      threadId == GetCurrentThreadId() ? CurrentQueue() : QueueOfThread(threadId);
  if (!queue || !PushPosted(queue, Stamp(nullptr, message, wParam, lParam))) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(queue->lock);
  queue->quitPosted = true;
  queue->quitCode = exitCode;
}

// ---- Sending ---------------------------------------------------------------------------------------
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto own = CurrentQueue();
  if (window->queue == own) return CallProcedure(window, message, wParam, lParam);

  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = hWnd;
  sent->message = message;
  sent->wParam = wParam;
  sent->lParam = lParam;
  sent->sender = own;
  {
    std::lock_guard<std::mutex> guard(window->queue->lock);
    if (!window->queue->alive) return 0;
    window->queue->incoming.push_back(sent);
  }
  window->queue->wake.notify_all();
  // While waiting, answer whatever the other side (or anyone) sends us, so two threads sending to
  // each other do not deadlock.
  std::unique_lock<std::mutex> lock(own->lock);
  while (!sent->done) {
    if (!own->incoming.empty()) {
      lock.unlock();
      ServeIncomingSends(*own);
      lock.lock();
      continue;
    }
    own->wake.wait(lock);
  }
  return sent->result;
}

BOOL InSendMessage() { return CurrentQueue()->sendDepth > 0 ? TRUE : FALSE; }

// ---- Retrieving ------------------------------------------------------------------------------------
BOOL GetMessage(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  if (hWnd && hWnd != reinterpret_cast<HWND>(-1) && !IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  auto queue = CurrentQueue();
  while (!Retrieve(*queue, msg, hWnd, filterMin, filterMax, true)) WaitForWork(*queue);
  queue->lastMessageTime = msg->time;
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessage(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (!msg) return FALSE;
  auto queue = CurrentQueue();
  if (!Retrieve(*queue, msg, hWnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0)) return FALSE;
  if (removeMsg & PM_REMOVE) queue->lastMessageTime = msg->time;
  return TRUE;
}

BOOL WaitMessage() {
  auto queue = CurrentQueue();
  MSG probe;
  if (!Retrieve(*queue, &probe, nullptr, 0, 0, false)) WaitForWork(*queue);
  return TRUE;
}

DWORD GetMessageTime() { return CurrentQueue()->lastMessageTime; }

DWORD GetQueueStatus(UINT) {
  auto queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(queue->lock);
  return queue->posted.empty() ? 0u : 1u;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, static_cast<UINT_PTR>(msg->wParam), TickNow());
    return 0;
  }
  if (!msg->hwnd) return 0;
  WindowPtr window = OwnWindow(msg->hwnd);
  if (!window) return 0;
  LRESULT result = CallProcedure(window, msg->message, msg->wParam, msg->lParam);
  // A window procedure that ignored WM_PAINT must not get it again and again.
  if (msg->message == WM_PAINT) ValidateRect(msg->hwnd, nullptr);
  return result;
}

// ---- Timers ----------------------------------------------------------------------------------------
UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (hWnd && !OwnWindow(hWnd)) return 0;
  auto queue = CurrentQueue();
  elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  std::lock_guard<std::mutex> guard(queue->lock);
  auto existing = std::find_if(queue->timers.begin(), queue->timers.end(),
                               [&](const TimerRecord& t) { return hWnd && t.hwnd == hWnd && t.id == id; });
  if (!hWnd) {
    existing = std::find_if(queue->timers.begin(), queue->timers.end(),
                            [&](const TimerRecord& t) { return !t.hwnd && t.id == id && id != 0; });
  }
  if (existing == queue->timers.end()) {
    if (queue->timers.size() >= g_timerLimit.load()) {
      SetLastError(ERROR_NO_SYSTEM_RESOURCES);
      return 0;
    }
    TimerRecord timer;
    timer.hwnd = hWnd;
    timer.id = hWnd ? id : ++queue->nextThreadTimerId;
    queue->timers.push_back(timer);
    existing = queue->timers.end() - 1;
  }
  existing->elapse = elapse;
  existing->proc = proc;
  existing->due = std::chrono::steady_clock::now() + std::chrono::milliseconds(elapse);
  return hWnd && id == 0 ? 1 : existing->id;
}

BOOL KillTimer(HWND hWnd, UINT_PTR id) {
  auto queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(queue->lock);
  auto removed = std::erase_if(queue->timers, [&](const TimerRecord& t) { return t.hwnd == hWnd && t.id == id; });
  return removed ? TRUE : FALSE;
}
