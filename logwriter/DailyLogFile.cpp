#include "logwriter/DailyLogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/Paths.h"

namespace {

std::tm localTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return local;
}

std::string formatTime(const std::tm& local, const char* format) {
  char buffer[64];
  size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, n);
}

}  // namespace

DailyLogFile::DailyLogFile(Clock clock) : m_clock(clock ? std::move(clock) : [] { return std::time(nullptr); }) {
  m_lastWrite = m_clock();
  m_syncThread = std::thread([this] { syncLoop(); });
}

// The last lines are synced before the object goes: an orderly end loses nothing to a power cut.
DailyLogFile::~DailyLogFile() {
  Close();
  {
    std::lock_guard<std::mutex> lock(m_syncMutex);
    m_stopping = true;
  }
  m_syncWake.notify_one();
  m_syncThread.join();
}

void DailyLogFile::syncLoop() {
  using namespace std::chrono;
  std::unique_lock<std::mutex> lock(m_syncMutex);
  for (;;) {
    m_syncWake.wait(lock, [this] { return m_stopping || m_unsynced || !m_toClose.empty(); });
    if (!m_unsynced && m_toClose.empty()) return;  // stopping with nothing left
    const auto started = steady_clock::now();
    std::vector<int> closing;
    closing.swap(m_toClose);
    const int fd = m_unsynced ? m_syncFd : -1;
    m_unsynced = false;
    lock.unlock();
    // The open file stays open meanwhile: a file is closed only here, after its last sync.
    if (fd >= 0) ::fdatasync(fd);
    for (int closed : closing) {
      ::fdatasync(closed);
      ::close(closed);
    }
    lock.lock();
    // Lines written meanwhile wait for the next sync, which comes one interval after this one
    // started at the earliest: under a stream of lines the disk sees a sync per interval, not per line.
    if (!m_stopping)
      m_syncWake.wait_until(lock, started + milliseconds(kSyncIntervalMs), [this] { return m_stopping; });
  }
}

void DailyLogFile::SetFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_folder = folder;
}

void DailyLogFile::SetMaxRecords(LONG maxRecords) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (maxRecords > 0) m_maxRecords = maxRecords;
}

std::string DailyLogFile::FileNameFor(std::time_t when) { return formatTime(localTime(when), "QHLog%Y%m%d.log"); }

std::string DailyLogFile::timeStamp(const std::tm& local) { return formatTime(local, "%H%M%S: "); }

// The whole calendar date decides, so that a write a year (or any number of years) after the last one
// never lands in an old file of the same day of the year.
bool DailyLogFile::sameDay(const std::tm& a, const std::tm& b) const {
  return a.tm_year == b.tm_year && a.tm_yday == b.tm_yday;
}

bool DailyLogFile::openForDay(std::time_t now) {
  std::string path = m_folder + "\\" + FileNameFor(now);
  const std::string host = qh::HostPathOf(path.c_str());
  if (host.empty()) return false;
  m_fd = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (m_fd < 0) return false;
  m_recordCount = 0;
  std::lock_guard<std::mutex> lock(m_syncMutex);
  m_syncFd = m_fd;
  m_unsynced = false;
  return true;
}

// One write call per line: with O_APPEND the line lands whole at the end, even with other writers,
// and it is in the file (the system's, if not yet the disk's) when the call returns.
bool DailyLogFile::appendLine(const std::string& line) {
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(m_fd, line.data() + done, line.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  {
    std::lock_guard<std::mutex> lock(m_syncMutex);
    m_unsynced = true;
  }
  m_syncWake.notify_one();
  return true;
}

HRESULT DailyLogFile::Write(const std::string& level, const std::string& component, const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const std::time_t now = m_clock();
  const std::tm local = localTime(now);
  const std::string stamp = timeStamp(local);

  if (IsOpen() && !sameDay(local, localTime(m_lastWrite))) closeLocked();
  if (!IsOpen() && !openForDay(now)) return E_FAIL;

  if (m_recordCount < m_maxRecords) {
    if (!appendLine(stamp + "[" + level + "][" + component + "] " + text + "\r\n")) return E_FAIL;
    ++m_recordCount;
    m_lastWrite = now;
    return S_OK;
  }
  appendLine(stamp + "[S][Quillmark] Output limit exceeded. Closing log file.\r\n");
  closeLocked();
  return E_FAIL;
}

void DailyLogFile::Close() {
  std::lock_guard<std::mutex> lock(m_mutex);
  closeLocked();
}

void DailyLogFile::closeLocked() {
  if (m_fd < 0) return;
  {
    std::lock_guard<std::mutex> lock(m_syncMutex);
    m_toClose.push_back(m_fd);
    m_syncFd = -1;
    m_unsynced = false;  // the closing file's own sync covers its lines
  }
  m_syncWake.notify_one();
  m_fd = -1;
}
