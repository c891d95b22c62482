// Reading a song's media facts before it plays: by compression code, once, again after a failure.
#include "dblib/MediaFileReader.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "dblib/tests/media/MediaTestBase.h"

namespace qh::dblib::media_testing {
namespace {

class SongMediaTest : public MediaTest {
 protected:
  void SetUp() override {
    MediaTest::SetUp();
    storage.ScanDrives();  // unmanaged songs ('3', 'V') find their drive among the mounted volumes
    storage.AddVolume(kMusicSerial, "D", "MUSIC", "Music", 0, 0);
    std::filesystem::create_directories(Host("Music/Songs"));
  }
  tSong BoundSong(LONG id, char code, const char* path = "") {
    tSong song;
    song.Attach(&db, &storage);
    song.SongID = id;
    song.SongCompression = code;
    song.SongVolser = kMusicSerial;
    song.SongPath = path;
    return song;
  }
  static std::string Wav() {
    return BuildWav({{"fmt ", FormatChunkData(1, 2, 44100, 176400, 4, 16), {}}, {"data", std::string(17640, '\0'), {}}});
  }
  static std::string Mp3() { return std::string("\xFF\xFB\x90\x64", 4) + std::string(31996, '\0'); }

  tQHDb db;
  tStorage storage{nullptr};
};

TEST_F(SongMediaTest, EachCodeHasItsReader) {
  Write("Music/Songs/Song0000000001.wav", Wav());
  Write("Music/Songs/Song0000000002.mp3", Mp3());
  Write("loose.wav", Wav());
  Write("loose.mp3", Mp3());
  struct Case {
    LONG id;
    char code;
    const char* path;
    LONG expectedLength;
    char codeAfter;  // the WAV reader sets the code of the file's format, except for 'V'
  } cases[] = {{1, ' ', "", 100, ' '},        {1, 'A', "", 100, ' '},          {1, 'M', "", 100, ' '},
               {2, 'R', "", 2000, 'R'},       {9, '3', "loose.mp3", 2000, '3'}, {9, 'V', "loose.wav", 100, 'V'}};
  for (const Case& c : cases) {
    tSong song = BoundSong(c.id, c.code, c.path);
    EXPECT_EQ(0, song.ReadMediaInfo()) << c.code;
    EXPECT_EQ(c.expectedLength, song.SongLengthMS) << c.code;
    EXPECT_EQ(c.codeAfter, song.SongCompression) << c.code;
    EXPECT_EQ(2, song.ReadMediaInfo()) << c.code;
  }
}

TEST_F(SongMediaTest, FailedScansAreRepeated) {
  tSong song = BoundSong(1, ' ');
  EXPECT_EQ(1, song.ReadMediaInfo());
  EXPECT_EQ("D:\\Music\\Songs\\Song0000000001.wav", song.MediaPath.str());
  EXPECT_EQ(-1, song.ScanMediaFile());
  Write("Music/Songs/Song0000000001.wav", Wav());
  EXPECT_EQ(0, song.ReadMediaInfo());
  EXPECT_TRUE(song.MediaInfoRead);
}

TEST_F(SongMediaTest, NoSongIdOrNoReader) {
  tSong song = BoundSong(0, ' ');
  EXPECT_EQ(-1, song.ReadMediaInfo());
  EXPECT_EQ(-1, song.ScanMediaFile());
  tSong unknown = BoundSong(5, '?');
  EXPECT_EQ(-2, unknown.ScanMediaFile());
  EXPECT_EQ(1, unknown.ReadMediaInfo());
}

// The scanners read headers and tags only: far less than the file.
TEST_F(SongMediaTest, ScansReadHeadersNotAudio) {
  Write("Music/Songs/Song0000000003.wav",
        BuildWav({{"fmt ", FormatChunkData(1, 2, 44100, 176400, 4, 16), {}}, {"data", std::string(4000000, '\0'), {}},
                  InfoList({{"INAM", "x"}})}));
  Write("Music/Songs/Song0000000004.mp3", std::string("\xFF\xFB\x90\x64", 4) + std::string(4000000, '\0'));
  for (LONG id : {3, 4}) {
    tSong song = BoundSong(id, id == 3 ? ' ' : 'R');
    uint64_t before = tMediaFileReader::TotalBytesRead();
    ASSERT_EQ(0, song.ReadMediaInfo());
    EXPECT_LT(tMediaFileReader::TotalBytesRead() - before, 8u * 1024u) << id;
  }
}

}  // namespace
}  // namespace qh::dblib::media_testing
