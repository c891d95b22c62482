// An owner window of the headless window core on a GUI thread of its own, as the jukebox's and the
// controller's windows are: it records every notice of the listener, its handlers and outbound
// clients, frees the blocks, and answers parsed requests with a reply chosen by the test.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "netlib/ServerThread.h"
#include "netlib/ThreadBlocks.h"
#include "platform/ui/WinUser.h"

constexpr UINT kServerMessage = 0x468;
constexpr UINT kHandlerMessage = 0x469;
constexpr UINT kClientMessage = 0x46A;

struct NoticeRecord {
  UINT message = 0;
  WPARAM code = 0;
  LONG value = 0;
  std::string text;
  DWORD threadId = 0;
  DWORD linkState = 0;
  // Parsed requests and responses.
  LONG status = 0;
  std::string methodText;
  DWORD methodCode = 0;
  std::string url;
  std::string body;
  std::string contentType;
  bool close = false;
  bool hasSession = false;
  bool sessionIsNew = false;
  // A written notice that came in the next request's block rather than on its own.
  bool folded = false;
};

class TestOwner {
 public:
  using Replier = std::function<CHttpResponse*(const CHttpResponse& request)>;

  TestOwner();
  ~TestOwner();
  HWND Window() const { return m_window; }

  // Called on the GUI thread for every parsed request; null leaves the request unanswered.
  void SetReplier(Replier replier);
  // Replies go to the handler through the server's map (the handler may have ended meanwhile).
  void SetServer(CServerThread* server) { m_server = server; }
  // The echo reply: 200 with "METHOD URL BODY", closing when the request asked to.
  static CHttpResponse* Echo(const CHttpResponse& request);

  bool WaitFor(const std::function<bool(const NoticeRecord&)>& match, int milliseconds = 20000);
  // Waits until the handler count notice says `count`, or the server reports its end.
  std::vector<NoticeRecord> Notices();
  // Every notice so far, one a line, for the message of a failed expectation.
  std::string Describe();
  int Count(const std::function<bool(const NoticeRecord&)>& match);
  // Runs a function on the GUI thread and waits for it.
  void RunOnGuiThread(const std::function<void()>& work);

 static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void Handle(UINT message, WPARAM code, LPARAM block);
  void Reply(const CHttpResponse& request);

  std::thread m_thread;
  HWND m_window = nullptr;
  DWORD m_guiThreadId = 0;
  CServerThread* m_server = nullptr;
  Replier m_replier;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<NoticeRecord> m_notices;
};

// The threads the test process has now.
int ProcessThreads();
