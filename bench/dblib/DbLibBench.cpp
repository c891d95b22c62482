// The song database library beside SQLite used directly, on one generated library of songs with
// genres and playlists. Each pair of benchmarks does the same work; the direct one is the limit the
// library is measured against.
//
//   qh_dblib_bench [--benchmark_filter=...]      QH_BENCH_SONGS=100000 (default) sets the library size
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "dblib/DefaultGenres.h"
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/TextUtil.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/dao/DaoException.h"

namespace {

constexpr int kArtists = 2000;
constexpr int kAlbums = 10000;
constexpr int kPlaylists = 100;
constexpr int kPlaylistLength = 100;

int SongCount() {
  const char* text = std::getenv("QH_BENCH_SONGS");
  return text != nullptr ? std::atoi(text) : 100000;
}

// The generated library: song i (0-based) gets id i + 1.
struct GeneratedSong {
  std::string name, artist, album, guid, primaryGenre, furtherGenre;
};

GeneratedSong Generate(int i) {
  GeneratedSong song;
  char text[64];
  std::snprintf(text, sizeof text, "Song %06d", (i * 7919) % 1000003);
  song.name = text;
  int artist = i % kArtists;
  std::snprintf(text, sizeof text, "%crtist %04d", 'A' + (artist * 7) % 26, artist);
  song.artist = text;
  std::snprintf(text, sizeof text, "Album %05d", i % kAlbums);
  song.album = text;
  std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", i, i * 13);
  song.guid = text;
  song.primaryGenre = kDefaultGenres[i % 40];
  if (i % 3 == 0) song.furtherGenre = kDefaultGenres[(i * 3 + 41) % kDefaultGenreCount];
  return song;
}

std::string WorkFolder() {
  static std::string folder = [] {
    char pattern[] = "/tmp/qh-dblib-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no temporary folder");
    return std::string(pattern);
  }();
  return folder;
}

std::string NewDatabase(const std::string& name) {
  std::string path = WorkFolder() + "/" + name;
  std::filesystem::remove(path);
  CreateSongDatabase(path.c_str());
  return path;
}

