#include "recorder/capture/tests/CaptureTestSupport.h"

#include <cstdint>
#include <map>
#include <thread>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"

namespace capture_test {
namespace {

std::map<HWND, MessageWindow*>& Windows() {
  static std::map<HWND, MessageWindow*> windows;
  return windows;
}

void PutLe32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void MakeWav(const std::string& hostPath, int rate, int channels, int bits, double seconds, const std::string& encoding) {
  qh::cd::testing::RunCommand("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b " +
                              std::to_string(bits) + " -e " + encoding + " '" + hostPath + "' synth " +
                              std::to_string(seconds) + " sine 440 sine 1250 vol 0.7");
}

void AppendChunk(const std::string& hostPath, const std::string& id, const std::string& body) {
  std::string bytes = qh::testing::ReadHostFile(hostPath);
  std::string chunk = id;
  chunk.resize(8);
  PutLe32(chunk, 4, static_cast<uint32_t>(body.size()));
  chunk += body;
  if (body.size() & 1) chunk += '\0';
  bytes += chunk;
  PutLe32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));
  qh::testing::WriteHostFile(hostPath, bytes);
}

MessageWindow::MessageWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = Proc;
    windowClass.lpszClassName = "CaptureTestWindow";
    RegisterClass(&windowClass);
    registered = true;
  }
  hwnd_ = CreateWindowEx(0, "CaptureTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  Windows()[hwnd_] = this;
}

MessageWindow::~MessageWindow() {
  Windows().erase(hwnd_);
  DestroyWindow(hwnd_);
}

LRESULT MessageWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = Windows().find(hwnd);
  if (found != Windows().end() && message >= WM_USER) {
    found->second->posted.push_back({message, wParam, lParam});
    if (found->second->react) found->second->react(message, wParam, lParam);
    return 0;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace capture_test
