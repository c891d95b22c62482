#include "platform/core/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"

// ---- Exceptions ----

CFileException::CFileException(int cause, LONG osError, const char* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName ? fileName : "") {}

int CFileException::OsErrorToException(LONG osError) {
  switch (osError) {
    case ERROR_SUCCESS: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case 16: return removeCurrentDir;  // ERROR_CURRENT_DIRECTORY
    case ERROR_NO_MORE_FILES: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_NOT_READY:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT: return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case 39: return diskFull;  // ERROR_HANDLE_DISK_FULL
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
  }
}

void CFileException::ThrowOsError(LONG osError, const char* fileName) {
  throw new CFileException(OsErrorToException(osError), osError, fileName);
}

void AfxThrowFileException(int cause, LONG osError, const char* fileName) {
  throw new CFileException(cause, osError, fileName);
}

BOOL CFileException::GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext) const {
  static const char* const kReasons[] = {
      "no error",
      "the file operation failed",
      "the file does not exist",
      "the path is not valid",
      "too many files are open",
      "access is not allowed",
      "the file is not open",
      "the current directory cannot be removed",
      "the folder can hold no more entries",
      "the file position cannot be set there",
      "the device reported an input/output error",
      "another open of the file does not share it",
      "a part of the file is locked",
      "the disk is full",
      "the end of the file was reached",
  };
  if (helpContext) *helpContext = 0;
  if (!error || maxError == 0) return FALSE;
  const char* reason = m_cause >= 0 && m_cause <= endOfFile ? kReasons[m_cause] : kReasons[genericException];
  if (m_strFileName.IsEmpty()) std::snprintf(error, maxError, "%s.", reason);
  else std::snprintf(error, maxError, "%s: %s.", m_strFileName.GetString(), reason);
  error[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(error[0])));
  return TRUE;
}

// ---- Share modes ----
namespace {

// Lock bytes at the far end of the offset range: one each for "open for reading", "open for writing",
// "denies reading" and "denies writing". Every open holds read locks on the bytes that describe it,
// and an open conflicts with another when a byte it must find free is held by that other open.
constexpr off_t kShareBase = std::numeric_limits<off_t>::max() - 8;
constexpr off_t kReadersByte = kShareBase;
constexpr off_t kWritersByte = kShareBase + 1;
constexpr off_t kDenyReadByte = kShareBase + 2;
constexpr off_t kDenyWriteByte = kShareBase + 3;

struct flock OneByte(short type, off_t byte) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  return lock;
}

