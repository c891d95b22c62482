// CFile and CStdioFile: the framework's file objects over host files, with paths of the system (Paths.h).
//
// Failures throw a heap-allocated CFileException* as the framework does (catch it, then call Delete());
// Open reports instead by returning FALSE and filling the exception the caller passes.
//
// Share modes hold between all opens of a file, in this process and in others, through open-file-
// description locks on bytes far past the end of the file: an open that the share mode of an earlier
// open forbids fails with CFileException::sharingViolation. Only programs that open through CFile take
// part: the locks are advisory, so host tools that ignore them are not kept out.
#pragma once

#include "platform/core/Exception.h"
#include "platform/core/CString.h"
#include "platform/core/DateTime.h"
#include "platform/core/WinTypes.h"

// The framework's base of all its exceptions; thrown by pointer and freed with Delete().
class CFileException : public CException {
 public:
  enum {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  explicit CFileException(int cause = none, LONG osError = -1, const char* fileName = nullptr);

  // The cause that goes with an error code of the platform.
  static int OsErrorToException(LONG osError);
  [[noreturn]] static void ThrowOsError(LONG osError, const char* fileName = nullptr);

  BOOL GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext = nullptr) const override;

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, const char* fileName = nullptr);

struct CFileStatus {
  CTime m_ctime;           // creation (the host's last status change)
  CTime m_mtime;           // last write
  CTime m_atime;           // last access
  ULONGLONG m_size = 0;
  BYTE m_attribute = 0;    // FILE_ATTRIBUTE_* bits of the low byte
  char m_szFullName[MAX_PATH] = {};
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

  static const HANDLE hFileNull;

  CFile();
  // Opens or throws.
  CFile(const char* fileName, UINT openFlags);
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  // Closes an open file; errors of that close are dropped.
  virtual ~CFile();

  virtual BOOL Open(const char* fileName, UINT openFlags, CFileException* error = nullptr);
  // 0 at the end of the file.
  virtual UINT Read(void* buffer, UINT count);
  // Writes all bytes or throws (diskFull when the disk is full).
  virtual void Write(const void* buffer, UINT count);
  // Returns the new position; a position before the start throws badSeek.
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG newLength);
  virtual ULONGLONG GetPosition() const;
  // Writes the file's data through to the disk.
  virtual void Flush();
  virtual void Close();
  // Closes without throwing.
  virtual void Abort();

  // The full path of the system the file was opened with, and its last name.
  CString GetFilePath() const { return m_strFileName; }
  CString GetFileName() const;
  BOOL GetStatus(CFileStatus& status) const;

  // DeleteFile / MoveFile that throw a CFileException on failure.
  static void Remove(const char* fileName);
  static void Rename(const char* oldName, const char* newName);
  // FALSE when the path does not exist.
  static BOOL GetStatus(const char* fileName, CFileStatus& status);

  bool IsOpen() const { return fd_ >= 0; }

  HANDLE m_hFile;
  CString m_strFileName;

 protected:
  void ThrowErrno(int error) const;
  int fd_ = -1;
  int lockFd_ = -1;  // a read-only descriptor that holds the share locks of a write-only open
};

// A text or binary file read and written by lines. Without typeBinary the file is in text mode:
// WriteString writes "\r\n" for every "\n", and reading turns "\r\n" back into "\n".
class CStdioFile : public CFile {
 public:
  CStdioFile() = default;
  CStdioFile(const char* fileName, UINT openFlags);

  BOOL Open(const char* fileName, UINT openFlags, CFileException* error = nullptr) override;
  // One line without its "\n" (and without a "\r" before it); FALSE at the end of the file.
  virtual BOOL ReadString(CString& line);
  // Up to maxCount - 1 characters of one line, "\n" kept; NULL at the end of the file.
  virtual LPSTR ReadString(LPSTR buffer, UINT maxCount);
  virtual void WriteString(const char* text);

  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetPosition() const override;
  void SetLength(ULONGLONG newLength) override;
  void Flush() override;
  void Close() override;
  void Abort() override;

 private:
  // Bytes read ahead of the caller; the host position is past them.
  int NextByte();
  int PeekByte();
  void DropReadAhead();
  bool FillReadAhead();

  bool textMode_ = true;
  std::string readAhead_;
  size_t readPos_ = 0;
};
