// A listener and its owner window, as the jukebox runs them: every POST is answered by the window
// on its GUI thread with a small reply. Prints the port, then, on each line read from standard
// input, the process's thread count and resident memory; ends at the end of standard input.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "netlib/ServerThread.h"
#include "platform/ui/WinUser.h"

namespace {

constexpr UINT kServerMessage = 0x468;
constexpr UINT kHandlerMessage = 0x469;
CServerThread* g_server = nullptr;
std::atomic<WORD> g_port{0};

LRESULT OwnerProc(HWND window, UINT message, WPARAM code, LPARAM block) {
  if (message == kServerMessage) {
    if (code != NOTICE_THREAD_ENDING) {
      std::unique_ptr<CServerNotice> notice(reinterpret_cast<CServerNotice*>(block));
      if (notice->m_text == "InitAndListen: Socket ready to accept incoming connections")
        g_port = g_server->GetBoundPort();
    }
    return 0;
  }
  if (message == kHandlerMessage) {
    if (code == NOTICE_REQUEST) {
      std::unique_ptr<CHttpResponse> request(reinterpret_cast<CHttpResponse*>(block));
      auto* reply = new CHttpResponse;
      reply->m_status = 200;
      reply->m_reason = "OK";
      reply->m_contentType = "text/xml";
      reply->m_body = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><actionResponseList/>";
      reply->m_close = request->m_close;
      auto* command = new CHttpCommand(HTTP_CMD_WRITE_REPLY, reply);
      if (!g_server->PostToHandler(request->m_threadId, command)) delete command;
    } else if (code == NOTICE_RESPONSE) {
      delete reinterpret_cast<CHttpResponse*>(block);
    } else if (code != NOTICE_IDLE_CLOSED && code != NOTICE_THREAD_ENDING) {
      delete reinterpret_cast<CHttpNotice*>(block);
    }
    return 0;
  }
  return DefWindowProc(window, message, code, block);
}

std::string Status(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return line.substr(line.find(':') + 1);
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  WORD port = argc > 1 ? static_cast<WORD>(std::stoi(argv[1])) : 0;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = &OwnerProc;
  windowClass.lpszClassName = "BenchOwner";
  RegisterClass(&windowClass);
  HWND owner = CreateWindow("BenchOwner", "owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  g_server = new CServerThread;
  g_server->CreateThread(CREATE_SUSPENDED);
  g_server->Init(owner, kServerMessage, kHandlerMessage, port, FALSE, "");
  // A second argument raises the connection cap (for the many-slow-clients case).
  if (argc > 2)
    g_server->SetConnectionLimits(std::stoi(argv[2]), CServerThread::kDefaultRequestTimeoutMs,
                                  CServerThread::kDefaultIdleTimeoutMs);
  g_server->ResumeThread();
  g_server->PostCommand(new CServerCommand(SERVER_CMD_LISTEN, 0));
  std::thread console([owner] {
    std::string line;
    while (g_port == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::printf("%u\n", static_cast<unsigned>(g_port));
    std::fflush(stdout);
    while (std::getline(std::cin, line)) {
      std::printf("threads %s rss %s handlers %d\n", Status("Threads").c_str(), Status("VmRSS").c_str(),
                  g_server->GetHandlerCount());
      std::fflush(stdout);
    }
    PostMessage(owner, WM_QUIT, 0, 0);
  });
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
  console.join();
  std::quick_exit(0);
}