long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Check(int rc, sqlite3* db, int expected = SQLITE_OK) {
  if (rc != expected) throw std::runtime_error(sqlite3_errmsg(db));
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : m_db(db) { Check(sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr), db); }
  ~Statement() { sqlite3_finalize(m_statement); }
  sqlite3_stmt* operator*() const { return m_statement; }
  void Text(int index, const std::string& text) {
    sqlite3_bind_text(m_statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void Int(int index, long value) { sqlite3_bind_int64(m_statement, index, value); }
  void Run() {
    Check(sqlite3_step(m_statement), m_db, SQLITE_DONE);
    sqlite3_reset(m_statement);
  }

 private:
  sqlite3* m_db;
  sqlite3_stmt* m_statement = nullptr;
};

sqlite3* OpenDirect(const std::string& path) {
  sqlite3* db = nullptr;
  Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
  return db;
}

// Adds the songs (rows of Songs and SongGenre) in one transaction with prepared statements.
void AddDirect(sqlite3* db, int count) {
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  Statement song(db,
                 "INSERT INTO Songs (SongID, SongName, SongArtist, SongAlbumName, SongRecordDate, SongCompression, "
                 "SongUncompressed, SongGUID, SongPlayCount, SongVolser, SongCDDB, SongCdTrack) "
                 "VALUES (?1, ?2, ?3, ?4, 45000.5, ' ', 0, ?5, 0, 0, 0, 0)");
  Statement genre(db, "INSERT INTO SongGenre (SongID, SongGenre, PrimaryGenre) VALUES (?1, ?2, ?3)");
  for (int i = 0; i < count; ++i) {
    GeneratedSong generated = Generate(i);
    song.Int(1, i + 1);
    song.Text(2, generated.name);
    song.Text(3, generated.artist);
    song.Text(4, generated.album);
    song.Text(5, generated.guid);
    song.Run();
    genre.Int(1, i + 1);
    genre.Text(2, generated.primaryGenre);
    genre.Int(3, -1);
    genre.Run();
    if (!generated.furtherGenre.empty() && generated.furtherGenre != generated.primaryGenre) {
      genre.Text(2, generated.furtherGenre);
      genre.Int(3, 0);
      genre.Run();
    }
  }
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
}

void AddPlaylistsDirect(sqlite3* db, int songs) {
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  Statement header(db, "INSERT INTO Playlist (PlaylistName, PlaylistDate, CurrentSeqNum) VALUES (?1, 45000.0, 1)");
  Statement detail(db, "INSERT INTO PlaylistDetail (PlaylistName, PlaylistSequenceNum, SongID) VALUES (?1, ?2, ?3)");
  for (int p = 0; p < kPlaylists; ++p) {
    std::string name = "Playlist " + std::to_string(p);
    header.Text(1, name);
    header.Run();
    for (int s = 0; s < kPlaylistLength; ++s) {
      detail.Text(1, name);
      detail.Int(2, s + 1);
      detail.Int(3, 1 + (p * 977 + s * 131) % songs);
      detail.Run();
    }
  }
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
}

// The library the query benchmarks read, built once.
const std::string& QueryLibrary() {
  static std::string path = [] {
    std::string file = NewDatabase("query.qhd");
    sqlite3* db = OpenDirect(file);
    AddDirect(db, SongCount());
    AddPlaylistsDirect(db, SongCount());
    sqlite3_close(db);
    return file;
  }();
  return path;
}

tQHDb& LibraryDb() {
  static tQHDb* db = [] {
    auto* opened = new tQHDb();
    if (opened->Open(QueryLibrary().c_str(), FALSE, FALSE) != 1) throw std::runtime_error("cannot open the library");
    return opened;
  }();
  return *db;
}

sqlite3* DirectDb() {
  static sqlite3* db = OpenDirect(QueryLibrary());
  return db;
}

void Rate(benchmark::State& state, long items) {
  state.SetItemsProcessed(items);
  state.counters["rss_kb"] = static_cast<double>(ResidentKilobytes());
}

// ---- Adding the library in one transaction ---------------------------------------------------------

void BM_AddSongs_Library(benchmark::State& state) {
  const int count = SongCount();
  for (auto _ : state) {
    state.PauseTiming();
    std::string file = NewDatabase("added.qhd");
    tQHDb db;
    if (db.Open(file.c_str(), TRUE, FALSE) != 1) state.SkipWithError("open failed");
    state.ResumeTiming();
    db.BeginTrans();
    for (int i = 0; i < count; ++i) {
      GeneratedSong generated = Generate(i);
      tSong song;
      song.SetSongName(generated.name.c_str());
      song.SetSongArtist(generated.artist.c_str());
      song.SetSongAlbumName(generated.album.c_str());
      song.SetSongCompression(' ');
      song.AddGenre(generated.primaryGenre.c_str(), TRUE);
      if (!generated.furtherGenre.empty()) song.AddGenre(generated.furtherGenre.c_str(), FALSE);
      if (db.AddSong(&song) != i + 1) {
        CString text;
        db.GetLastError(text);
        state.SkipWithError(text);
        break;
      }
    }
    if (db.CommitTrans() != 1) state.SkipWithError("commit failed");
  }
  state.counters["songs_per_s"] = benchmark::Counter(count, benchmark::Counter::kIsRate);
  Rate(state, count);
}
BENCHMARK(BM_AddSongs_Library)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AddSongs_DirectSqlite(benchmark::State& state) {
  const int count = SongCount();
  for (auto _ : state) {
    state.PauseTiming();
    std::string file = NewDatabase("direct.qhd");
    sqlite3* db = OpenDirect(file);
    state.ResumeTiming();
    AddDirect(db, count);
    sqlite3_close(db);
  }
  state.counters["songs_per_s"] = benchmark::Counter(count, benchmark::Counter::kIsRate);
  Rate(state, count);
}
BENCHMARK(BM_AddSongs_DirectSqlite)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Song list by an artist Like pattern, with each song's genres ------------------------------------

const char kArtistClause[] = "Where A.SongArtist Like 'B*' Order by A.SongName";
// The same rows with a range on the artist index beside the Like: what the library would give if the
// database layer turned a pattern's literal prefix into an index range.
const char kArtistRangeClause[] =
    "Where A.SongArtist >= 'B' And A.SongArtist < 'C' And A.SongArtist Like 'B*' Order by A.SongName";

void BM_SongListByArtist_Library(benchmark::State& state) {
  tQHDb& db = LibraryDb();
  const char* clause = state.range(0) == 0 ? kArtistClause : kArtistRangeClause;
  long rows = 0;
  long growth = 0;
  for (auto _ : state) {
    long before = ResidentKilobytes();
    if (db.OpenSongList(clause) != 1) state.SkipWithError("open failed");
    tSong song;
    while (db.NextSong(&song) > 0) ++rows;
    growth = std::max(growth, ResidentKilobytes() - before);
    db.CloseSongList();
  }
  state.counters["rss_growth_kb"] = static_cast<double>(growth);
  Rate(state, rows);
}
BENCHMARK(BM_SongListByArtist_Library)->ArgName("prefix_range")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SongListByArtist_DirectSqlite(benchmark::State& state) {
  sqlite3* db = DirectDb();
  long rows = 0;
  Statement genres(db, "SELECT SongGenre, PrimaryGenre, SongID FROM SongGenre WHERE SongID = ?1");
  for (auto _ : state) {
    Statement list(db,
                   "SELECT A.SongID, A.SongName, A.SongArtist, A.SongAlbumName, A.SongLabel, A.SongDate, "
                   "A.SongRecordDate, A.SongBPM, A.SongBPMAccuracy, A.SongAttributes, A.SongLength, A.SongCdTrack, "
                   "A.SongCDDB, A.SongCompression, A.SongUncompressed, A.SongComments, A.SongInventoryCode, "
                   "A.SongSource, A.SongRotationCode, A.SongPath, A.SongVolser, A.SongGUID, A.SongPlayCount "
                   "FROM Songs A WHERE A.SongArtist LIKE 'B%' ORDER BY A.SongName");
    while (sqlite3_step(*list) == SQLITE_ROW) {
      tSong song;  // the same record the library fills
      song.SongID = sqlite3_column_int(*list, 0);
      song.SongName = reinterpret_cast<const char*>(sqlite3_column_text(*list, 1));
      song.SongArtist = reinterpret_cast<const char*>(sqlite3_column_text(*list, 2));
      song.SongAlbumName = reinterpret_cast<const char*>(sqlite3_column_text(*list, 3));
      song.SongGUID = reinterpret_cast<const char*>(sqlite3_column_text(*list, 21));
      sqlite3_bind_int(*genres, 1, song.SongID);
      while (sqlite3_step(*genres) == SQLITE_ROW)
        song.AddGenre(reinterpret_cast<const char*>(sqlite3_column_text(*genres, 0)), sqlite3_column_int(*genres, 1));
      sqlite3_reset(*genres);
      ++rows;
    }
  }
  Rate(state, rows);
}
BENCHMARK(BM_SongListByArtist_DirectSqlite)->Unit(benchmark::kMillisecond);

// ---- Grouped counts: artists (mode 2), albums (mode 4), genres (mode 0) ----------------------------

void BM_CategoryCounts_Library(benchmark::State& state) {
  tQHDb& db = LibraryDb();
  const int mode = static_cast<int>(state.range(0));
  long rows = 0;
  for (auto _ : state) {
    if (db.OpenCategoryCounts(mode, "@") < 1) state.SkipWithError("open failed");
    CString name;
    LONG count = 0;
    while (db.NextCategoryCount(name, count) == 1) ++rows;
    db.CloseCategoryCounts();
  }
  Rate(state, rows);
}
BENCHMARK(BM_CategoryCounts_Library)->ArgName("mode")->Arg(2)->Arg(4)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_CategoryCounts_DirectSqlite(benchmark::State& state) {
  sqlite3* db = DirectDb();
  const char* sql = state.range(0) == 2   ? "SELECT SongArtist, Count(*) FROM Songs GROUP BY SongArtist ORDER BY SongArtist"
                    : state.range(0) == 4 ? "SELECT SongAlbumName, Count(*) FROM Songs GROUP BY SongAlbumName ORDER BY SongAlbumName"
                                          : "SELECT SongGenre, Count(*) FROM SongGenre GROUP BY SongGenre ORDER BY SongGenre";
  long rows = 0;
  for (auto _ : state) {
    Statement counts(db, sql);
    // The library counts the rows before handing them out; so does this.
    std::vector<std::pair<std::string, long>> groups;
    while (sqlite3_step(*counts) == SQLITE_ROW)
      groups.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(*counts, 0)), sqlite3_column_int(*counts, 1));
    rows += static_cast<long>(groups.size());
  }
  Rate(state, rows);
}
BENCHMARK(BM_CategoryCounts_DirectSqlite)->ArgName("mode")->Arg(2)->Arg(4)->Arg(0)->Unit(benchmark::kMillisecond);

