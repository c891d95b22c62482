#include "netlib/tests/TestOwner.h"

#include <dirent.h>

#include <atomic>
#include <chrono>

namespace {

constexpr UINT kRunWork = WM_USER + 0x100;

ATOM RegisterOwnerClass() {
  static ATOM atom = [] {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = &TestOwner::WindowProc;
    windowClass.lpszClassName = "NetlibTestOwner";
    return RegisterClass(&windowClass);
  }();
  return atom;
}

}  // namespace

TestOwner::TestOwner() {
  std::mutex started;
  std::condition_variable ready;
  bool done = false;
  m_thread = std::thread([&] {
    RegisterOwnerClass();
    HWND window = CreateWindow("NetlibTestOwner", "owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard guard(started);
      m_window = window;
      m_guiThreadId = GetCurrentThreadId();
      done = true;
    }
    ready.notify_all();
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
  });
  std::unique_lock lock(started);
  ready.wait(lock, [&] { return done; });
}

TestOwner::~TestOwner() {
  RunOnGuiThread([this] {
    DestroyWindow(m_window);
    PostQuitMessage(0);
  });
  m_thread.join();
}

void TestOwner::SetReplier(Replier replier) {
  RunOnGuiThread([&] { m_replier = std::move(replier); });
}

void TestOwner::RunOnGuiThread(const std::function<void()>& work) {
  std::atomic<bool> finished{false};
  auto* task = new std::function<void()>([&] {
    work();
    finished = true;
  });
  if (!PostMessage(m_window, kRunWork, 0, reinterpret_cast<LPARAM>(task))) {
    delete task;
    return;
  }
  while (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

CHttpResponse* TestOwner::Echo(const CHttpResponse& request) {
  auto* reply = new CHttpResponse;
  reply->m_status = 200;
  reply->m_reason = "OK";
  reply->m_contentType = "text/plain";
  reply->m_body = request.m_methodText + " " + request.m_url + " " + request.m_body;
  reply->m_close = request.m_close;
  return reply;
}

LRESULT TestOwner::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* owner = reinterpret_cast<TestOwner*>(GetWindowLongPtr(window, GWLP_USERDATA));
  if (message == kRunWork) {
    std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
    (*task)();
    return 0;
  }
  if (owner && (message == kServerMessage || message == kHandlerMessage || message == kClientMessage)) {
    owner->Handle(message, wParam, lParam);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

void TestOwner::Handle(UINT message, WPARAM code, LPARAM block) {
  NoticeRecord record;
  record.message = message;
  record.code = code;
  if (code == NOTICE_IDLE_CLOSED || code == NOTICE_THREAD_ENDING) {
    record.threadId = static_cast<DWORD>(block);
  } else if (code == NOTICE_REQUEST || code == NOTICE_RESPONSE) {
    std::unique_ptr<CHttpResponse> parsed(reinterpret_cast<CHttpResponse*>(block));
    if (LPARAM written = TakeHeldWritten(block)) {
      // As an owner does: the notice is handled as if it had come on its own just before.
      Handle(message, NOTICE_WRITTEN, written);
      std::lock_guard guard(m_lock);
      m_notices.back().folded = true;
    }
    record.threadId = parsed->m_threadId;
    record.status = parsed->m_status;
    record.methodText = parsed->m_methodText.str();
    record.methodCode = parsed->m_methodCode;
    record.url = parsed->m_url.str();
    record.body = parsed->m_body.str();
    record.contentType = parsed->m_contentType.str();
    record.close = parsed->m_close;
    record.hasSession = parsed->m_session != nullptr;
    record.sessionIsNew = parsed->m_sessionIsNew;
    if (code == NOTICE_REQUEST) Reply(*parsed);
  } else if (message == kServerMessage) {
    std::unique_ptr<CServerNotice> notice(reinterpret_cast<CServerNotice*>(block));
    record.value = notice->m_code;
    record.text = notice->m_text.str();
    record.threadId = notice->m_threadId;
    record.linkState = notice->m_listenerState;
  } else {
    std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
    record.value = notice->m_code;
    record.text = notice->m_text.str();
    record.threadId = notice->m_threadId;
    record.linkState = notice->m_linkState;
  }
  {
    std::lock_guard guard(m_lock);
    m_notices.push_back(std::move(record));
  }
  m_changed.notify_all();
}

void TestOwner::Reply(const CHttpResponse& request) {
  if (!m_replier) return;
  CHttpResponse* reply = m_replier(request);
  if (!reply) return;
  reply->m_threadId = request.m_threadId;
  auto* command = new CHttpCommand(HTTP_CMD_WRITE_REPLY, reply);
  bool posted = m_server ? m_server->PostToHandler(request.m_threadId, command)
                         : request.m_thread->PostCommand(command);
  if (!posted) delete command;
}

bool TestOwner::WaitFor(const std::function<bool(const NoticeRecord&)>& match, int milliseconds) {
  std::unique_lock lock(m_lock);
  return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
    for (const auto& notice : m_notices)
      if (match(notice)) return true;
    return false;
  });
}

std::vector<NoticeRecord> TestOwner::Notices() {
  std::lock_guard guard(m_lock);
  return m_notices;
}

int TestOwner::Count(const std::function<bool(const NoticeRecord&)>& match) {
  std::lock_guard guard(m_lock);
  int count = 0;
  for (const auto& notice : m_notices)
    if (match(notice)) ++count;
  return count;
}

std::string TestOwner::Describe() {
  std::lock_guard guard(m_lock);
  std::string text;
  for (const auto& n : m_notices) {
    text += "message " + std::to_string(n.message) + " code " + std::to_string(n.code) + " value " +
            std::to_string(n.value) + " thread " + std::to_string(n.threadId) + " link " + std::to_string(n.linkState) +
            " text '" + n.text + "' status " + std::to_string(n.status) + " body '" + n.body + "'\n";
  }
  return text;
}

int ProcessThreads() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
  }
  return count;
}
