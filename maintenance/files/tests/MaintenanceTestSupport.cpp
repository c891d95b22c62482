#include "maintenance/files/tests/MaintenanceTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/testing/ChildOfTest.h"
#include "platform/dao/Dao.h"

namespace qh::maint::testing {

std::string Sqlite3(const std::string& hostFile, const std::string& sql) {
  std::string command = "sqlite3 -batch -noheader -separator '|' '" + hostFile + "' \"" + sql + "\" 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::set<std::string> LineSet(const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  return std::set<std::string>(lines.begin(), lines.end());
}

std::string GuidOf(long songId) {
  char text[64];
  std::snprintf(text, sizeof text, "{%08lX-0000-4000-8000-%012lX}", songId, songId);
  return text;
}

namespace {
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
  return quoted + "'";
}
}  // namespace

void InsertSong(CDaoDatabase& database, const LibrarySong& song) {
  char numbers[128];
  std::snprintf(numbers, sizeof numbers, "%ld", song.id);
  std::string statement =
      "INSERT INTO Songs (SongID, SongName, SongArtist, SongAlbumName, SongCompression, SongUncompressed, SongPath, "
      "SongVolser, SongGUID, SongPlayCount) VALUES (" +
      std::string(numbers) + ", " + Quoted(song.name) + ", " + Quoted(song.artist) + ", 'Album', " +
      Quoted(std::string(1, song.compression)) + ", False, " + Quoted(song.path) + ", " +
      std::to_string(static_cast<int32_t>(song.volser)) + ", " + Quoted(GuidOf(song.id)) + ", 0)";
  database.Execute(statement.c_str(), dbFailOnError);
  if (!song.genre.empty())
    database.Execute(("INSERT INTO SongGenre (SongID, SongGenre, PrimaryGenre) VALUES (" + std::string(numbers) + ", " +
                      Quoted(song.genre) + ", True)")
                         .c_str(),
                     dbFailOnError);
}

void ExecuteAll(CDaoDatabase& database, const std::vector<std::string>& statements) {
  for (const std::string& statement : statements) database.Execute(statement.c_str(), dbFailOnError);
}

void BuildCurrentLibrary(const char* file, const std::vector<LibrarySong>& songs,
                         const std::vector<std::string>& statements) {
  CreateSongDatabase(file);
  CDaoDatabase database;
  database.Open(file, FALSE, FALSE);
  for (const LibrarySong& song : songs) InsertSong(database, song);
  ExecuteAll(database, statements);
  database.Close();
}

void BuildManySongsLibrary(const char* file, long count) {
  CreateSongDatabase(file);
  CDaoDatabase database;
  database.Open(file, TRUE, FALSE);
  database.m_pWorkspace->BeginTrans();
  {
    CDaoRecordset songs(&database);
    songs.Open(dbOpenDynaset,
               "Select SongID, SongName, SongArtist, SongAlbumName, SongCompression, SongUncompressed, SongPath, "
               "SongVolser, SongGUID, SongPlayCount From Songs",
               dbAppendOnly);
    CDaoRecordset genres(&database);
    genres.Open(dbOpenDynaset, "Select SongID, SongGenre, PrimaryGenre From SongGenre", dbAppendOnly);
    for (long id = 1; id <= count; ++id) {
      songs.AddNew();
      songs.SetFieldValue(0, COleVariant(static_cast<LONG>(id), VT_I4));
      songs.SetFieldValue(1, COleVariant(("Song number " + std::to_string(id)).c_str()));
      songs.SetFieldValue(2, COleVariant(("Artist " + std::to_string(id % 997)).c_str()));
      songs.SetFieldValue(3, COleVariant(("Album " + std::to_string(id % 101)).c_str()));
      songs.SetFieldValue(4, COleVariant("R"));
      songs.SetFieldValue(5, COleVariant::FromBool(false));
      songs.SetFieldValue(6, COleVariant(""));
      songs.SetFieldValue(7, COleVariant(static_cast<LONG>(0x5A4DC0DE), VT_I4));
      songs.SetFieldValue(8, COleVariant(GuidOf(id).c_str()));
      songs.SetFieldValue(9, COleVariant(static_cast<LONG>(0), VT_I4));
      songs.Update();
      genres.AddNew();
      genres.SetFieldValue(0, COleVariant(static_cast<LONG>(id), VT_I4));
      genres.SetFieldValue(1, COleVariant("Rock"));
      genres.SetFieldValue(2, COleVariant::FromBool(true));
      genres.Update();
    }
    genres.Close();
    songs.Close();
  }
  for (int list = 0; list < 10; ++list)
    for (int sequence = 1; sequence <= 100 && list * 100 + sequence <= count; ++sequence) {
      std::string name = "List " + std::to_string(list);
      if (sequence == 1)
        database.Execute(("INSERT INTO Playlist (PlaylistName, CurrentSeqNum, PlaylistComment) VALUES ('" + name + "', 1, '')").c_str());
      database.Execute(("INSERT INTO PlaylistDetail VALUES ('" + name + "', " + std::to_string(sequence) + ", " +
                        std::to_string(list * 100 + sequence) + ", '')").c_str());
    }
  database.m_pWorkspace->CommitTrans();
  database.Close();
}