bool LockByte(int fd, off_t byte) {
  struct flock lock = OneByte(F_RDLCK, byte);
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Whether another open of the file holds the byte (locks of this open do not count).
bool HeldByOther(int fd, off_t byte) {
  struct flock lock = OneByte(F_WRLCK, byte);
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

// Takes this open's share locks first and looks for conflicts after, so two opens that race each
// other both see the other one; false on a conflict. Read locks need a descriptor open for reading,
// so a write-only open takes its locks through a second, read-only descriptor of the same file
// (returned in lockFd; -1 when none was needed). File systems without such locks share freely.
bool TakeShareLocks(int fd, UINT flags, int* lockFd) {
  *lockFd = -1;
  UINT access = flags & 0x3;
  UINT share = flags & 0x70;
  bool reads = access == CFile::modeRead || access == CFile::modeReadWrite;
  bool writes = access == CFile::modeWrite || access == CFile::modeReadWrite;
  bool deniesRead = share == CFile::shareExclusive || share == CFile::shareDenyRead;
  bool deniesWrite = share == CFile::shareExclusive || share == CFile::shareDenyWrite;
  int locker = fd;
  if (!reads) {
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    *lockFd = open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (*lockFd < 0) return true;
    locker = *lockFd;
  }
  if ((reads && !LockByte(locker, kReadersByte)) || (writes && !LockByte(locker, kWritersByte)) ||
      (deniesRead && !LockByte(locker, kDenyReadByte)) || (deniesWrite && !LockByte(locker, kDenyWriteByte)))
    return true;
  if ((reads && HeldByOther(locker, kDenyReadByte)) || (writes && HeldByOther(locker, kDenyWriteByte)) ||
      (deniesRead && HeldByOther(locker, kReadersByte)) || (deniesWrite && HeldByOther(locker, kWritersByte))) {
    if (*lockFd >= 0) close(*lockFd);
    *lockFd = -1;
    return false;
  }
  return true;
}

void Fill(CFileException* error, int cause, LONG osError, const char* fileName) {
  if (!error) return;
  error->m_cause = cause;
  error->m_lOsError = osError;
  error->m_strFileName = fileName ? fileName : "";
}

BOOL FailOpen(CFileException* error, DWORD osError, const char* fileName) {
  SetLastError(osError);
  Fill(error, CFileException::OsErrorToException(static_cast<LONG>(osError)), static_cast<LONG>(osError), fileName);
  return FALSE;
}

BYTE AttributeByte(const struct stat& st) {
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return static_cast<BYTE>(attributes & 0xFF);
}

void FillStatus(const struct stat& st, const std::string& fullName, CFileStatus& status) {
  status.m_ctime = CTime(st.st_ctime);
  status.m_mtime = CTime(st.st_mtime);
  status.m_atime = CTime(st.st_atime);
  status.m_size = S_ISDIR(st.st_mode) ? 0 : static_cast<ULONGLONG>(st.st_size);
  status.m_attribute = AttributeByte(st);
  std::snprintf(status.m_szFullName, sizeof status.m_szFullName, "%s", fullName.c_str());
}

}  // namespace

// ---- CFile ----

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

CFile::CFile() : m_hFile(hFileNull) {}

CFile::CFile(const char* fileName, UINT openFlags) : m_hFile(hFileNull) {
  CFileException error;
  if (!Open(fileName, openFlags, &error))
    throw new CFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile() {
  if (fd_ >= 0) close(fd_);
  if (lockFd_ >= 0) close(lockFd_);
}

BOOL CFile::Open(const char* fileName, UINT openFlags, CFileException* error) {
  if (fd_ >= 0) Abort();
  auto resolved = qh::ResolvePath(fileName);
  if (!resolved) return FailOpen(error, GetLastError(), fileName);
  bool create = (openFlags & modeCreate) != 0;
  if (!resolved->exists && !(create && resolved->parentExists))
    return FailOpen(error, resolved->parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, fileName);

  UINT access = openFlags & 0x3;
  bool writes = access == modeWrite || access == modeReadWrite;
  int flags = (access == modeWrite ? O_WRONLY : access == modeReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  if (create) flags |= O_CREAT;
  int fd = open(resolved->hostPath.c_str(), flags, 0666);
  if (fd < 0) return FailOpen(error, qh::ErrorFromErrno(errno), fileName);
  struct stat st {};
  fstat(fd, &st);
  // A folder is no file, and a read-only file is not written, whoever runs the program.
  if (S_ISDIR(st.st_mode) || (writes && !(st.st_mode & S_IWUSR))) {
    close(fd);
    return FailOpen(error, ERROR_ACCESS_DENIED, fileName);
  }
  int lockFd = -1;
  if (!TakeShareLocks(fd, openFlags, &lockFd)) {
    close(fd);
    return FailOpen(error, ERROR_SHARING_VIOLATION, fileName);
  }
  // Truncation waits until the share check passed, so a file held by another open loses nothing.
  if (create && !(openFlags & modeNoTruncate) && ftruncate(fd, 0) != 0) {
    DWORD osError = qh::ErrorFromErrno(errno);
    close(fd);
    if (lockFd >= 0) close(lockFd);
    return FailOpen(error, osError, fileName);
  }
  fd_ = fd;
  lockFd_ = lockFd;
  m_hFile = reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
  m_strFileName = resolved->windowsPath;
  return TRUE;
}

void CFile::ThrowErrno(int error) const {
  CFileException::ThrowOsError(static_cast<LONG>(qh::ErrorFromErrno(error)), m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count) {
  if (fd_ < 0) CFileException::ThrowOsError(ERROR_INVALID_HANDLE, m_strFileName);
  UINT done = 0;
  while (done < count) {
    ssize_t got = read(fd_, static_cast<char*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowErrno(errno);
    if (got == 0) break;
    done += static_cast<UINT>(got);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (fd_ < 0) CFileException::ThrowOsError(ERROR_INVALID_HANDLE, m_strFileName);
  UINT done = 0;
  while (done < count) {
    ssize_t put = write(fd_, static_cast<const char*>(buffer) + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) ThrowErrno(errno);
    done += static_cast<UINT>(put);
  }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (fd_ < 0) CFileException::ThrowOsError(ERROR_INVALID_HANDLE, m_strFileName);
  int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
  off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? lseek(fd_, 0, SEEK_CUR) : static_cast<off_t>(GetLength());
  if (base + offset < 0) CFileException::ThrowOsError(ERROR_NEGATIVE_SEEK, m_strFileName);
  off_t position = lseek(fd_, offset, whence);
  if (position < 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(position);
}

ULONGLONG CFile::GetLength() const {
  if (fd_ < 0) CFileException::ThrowOsError(ERROR_INVALID_HANDLE, m_strFileName);
  struct stat st {};
  if (fstat(fd_, &st) != 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(st.st_size);
}

void CFile::SetLength(ULONGLONG newLength) {
  if (fd_ < 0) CFileException::ThrowOsError(ERROR_INVALID_HANDLE, m_strFileName);
  if (ftruncate(fd_, static_cast<off_t>(newLength)) != 0) ThrowErrno(errno);
}

ULONGLONG CFile::GetPosition() const {
  if (fd_ < 0) CFileException::ThrowOsError(ERROR_INVALID_HANDLE, m_strFileName);
  off_t position = lseek(fd_, 0, SEEK_CUR);
  if (position < 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(position);
}

void CFile::Flush() {
  if (fd_ < 0) return;
  if (fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno(errno);
}

void CFile::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (lockFd_ >= 0) close(lockFd_);
  lockFd_ = -1;
  m_hFile = hFileNull;
  CString name = m_strFileName;
  m_strFileName.Empty();
  if (close(fd) != 0 && errno != EINTR)
    CFileException::ThrowOsError(static_cast<LONG>(qh::ErrorFromErrno(errno)), name);
}

void CFile::Abort() {
  if (fd_ >= 0) close(fd_);
  if (lockFd_ >= 0) close(lockFd_);
  fd_ = -1;
  lockFd_ = -1;
  m_hFile = hFileNull;
  m_strFileName.Empty();
}

CString CFile::GetFileName() const {
  int cut = m_strFileName.ReverseFind('\\');
  int slash = m_strFileName.ReverseFind('/');
  if (slash > cut) cut = slash;
  return m_strFileName.Mid(cut + 1);
}

BOOL CFile::GetStatus(CFileStatus& status) const {
  if (fd_ < 0) return FALSE;
  struct stat st {};
  if (fstat(fd_, &st) != 0) return FALSE;
  FillStatus(st, m_strFileName.str(), status);
  return TRUE;
}

BOOL CFile::GetStatus(const char* fileName, CFileStatus& status) {
  auto resolved = qh::ResolvePath(fileName);
  if (!resolved) return FALSE;
  struct stat st {};
  if (!resolved->exists || stat(resolved->hostPath.c_str(), &st) != 0) {
    qh::SetNotFoundError(*resolved);
    return FALSE;
  }
  FillStatus(st, resolved->windowsPath, status);
  return TRUE;
}

void CFile::Remove(const char* fileName) {
  if (!DeleteFile(fileName)) CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);
}

void CFile::Rename(const char* oldName, const char* newName) {
  if (!MoveFile(oldName, newName)) CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), oldName);
}

// ---- CStdioFile ----

CStdioFile::CStdioFile(const char* fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error))
    throw new CFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

BOOL CStdioFile::Open(const char* fileName, UINT openFlags, CFileException* error) {
  DropReadAhead();
  textMode_ = (openFlags & typeBinary) == 0;
  return CFile::Open(fileName, openFlags & ~static_cast<UINT>(typeText | typeBinary), error);
}

bool CStdioFile::FillReadAhead() {
  char chunk[4096];
  UINT got = CFile::Read(chunk, sizeof chunk);
  readAhead_.assign(chunk, got);
  readPos_ = 0;
  return got > 0;
}

int CStdioFile::PeekByte() {
  if (readPos_ >= readAhead_.size() && !FillReadAhead()) return -1;
  return static_cast<unsigned char>(readAhead_[readPos_]);
}

// The next byte as the caller sees it: in text mode "\r\n" reads as "\n".
int CStdioFile::NextByte() {
  int ch = PeekByte();
  if (ch < 0) return -1;
  ++readPos_;
  if (textMode_ && ch == '\r' && PeekByte() == '\n') {
    ++readPos_;
    return '\n';
  }
  return ch;
}

void CStdioFile::DropReadAhead() {
  size_t unread = readAhead_.size() - readPos_;
  readAhead_.clear();
  readPos_ = 0;
  if (unread > 0 && fd_ >= 0) lseek(fd_, -static_cast<off_t>(unread), SEEK_CUR);
}

BOOL CStdioFile::ReadString(CString& line) {
  std::string text;
  bool any = false;
  for (int ch = NextByte(); ch >= 0; ch = NextByte()) {
    any = true;
    if (ch == '\n') break;
    text += static_cast<char>(ch);
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  line = CString(std::move(text));
  return any ? TRUE : FALSE;
}

LPSTR CStdioFile::ReadString(LPSTR buffer, UINT maxCount) {
  if (!buffer || maxCount == 0) return nullptr;
  UINT length = 0;
  while (length + 1 < maxCount) {
    int ch = NextByte();
    if (ch < 0) break;
    buffer[length++] = static_cast<char>(ch);
    if (ch == '\n') break;
  }
  buffer[length] = '\0';
  return length > 0 ? buffer : nullptr;
}

void CStdioFile::WriteString(const char* text) {
  if (!text) AfxThrowFileException(CFileException::genericException, ERROR_INVALID_PARAMETER, m_strFileName);
  Write(text, static_cast<UINT>(std::strlen(text)));
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  if (fd_ < 0) CFileException::ThrowOsError(ERROR_INVALID_HANDLE, m_strFileName);
  UINT done = 0;
  while (done < count) {
    int ch = NextByte();
    if (ch < 0) break;
    static_cast<char*>(buffer)[done++] = static_cast<char>(ch);
  }
  return done;
}

void CStdioFile::Write(const void* buffer, UINT count) {
  DropReadAhead();
  if (!textMode_) {
    CFile::Write(buffer, count);
    return;
  }
  std::string translated;
  translated.reserve(count + count / 16);
  const char* bytes = static_cast<const char*>(buffer);
  for (UINT i = 0; i < count; ++i) {
    if (bytes[i] == '\n') translated += '\r';
    translated += bytes[i];
  }
  CFile::Write(translated.data(), static_cast<UINT>(translated.size()));
}

ULONGLONG CStdioFile::Seek(LONGLONG offset, UINT from) {
  DropReadAhead();
  return CFile::Seek(offset, from);
}

ULONGLONG CStdioFile::GetPosition() const {
  return CFile::GetPosition() - static_cast<ULONGLONG>(readAhead_.size() - readPos_);
}

void CStdioFile::SetLength(ULONGLONG newLength) {
  DropReadAhead();
  CFile::SetLength(newLength);
}

void CStdioFile::Flush() {
  DropReadAhead();
  CFile::Flush();
}

void CStdioFile::Close() {
  readAhead_.clear();
  readPos_ = 0;
  CFile::Close();
}

void CStdioFile::Abort() {
  readAhead_.clear();
  readPos_ = 0;
  CFile::Abort();
}
