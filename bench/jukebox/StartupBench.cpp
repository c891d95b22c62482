// Start-up of the jukebox on a large library: from InitInstance to the main window with its zones shown,
// and the resident memory afterwards. The library (QH_BENCH_SONGS songs, 100000 by default) is made by a
// child process first, so its making leaves nothing in the measured process.
//
//   qh_jukebox_startup_bench            prints the library size, the start-up time and the resident memory
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/FileApi.h"
#include "platform/core/Registry.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

int SongCount() {
  const char* text = std::getenv("QH_BENCH_SONGS");
  return text ? std::atoi(text) : 100000;
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word)
    if (word == "VmRSS:") {
      long kb = 0;
      status >> kb;
      return kb;
    }
  return -1;
}

bool FillLibrary(const std::string& hostFile, int count) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(hostFile.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return false;
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* song = nullptr;
  sqlite3_stmt* genre = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO Songs (SongID, SongName, SongArtist, SongAlbumName, SongRecordDate, SongCompression, "
                     "SongUncompressed, SongGUID, SongPlayCount, SongVolser, SongCDDB, SongCdTrack) "
                     "VALUES (?1, ?2, ?3, ?4, 45000.5, 'R', 0, ?5, 0, 0, 0, 0)",
                     -1, &song, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO SongGenre (SongID, SongGenre, PrimaryGenre) VALUES (?1, ?2, -1)", -1, &genre,
                     nullptr);
  const char* genres[] = {"Rock", "Jazz", "Pop", "Folk", "Blues", "Classical"};
  bool ok = song && genre;
  for (int i = 0; ok && i < count; ++i) {
    char name[32], artist[32], album[32], guid[48];
    std::snprintf(name, sizeof name, "Song %06d", i);
    std::snprintf(artist, sizeof artist, "Artist %04d", i % 2000);
    std::snprintf(album, sizeof album, "Album %05d", i % 10000);
    std::snprintf(guid, sizeof guid, "{%08X-0000-4000-8000-%012X}", i, i);
    sqlite3_bind_int(song, 1, i + 1);
    sqlite3_bind_text(song, 2, name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(song, 3, artist, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(song, 4, album, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(song, 5, guid, -1, SQLITE_TRANSIENT);
    ok = sqlite3_step(song) == SQLITE_DONE;
    sqlite3_reset(song);
    sqlite3_bind_int(genre, 1, i + 1);
    sqlite3_bind_text(genre, 2, genres[i % 6], -1, SQLITE_STATIC);
    ok = ok && sqlite3_step(genre) == SQLITE_DONE;
    sqlite3_reset(genre);
  }
  sqlite3_finalize(song);
  sqlite3_finalize(genre);
  sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return ok;
}

// Plain child windows where the build has no zone windows, so the application's own cost is measured.
class PlainZones : public CZoneWindowKit {
 public:
  CString MissingPart() const override { return ""; }
  CWnd* Construct(bool, bool) override { return new CWnd(); }
  void Configure(CWnd*, int, const CString&, const CString&) override {}
  void Delete(CWnd* zone) override { delete zone; }
  LONG GetCurrentSongId(CWnd*) override { return 0; }
  bool IsExstreamer(CWnd*) override { return false; }
  void GetStateMap(CWnd*, std::set<LONG>& s) override { s.clear(); }
  void SetStateMap(CWnd*, const std::set<LONG>&) override {}
  BOOL Shutdown(CWnd*, CWnd*) override { return FALSE; }
  void SetStatusText(CWnd*, const CString&) override {}
};

}  // namespace

int main() {
  qh::testing::TestSandbox sandbox;
  sandbox.AddDrive('D', 0xBE4C0001, "BENCH");
  setenv("QH_LIBRARY_PATH", QH_BENCH_BIN_DIR, 1);
  setenv("QH_TRACE", "0", 1);
  const int songs = SongCount();
  CreateDirectory("D:\\Quaverhouse", nullptr);
  CreateDirectory("D:\\Quaverhouse\\Songs", nullptr);
  const pid_t child = fork();
  if (child == 0) {
    CreateSongDatabase("D:\\Quaverhouse\\Quaverhouse.qhd");
    _exit(FillLibrary(sandbox.HostPath("D/Quaverhouse/Quaverhouse.qhd"), songs) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the library could not be made\n");
    return 1;
  }
  ProfileStore profile;
  profile.SetProfileName("Quaverhouse");
  profile.SetRegistryKey("Tallowmere");
  profile.WriteProfileString("", "SongDbPath", "D:\\Quaverhouse");
  profile.WriteProfileInt("Jukebox", "ErrorMessageBox", 0);
  for (int n = 1; n <= 8; ++n) {
    CString key;
    key.Format("Zone%d", n);
    profile.WriteProfileString("Jukebox", key.GetString(), "Default DirectSound Device");
  }
  PlainZones plain;
  if (!ZoneWindowKit().MissingPart().IsEmpty()) SetZoneWindowKit(&plain);

  const long before = ResidentKilobytes();
  CJukeboxApp app;
  char program[] = "tonebarn";
  char* argv[] = {program};
  app.SetCommandLine(1, argv);
  app.m_nThreadID = GetCurrentThreadId();
  const auto begin = std::chrono::steady_clock::now();
  const BOOL started = app.InitInstance();
  MSG msg;
  while (started && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);  // first paint
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
  const long after = ResidentKilobytes();
  std::printf("library: %d songs, zones: %d\n", songs, started ? app.GetZoneCount() : 0);
  std::printf("start-up to the main window: %.1f ms (%s)\n", ms, started ? "started" : "REFUSED");
  std::printf("resident memory: %.1f MB after start-up (%.1f MB before)\n", after / 1024.0, before / 1024.0);
  app.ExitInstance();
  SetZoneWindowKit(nullptr);
  return started ? 0 : 1;
}