std::string SnapshotFolder() {
  const char* binary = std::getenv("QH_BINARY_DIR");
  std::string folder = (binary ? std::string(binary) : std::filesystem::temp_directory_path().string()) + "/snapshots";
  std::filesystem::create_directories(folder);
  return folder;
}

int RunProgram(const std::string& program, std::string& errors) {
  std::string command = "'" + program + "' 2>&1 >/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[1024];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) errors.append(buffer, n);
  return pclose(pipe);
}

void WriteSizedFile(const std::string& hostPath, size_t size) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  std::string block(4096, 'Q');
  while (size > 0) {
    size_t n = size < block.size() ? size : block.size();
    out.write(block.data(), static_cast<std::streamsize>(n));
    size -= n;
  }
}

bool FailingFileSteps::Fails(Step step) { return ++m_calls[step] == m_failingCall && step == m_step; }

BOOL FailingFileSteps::CopyFile(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  if (Fails(kCopy)) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return CFileSteps::CopyFile(from, to, failIfExists);
}
BOOL FailingFileSteps::MoveFile(LPCSTR from, LPCSTR to) {
  if (Fails(kMove)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return CFileSteps::MoveFile(from, to);
}
BOOL FailingFileSteps::ReplaceFile(LPCSTR from, LPCSTR to) {
  if (Fails(kReplace)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return CFileSteps::ReplaceFile(from, to);
}
BOOL FailingFileSteps::DeleteFile(LPCSTR path) {
  if (Fails(kDelete)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return CFileSteps::DeleteFile(path);
}
void FailingFileSteps::CompactDatabase(LPCSTR from, LPCSTR to) {
  if (Fails(kCompact)) throw new CDaoException(3049, "Cannot open database. It may not be a database that your application recognizes, or the file may be corrupt.", "DAO.Workspace");
  CFileSteps::CompactDatabase(from, to);
}
void FailingFileSteps::RepairDatabase(LPCSTR path) {
  if (Fails(kRepair)) throw new CDaoException(3049, "Cannot repair the database.", "DAO.Workspace");
  CFileSteps::RepairDatabase(path);
}
CString FailingFileSteps::CheckDatabase(LPCSTR path, BOOL quick) {
  if (Fails(kCheck)) return "*** in database main ***\nPage 7: btreeInitPage() returns error code 11";
  return CFileSteps::CheckDatabase(path, quick);
}
BOOL FailingFileSteps::SyncFile(LPCSTR path) {
  if (Fails(kSync)) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return CFileSteps::SyncFile(path);
}

}  // namespace qh::maint::testing

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qh::maint::testing {

OtherProcessLock::OtherProcessLock(const std::string& hostFile) {
  int ready[2];
  if (pipe(ready) != 0) return;
  const std::string script = "import fcntl,sys,time\nf=open(sys.argv[1],'rb')\nfcntl.flock(f,fcntl.LOCK_EX)\n"
                             "print('locked',flush=True)\ntime.sleep(120)\n";
  const char* argv[] = {"python3", "-c", script.c_str(), hostFile.c_str(), nullptr};
  const pid_t pid = qh::testing::StartHelperOfTest(argv, ready[1], ready[0]);
  close(ready[1]);
  // The whole line, and the pipe kept open while the holder lives: a holder whose last write found the
  // pipe closed would end, and its lock with it.
  std::string said;
  char ch = 0;
  while (said.size() < 16 && read(ready[0], &ch, 1) == 1 && ch != '\n') said += ch;
  m_pipe = ready[0];
  if (pid > 0 && said == "locked") {
    m_pid = pid;
  } else if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

bool OtherProcessLock::Alive() const {
  if (m_pid <= 0) return false;
  int status = 0;
  return waitpid(m_pid, &status, WNOHANG) == 0;
}

OtherProcessLock::~OtherProcessLock() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  if (m_pipe >= 0) close(m_pipe);
}

}  // namespace qh::maint::testing
