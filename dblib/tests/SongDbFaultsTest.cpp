// Faults of the song database library found while assembling the jukebox, each with its sound behaviour.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "dblib/AlbumDb.h"
#include "dblib/DaoStep.h"
#include "dblib/QuavParmsSet.h"
#include "dblib/Storage.h"
#include "dblib/tests/SongDbFixture.h"
#include "platform/core/Exception.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"

namespace qh::dblib::testing {
namespace {

constexpr DWORD kMusicSerial = 0x0A0B0C0D;

class SongDbFaults : public SongDbTest {
 protected:
  void SetUp() override {
    SongDbTest::SetUp();
    sandbox.AddDrive('M', kMusicSerial, "MUSIC");
  }
  tSong Bound(const char* name, const char* path) {
    tSong song = NewSong(name, "Artist");
    song.Attach(&db, &storage);
    song.SetSongCompression('3');
    song.SetSongVolser(kMusicSerial);
    song.SetSongPath(path);
    return song;
  }
  tStorage storage{nullptr};
};

TEST_F(SongDbFaults, APathTheColumnCannotHoldIsRefusedNotStoredEmpty) {
  const std::string folder = "M:\\" + std::string(200, 'f');
  CreateDirectory(folder.c_str(), nullptr);
  const std::string fits = folder + "\\" + std::string(40, 'n') + ".mp3";       // 3 + 245 characters
  const std::string tooLong = folder + "\\" + std::string(60, 'n') + ".mp3";    // 3 + 265 characters
  for (const std::string& path : {fits, tooLong}) {
    std::string command = "sox -q -n -r 44100 -c 2 '" + sandbox.HostPath("tone.wav") + "' synth 0.5 sine 440 && lame --quiet -b 128 '" +
                          sandbox.HostPath("tone.wav") + "' '" + qh::HostPathOf(path.c_str()) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  tSong song;
  EXPECT_EQ(song.ScanMp3File(fits.c_str(), TRUE), 0);
  EXPECT_EQ(song.SongPath, CString(fits.substr(3)));
  tSong refused;
  EXPECT_EQ(refused.ScanMp3File(tooLong.c_str(), TRUE), -6);
}

TEST_F(SongDbFaults, ThePathCheckMatchesAsTheFileSystemDoesAndNeverAnEmptyPath) {
  tSong stored = Bound("Stored", "Music\\Song.mp3");
  ASSERT_GT(stored.Add(), 0);
  tSong managed = Bound("Managed", "");
  ASSERT_GT(managed.Add(), 0);
  const std::pair<const char*, int> cases[] = {{"Music\\Song.mp3", 1}, {"Music\\song.mp3", 0}, {"MUSIC\\Song.mp3", 0}, {"", 0}};
  for (auto [path, expected] : cases) {
    tSong probe = Bound("Probe", path);
    EXPECT_EQ(probe.ExistsByPath(), expected) << "[" << path << "]";
  }
}

TEST_F(SongDbFaults, ABlankFurtherGenreIsSkippedAndTheSongSaved) {
  tSong song = Bound("With genres", "Music\\g.mp3");
  song.AddGenre("   ", FALSE);
  song.AddGenre("Jazz", FALSE);
  ASSERT_EQ(song.SongGenres.size(), 1u);
  const LONG id = song.Add();
  ASSERT_GT(id, 0) << LastErrorText();
  song.SongGenres.push_back("");  // even one put in directly
  EXPECT_GT(song.Update(), 0) << LastErrorText();
  tSong loaded;
  ASSERT_EQ(loaded.Load(&db, &storage, id), 0);
  EXPECT_EQ(loaded.SongGenres, std::vector<CString>{"Jazz"});
}

TEST_F(SongDbFaults, ALongGenreNameKeepsTheSongsGenreIndexOnReload) {
  tSong song = Bound("Long genre", "Music\\l.mp3");
  song.AddGenre("Symphonic Rock but with a name far longer than its column", TRUE);
  const LONG id = song.Add();
  ASSERT_GT(id, 0) << LastErrorText();
  tSong loaded;
  ASSERT_EQ(loaded.Load(&db, &storage, id), 0);
  EXPECT_EQ(loaded.SongPrimaryGenre, song.SongPrimaryGenre);
  EXPECT_EQ(loaded.GetPrimaryGenreIndex(), song.GetPrimaryGenreIndex());
  tSong known = Bound("Known genre", "Music\\k.mp3");
  known.AddGenre("Jazz", TRUE);
  const LONG knownId = known.Add();
  tSong reloaded;
  ASSERT_EQ(reloaded.Load(&db, &storage, knownId), 0);
  EXPECT_EQ(reloaded.GetPrimaryGenreIndex(), 8);  // "Jazz" in the ID3v1 list
}

TEST_F(SongDbFaults, ParameterNumbersAreReadWhateverTheHostLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
    // Made from the locale sources into the sandbox when the machine has none compiled.
    const std::string folder = sandbox.HostPath("locales");
    const std::string command = "mkdir -p '" + folder + "' && localedef -i de_DE -f UTF-8 '" + folder +
                                "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) setenv("LOCPATH", folder.c_str(), 1);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no locale with a decimal comma can be made here";
  }
  ASSERT_EQ(std::strtod("4.5", nullptr), 4.0) << "the host's own conversion stops at the point";
  Execute("Update QuavParms Set ParmValue = '4.25' Where ParmName = 'DatabaseVersion'");
  EXPECT_DOUBLE_EQ(db.GetDatabaseVersion(), 4.25);
  EXPECT_DOUBLE_EQ(ReadParameterNumber(db.GetDatabase(), "DatabaseVersion"), 4.25);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FrameworkExceptions, ACatchAllFreesAFrameworkException) {
  struct Counted : CException {
    explicit Counted(int& alive) : alive_(alive) { ++alive_; }
    ~Counted() override { --alive_; }
    int& alive_;
  };
  int alive = 0;
  try {
    throw new Counted(alive);
  } catch (...) {
    DeleteCaughtFrameworkException();
  }
  EXPECT_EQ(alive, 0);
  try {
    throw 42;
  } catch (...) {
    DeleteCaughtFrameworkException();  // anything else is left alone
  }
}

TEST(AlbumDatabase, ClosingAnUnopenedOneAndDestroyingItNeverThrow) {
  EXPECT_NO_THROW({
    tQHFRDb album;
    album.Close();
    album.Close();
  });
}

}  // namespace
}  // namespace qh::dblib::testing
