// Test support of the maintenance programs: a song library in a sandbox, built row by row through the
// database objects, read back from outside with the sqlite3 command-line tool, and file steps that fail
// on purpose.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "maintenance/files/FileSteps.h"
#include "platform/core/WinTypes.h"

class CDaoDatabase;

namespace qh::maint::testing {

// Output of the sqlite3 tool for one statement on a host file ('|' between columns, one row a line).
std::string Sqlite3(const std::string& hostFile, const std::string& sql);
std::vector<std::string> Lines(const std::string& text);
std::set<std::string> LineSet(const std::string& text);

// "{0000002A-0000-4000-8000-00000000002A}" for song 42.
std::string GuidOf(long songId);

// One Songs row of a current (04.00) library and its primary genre.
struct LibrarySong {
  long id;
  std::string name;
  std::string artist;
  char compression;
  DWORD volser;
  std::string path;   // unmanaged songs only
  std::string genre;  // empty: no genre row
};
void InsertSong(CDaoDatabase& database, const LibrarySong& song);
void ExecuteAll(CDaoDatabase& database, const std::vector<std::string>& statements);
// A new library from the schema creator with these songs, then the extra statements.
void BuildCurrentLibrary(const char* file, const std::vector<LibrarySong>& songs,
                         const std::vector<std::string>& statements = {});

// A new library of `count` songs on drive C: (managed MP3 files, genre "Rock", ten playlists of a hundred
// songs each), written through append-only recordsets in one transaction: the benchmarks' library.
void BuildManySongsLibrary(const char* file, long count);

// Where the tests leave their pictures: <build>/snapshots when QH_BINARY_DIR names the build, else the
// temporary folder's "snapshots".
std::string SnapshotFolder();
// Runs a program of the build with the test's environment; its exit status, its standard error in
// `errors` (a headless message box writes its text there).
int RunProgram(const std::string& program, std::string& errors);

// Writes `size` bytes of a song file.
void WriteSizedFile(const std::string& hostPath, size_t size);

// File steps that make one kind of step fail on its n-th call (1-based) and pass the rest through.
class FailingFileSteps : public CFileSteps {
 public:
  enum Step { kCopy, kMove, kReplace, kDelete, kCompact, kRepair, kCheck, kSync };
  FailingFileSteps(Step step, int failingCall) : m_step(step), m_failingCall(failingCall) {}

  BOOL CopyFile(LPCSTR from, LPCSTR to, BOOL failIfExists) override;
  BOOL MoveFile(LPCSTR from, LPCSTR to) override;
  BOOL ReplaceFile(LPCSTR from, LPCSTR to) override;
  BOOL DeleteFile(LPCSTR path) override;
  void CompactDatabase(LPCSTR from, LPCSTR to) override;
  void RepairDatabase(LPCSTR path) override;
  CString CheckDatabase(LPCSTR path, BOOL quick) override;
  BOOL SyncFile(LPCSTR path) override;

  int Calls(Step step) const { return m_calls[step]; }

 private:
  bool Fails(Step step);
  Step m_step;
  int m_failingCall;
  int m_calls[8] = {};
};

}  // namespace qh::maint::testing

namespace qh::maint::testing {

// A python3 process that holds an exclusive flock on a host file, as another program that has the
// database open exclusively does; released when the object goes.
class OtherProcessLock {
 public:
  explicit OtherProcessLock(const std::string& hostFile);
  ~OtherProcessLock();
  bool Holding() const { return m_pid > 0; }
  // The holder is still running (it has not ended for any reason).
  bool Alive() const;

 private:
  int m_pid = -1;
  int m_pipe = -1;
};

}  // namespace qh::maint::testing
