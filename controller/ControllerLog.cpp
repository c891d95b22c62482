#include "controller/ControllerLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/core/Paths.h"

namespace {

constexpr size_t kStampLength = 24;

// The ctime form of `when` in local time: "Thu Dec 10 17:29:37 2026" (the day padded with a blank).
// A thread keeps the stamp of the last second it wrote, since most lines share their second.
std::string_view Stamp(std::time_t when) {
  thread_local std::time_t second = -1;
  thread_local char stamp[32] = {};
  if (when != second) {
    std::tm local{};
    localtime_r(&when, &local);
    if (std::strftime(stamp, sizeof(stamp), "%a %b %d %H:%M:%S %Y", &local) < kStampLength)
      std::memset(stamp, ' ', kStampLength);
    if (stamp[8] == '0') stamp[8] = ' ';
    second = when;
  }
  return std::string_view(stamp, kStampLength);
}

}  // namespace

bool CControllerLog::Open(const CString& path) {
  Close();
  std::string hostPath = qh::HostPathOf(path);
  if (hostPath.empty()) return false;
  m_fd = ::open(hostPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  m_failed = false;
  return m_fd >= 0;
}

void CControllerLog::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

void CControllerLog::AppendLine(std::string& out, std::time_t when, std::string_view text) {
  out += Stamp(when);
  out += ":: ";
  const size_t start = out.size();
  out += text;
  for (size_t i = start; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c < 0x20 || c == 0x7F) out[i] = ' ';
  }
}

CString CControllerLog::FormatLine(std::time_t when, const CString& text) {
  std::string line;
  AppendLine(line, when, text.view());
  return CString(std::move(line));
}

void CControllerLog::WriteLog(const CString& text) {
  if (m_fd < 0) return;
  // Built in a buffer the thread keeps, so a line costs no allocation once the buffer has grown.
  thread_local std::string line;
  line.clear();
  AppendLine(line, std::time(nullptr), text.view());
  line += '\n';
  size_t written = 0;
  while (written < line.size()) {
    ssize_t done = ::write(m_fd, line.data() + written, line.size() - written);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      m_failed = true;
      return;
    }
    written += static_cast<size_t>(done);
  }
}
