#include "controller/ControllerLog.h"

#include <ctime>

#include "platform/core/Paths.h"

bool CControllerLog::Open(const CString& path) {
  Close();
  std::string hostPath = qh::HostPathOf(path);
  if (hostPath.empty()) return false;
  m_file = std::fopen(hostPath.c_str(), "ae");
  return m_file != nullptr;
}

void CControllerLog::Close() {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
}

CString CControllerLog::FormatLine(std::time_t when, const CString& text) {
  char stamp[32] = {};
  std::tm local{};
  localtime_r(&when, &local);
  std::strftime(stamp, sizeof(stamp), "%a %b %d %H:%M:%S %Y", &local);
  // ctime pads the day of the month with a blank, not a zero.
  if (stamp[8] == '0') stamp[8] = ' ';
  std::string line(stamp, 24);
  line += ":: ";
  for (char c : text.view()) line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
  return CString(line.c_str(), static_cast<int>(line.size()));
}

void CControllerLog::WriteLog(const CString& text) {
  if (!m_file) return;
  CString line = FormatLine(std::time(nullptr), text);
  std::fwrite(line.GetString(), 1, static_cast<size_t>(line.GetLength()), m_file);
  std::fputc('\n', m_file);
  std::fflush(m_file);
}
