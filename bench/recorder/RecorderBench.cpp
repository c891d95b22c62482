// qh_recorder_bench [songs]: builds a library (default 100,000 songs) with the schema creator and the
// song database library, then times what the recorder does on it: each search kind as the search
// dialog runs it (where text, primary-genre song list, every row read, at most 10,000), filling the
// search dialog's list through its Search button, and a Detail report of 10,000 songs.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "recorder/HtmlReport.h"
#include "recorder/RecorderIds.h"
#include "recorder/RecorderResources.h"
#include "recorder/SearchDlg.h"
#include "recorder/SongCriteria.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* const kGenres[] = {"Rock", "Jazz", "Blues", "Pop", "Folk", "Dance", "Classical", "Country"};
const char* const kRotations[] = {"GENERAL", "NEW", "HOT", "OLD"};

void BuildLibrary(tQHDb& db, int count) {
  db.BeginTrans();
  for (int i = 0; i < count; ++i) {
    tSong song;
    CString text;
    text.Format("Song %06d %s", i, i % 97 == 0 ? "O'Love" : "Tune");
    song.SetSongName(text);
    text.Format("Artist %04d", i % 5000);
    song.SetSongArtist(text);
    text.Format("Album %05d", i / 12);
    song.SetSongAlbumName(text);
    song.SetSongCompression(i % 3 == 0 ? 'R' : ' ');
    song.SetSongRotationCode(kRotations[i % 4]);
    song.SetSongLength("03:25.500");
    song.SetSongCdTrack(i % 12 + 1);
    COleDateTime date;
    date.SetDateTime(1960 + i % 60, 1 + i % 12, 1 + i % 28, 12, 0, 0);
    song.SetSongDate(date);
    song.AddGenre(kGenres[i % 8], TRUE);
    if (db.AddSong(&song) < 1) {
      std::fprintf(stderr, "adding song %d failed\n", i);
      std::exit(1);
    }
  }
  db.CommitTrans();
}

// One search as the dialog runs it: the rows read into records, at most 10,000.
long RunSearch(tQHDb& db, tStorage& storage, const tSearchCriteria& criteria) {
  bool badYears = false;
  CString where = BuildSearchWhere(criteria, badYears);
  if (!db.OpenSongListByPrimaryGenre(where, SearchSort(0).order)) return -1;
  std::vector<std::unique_ptr<tSong>> rows;
  while (static_cast<int>(rows.size()) < kMaxListedSongs) {
    auto song = std::make_unique<tSong>();
    song->Attach(&db, &storage);
    if (db.NextSong(song.get()) < 1) break;
    rows.push_back(std::move(song));
  }
  db.CloseSongList();
  return static_cast<long>(rows.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  qh::testing::TestSandbox sandbox;
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Temp"));
  const CString folder = "C:\\Quaverhouse";
  CreateSongDatabase(folder + "\\Quaverhouse.qhd");
  tQHDb db;
  if (db.Open(folder + "\\Quaverhouse.qhd", TRUE, FALSE) != 1) return 1;
  auto start = Clock::now();
  BuildLibrary(db, count);
  std::printf("library of %d songs built in %.0f ms\n", count, Milliseconds(start));
  tStorage storage(db.GetDatabase());
  storage.Init(4.0, folder);

  struct Kind {
    const char* name;
    tSearchCriteria criteria;
  } kinds[] = {
      {"no criterion (first 10,000)", {}},
      {"name contains O'Love", {.name = "O'Love"}},
      {"artist contains 'Artist 01'", {.artist = "Artist 01"}},
      {"album contains '00042'", {.album = "00042"}},
      {"genre Jazz (first 10,000)", {.genre = "Jazz"}},
      {"rotation HOT (first 10,000)", {.rotation = "HOT"}},
      {"years 1985", {.years = "1985"}},
      {"years 1980-1982 and genre Rock", {.genre = "Rock", .years = "1980-1982"}},
  };
  for (const Kind& kind : kinds) {
    start = Clock::now();
    long rows = RunSearch(db, storage, kind.criteria);
    std::printf("search %-34s %6ld rows  %8.1f ms\n", kind.name, rows, Milliseconds(start));
  }

  // The search dialog's list, filled through its own Search button (no criterion: 10,000 rows).
  RegisterRecorderDialogs();
  double fillMs = 0;
  int listed = 0;
  qh::ui::SetDialogAnswerer([&](CWnd& dialog) {
    auto fill = Clock::now();
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(1042, BN_CLICKED), 0);
    fillMs = Milliseconds(fill);
    listed = static_cast<CSearchDlg&>(dialog).GetListedCount();
    static_cast<CDialog&>(dialog).EndDialog(IDCANCEL);
  });
  qh::ui::SetMessageBoxAnswerer([](const qh::ui::MessageBoxRequest& box) { return box.defaultButton; });
  {
    CSearchDlg search(&db, &storage, folder);
    search.DoModal();
  }
  std::printf("search dialog list filled with %d rows in %.1f ms\n", listed, fillMs);

  // A Detail report of 10,000 songs.
  std::vector<std::unique_ptr<tSong>> songs;
  db.OpenSongList("");
  while (songs.size() < 10000) {
    auto song = std::make_unique<tSong>();
    song->Attach(&db, &storage);
    if (db.NextSong(song.get()) < 1) break;
    songs.push_back(std::move(song));
  }
  db.CloseSongList();
  std::vector<tSong*> order;
  for (auto& song : songs) order.push_back(song.get());
  tReportRequest request{ReportKind::Detail, "Benchmark", "Sorted by Artist and Title", false};
  start = Clock::now();
  bool written = CHtmlReport(request).Write(ReportFilePath(folder), order);
  std::printf("Detail report of %zu songs written in %.1f ms (%s)\n", order.size(), Milliseconds(start),
              written ? "ok" : "FAILED");
  db.Close();
  // An optional host path keeps the library for a look at the statements' plans.
  if (argc > 2) std::filesystem::copy_file(sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd"), argv[2],
                                           std::filesystem::copy_options::overwrite_existing);
  return 0;
}