// ---- Playlist reader: every playlist's songs in sequence order ---------------------------------------

void BM_PlaylistReader_Library(benchmark::State& state) {
  tQHDb& db = LibraryDb();
  long rows = 0;
  for (auto _ : state) {
    for (int p = 0; p < kPlaylists; ++p) {
      std::string name = "Playlist " + std::to_string(p);
      if (db.OpenPlaylistSongs(name.c_str()) != 1) state.SkipWithError("open failed");
      LONG id = 0;
      SHORT sequence = 0;
      while (db.NextPlaylistSong(id, sequence) == 1) ++rows;
      db.ClosePlaylistSongs();
    }
  }
  Rate(state, rows);
}
BENCHMARK(BM_PlaylistReader_Library)->Unit(benchmark::kMillisecond);

void BM_PlaylistReader_DirectSqlite(benchmark::State& state) {
  sqlite3* db = DirectDb();
  long rows = 0;
  Statement songs(db,
                  "SELECT SongID, PlaylistSequenceNum FROM PlaylistDetail WHERE PlaylistName = ?1 ORDER BY "
                  "PlaylistSequenceNum");
  for (auto _ : state) {
    for (int p = 0; p < kPlaylists; ++p) {
      std::string name = "Playlist " + std::to_string(p);
      songs.Text(1, name);
      while (sqlite3_step(*songs) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_int(*songs, 0));
        benchmark::DoNotOptimize(sqlite3_column_int(*songs, 1));
        ++rows;
      }
      sqlite3_reset(*songs);
    }
  }
  Rate(state, rows);
}
BENCHMARK(BM_PlaylistReader_DirectSqlite)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    benchmark::RunSpecifiedBenchmarks();
  } catch (CDaoException* e) {
    e->GetErrorInfo(0);
    std::fprintf(stderr, "database error %ld: %s\n", e->m_pErrorInfo->m_lErrorCode,
                 e->m_pErrorInfo->m_strDescription.GetString());
    e->Delete();
    return 1;
  }
  benchmark::Shutdown();
  std::filesystem::remove_all(WorkFolder());
  return 0;
}
