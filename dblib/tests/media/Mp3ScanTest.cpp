// The MP3 reader against files that lame and id3v2 write (compared with ffprobe), and against frames
// and tags built byte by byte.
#include <cmath>
#include <cstdlib>
#include <map>

#include "dblib/MediaFileReader.h"
#include "dblib/tests/media/MediaTestBase.h"

namespace qh::dblib::media_testing {
namespace {

class Mp3ScanTest : public MediaTest {
 protected:
  // A sine made by sox and encoded by lame with the given options.
  bool Encode(const std::string& name, int rate, int channels, double seconds, const std::string& lameOptions) {
    std::string wav = Host(name + ".src.wav");
    return RunTool("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 " + Quoted(wav) +
               " synth " + std::to_string(seconds) + " sine 440") &&
           RunTool("lame --quiet " + lameOptions + " " + Quoted(wav) + " " + Quoted(Host(name)));
  }
  // What ffprobe says of the file's first audio stream and of the whole file, by key ("sample_rate", ...).
  std::map<std::string, std::string> Probe(const std::string& name) {
    std::map<std::string, std::string> facts;
    std::string output = Capture("ffprobe -v error -select_streams a:0 -show_entries "
                                 "stream=sample_rate,channels,bit_rate:format=duration -of default=nw=1 " +
                                 Quoted(Host(name)));
    size_t start = 0;
    while (start < output.size()) {
      size_t end = output.find('\n', start);
      if (end == std::string::npos) end = output.size();
      std::string line = output.substr(start, end - start);
      size_t equals = line.find('=');
      if (equals != std::string::npos) facts[line.substr(0, equals)] = line.substr(equals + 1);
      start = end + 1;
    }
    return facts;
  }
};

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo.
const std::string kFrameHeader = "\xFF\xFB\x90\x64";

std::string Frames(size_t bytes) {
  std::string frames;
  while (frames.size() + 418 <= bytes) frames += kFrameHeader + std::string(414, '\0');
  frames.resize(bytes, '\0');
  return frames;
}

// ---- Files written by lame, compared with ffprobe ----

struct LameCase {
  const char* name;
  int rate;
  int channels;
  const char* options;
  LONG expectedBitRate;    // 0 for VBR, whose first frame says little about the whole
  LONG expectedVersion;
  LONG expectedChannelMode;
};

class LameMp3Test : public Mp3ScanTest, public ::testing::WithParamInterface<LameCase> {};

TEST_P(LameMp3Test, FormatAndLengthAgreeWithFfprobe) {
  SKIP_WITHOUT("sox", "lame", "ffprobe");
  const LameCase& c = GetParam();
  std::string file = std::string(c.name) + ".mp3";
  ASSERT_TRUE(Encode(file, c.rate, c.channels, 3.0, c.options));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD(file), FALSE));
  EXPECT_TRUE(song.MediaInfoRead);
  std::map<std::string, std::string> probe = Probe(file);
  EXPECT_EQ(std::atoi(probe["sample_rate"].c_str()), song.MpegSampleRate);
  EXPECT_EQ(c.expectedVersion, song.MpegVersion);
  EXPECT_EQ(c.expectedChannelMode, song.MpegChannelMode);
  EXPECT_EQ(c.channels, std::atoi(probe["channels"].c_str()));
  if (c.expectedBitRate == 0) {
    EXPECT_GE(song.BitRate, 56000);
    EXPECT_GT(song.SongLengthMS, 0);
    return;
  }
  EXPECT_EQ(c.expectedBitRate, song.BitRate);
  EXPECT_EQ(c.expectedBitRate, std::atol(probe["bit_rate"].c_str()));
  // The length comes from bytes and rate: the encoder's own header frame and padding add a little.
  double probeMs = std::atof(probe["duration"].c_str()) * 1000.0;
  EXPECT_NEAR(probeMs, song.SongLengthMS, 80.0);
}

INSTANTIATE_TEST_SUITE_P(Files, LameMp3Test,
                         ::testing::Values(LameCase{"cbr128_stereo", 44100, 2, "-b 128 --cbr -m j", 128000, 3, 1},
                                           LameCase{"cbr192_stereo", 48000, 2, "-b 192 --cbr -m s", 192000, 3, 0},
                                           LameCase{"cbr64_mono_mpeg2", 22050, 1, "-b 64 --cbr -m m", 64000, 2, 3},
                                           LameCase{"vbr_stereo", 44100, 2, "-V 2 -m j", 0, 3, 1},
                                           LameCase{"vbr_mono", 32000, 1, "-V 4 -m m", 0, 3, 3}),
                         [](const ::testing::TestParamInfo<LameCase>& info) { return std::string(info.param.name); });

TEST_F(Mp3ScanTest, LowBitRateIsRefused) {
  SKIP_WITHOUT("sox", "lame");
  ASSERT_TRUE(Encode("low.mp3", 44100, 1, 1.0, "-b 48 --cbr -m m"));
  tSong song;
  EXPECT_EQ(-5, song.ScanMp3File(OnD("low.mp3"), TRUE));
  EXPECT_EQ(48000, song.BitRate);
  EXPECT_FALSE(song.MediaInfoRead);
}

TEST_F(Mp3ScanTest, Id3v1TagsFromId3v2Tool) {
  SKIP_WITHOUT("sox", "lame", "id3v2");
  ASSERT_TRUE(Encode("tagged.mp3", 44100, 2, 1.0, "-b 128 --cbr"));
  ASSERT_TRUE(RunTool("id3v2 -1 -t ' Title ' -a 'The Artist' -A Album -y 1999 -c Comment -T 7 -g 17 " + Quoted(Host("tagged.mp3"))));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("tagged.mp3"), TRUE));
  EXPECT_EQ("Title", song.SongName.str());
  EXPECT_EQ("Artist", song.SongArtist.str());
  EXPECT_EQ("Album", song.SongAlbumName.str());
  EXPECT_EQ("Comment", song.SongComments.str());
  EXPECT_EQ(7, song.SongCdTrack);
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
  EXPECT_EQ("1999-01-01 00:00:00", song.SongDate.Format("%Y-%m-%d %H:%M:%S").str());
  EXPECT_EQ("MP3 File", song.SongSource.str());
  EXPECT_EQ('3', song.SongCompression);
  EXPECT_EQ("tagged.mp3", song.SongPath.str());
  EXPECT_EQ(kMusicSerial, song.SongVolser);
  EXPECT_EQ(COleDateTime::valid, song.SongRecordDate.GetStatus());
  LONG fileBytes = static_cast<LONG>(qh::testing::ReadHostFile(Host("tagged.mp3")).size());
  EXPECT_EQ(fileBytes - 128 - song.DataOffset, song.DataBytes);
}

// The ID3v2 tag (here with 100 000 bytes of padding, as a picture would be) is not audio.
TEST_F(Mp3ScanTest, Id3v2TagIsNeitherAudioNorRead) {
  SKIP_WITHOUT("sox", "lame");
  ASSERT_TRUE(Encode("plain.mp3", 44100, 2, 2.0, "-b 128 --cbr --id3v1-only --tt Plain"));
  ASSERT_TRUE(Encode("big.mp3", 44100, 2, 2.0, "-b 128 --cbr --add-id3v2 --pad-id3v2-size 100000 --tt Big"));
  tSong plain, big;
  ASSERT_EQ(0, plain.ScanMp3File(OnD("plain.mp3"), FALSE));
  uint64_t before = tMediaFileReader::TotalBytesRead();
  ASSERT_EQ(0, big.ScanMp3File(OnD("big.mp3"), FALSE));
  EXPECT_LT(tMediaFileReader::TotalBytesRead() - before, 64u * 1024u);
  EXPECT_GT(big.DataOffset, 100000);
  EXPECT_EQ(plain.DataBytes, big.DataBytes);
  EXPECT_EQ(plain.SongLengthMS, big.SongLengthMS);
}

// ---- Built byte by byte ----

TEST_F(Mp3ScanTest, ExactLengthFromBytesAndRate) {
  Write("exact.mp3", Frames(1280000) + Id3v1Trailer("", "", "", "", "", 0, 255));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("exact.mp3"), FALSE));
  EXPECT_EQ(128000, song.BitRate);
  EXPECT_EQ(44100, song.MpegSampleRate);
  EXPECT_EQ(3, song.MpegVersion);
  EXPECT_EQ(1, song.MpegChannelMode);
  EXPECT_EQ(0, song.MpegPadding);
  EXPECT_EQ(1280000, song.DataBytes);
  EXPECT_EQ(80000, song.SongLengthMS);
  EXPECT_EQ(0, song.DataOffset);
}

TEST_F(Mp3ScanTest, SyncsafeTagSizeGivesTheDataOffset) {
  Write("v2.mp3", std::string("ID3\x03\x00\x00\x00\x00\x02\x01", 10) + std::string(257, '\xFF') + Frames(16000));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("v2.mp3"), FALSE));
  EXPECT_EQ(267, song.DataOffset);
  EXPECT_EQ(16000, song.DataBytes);
  EXPECT_EQ(1000, song.SongLengthMS);
}

TEST_F(Mp3ScanTest, SyncSearchPassesOverBytesThatDoNotMatch) {
  Write("junk.mp3", std::string("\x00\xFF\x10\x00", 4) + Frames(16000));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("junk.mp3"), FALSE));
  EXPECT_EQ(128000, song.BitRate);
}

struct GenreCase {
  int genreByte;
  const char* expectedGenre;
  const char* year;
  int expectedYear;  // 0: the current date
};

class Mp3TrailerTest : public Mp3ScanTest, public ::testing::WithParamInterface<GenreCase> {};

TEST_P(Mp3TrailerTest, GenreAndYear) {
  const GenreCase& c = GetParam();
  Write("g.mp3", Frames(16000) + Id3v1Trailer("Name", "Artist", "", c.year, "", 0, c.genreByte));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("g.mp3"), TRUE));
  EXPECT_EQ(c.expectedGenre, song.SongPrimaryGenre.str());
  int expectedYear = c.expectedYear != 0 ? c.expectedYear : COleDateTime::GetCurrentTime().GetYear();
  EXPECT_EQ(expectedYear, song.SongDate.GetYear());
  if (c.expectedYear != 0) {
    EXPECT_EQ(1, song.SongDate.GetDayOfYear());
  }
}

INSTANTIATE_TEST_SUITE_P(Trailers, Mp3TrailerTest,
                         ::testing::Values(GenreCase{0, "Blues", "1999", 1999}, GenreCase{12, "Other", "1900", 1900},
                                           GenreCase{147, "Synth Pop", "2098", 2098}, GenreCase{148, "Other", "2099", 0},
                                           GenreCase{255, "Other", "1899", 0}, GenreCase{17, "Rock", "", 0}));

TEST_F(Mp3ScanTest, NoTrailerNamesTheSongAfterItsFile) {
  Write("Best-Of_2.mp3", Frames(16000));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("Best-Of_2.mp3"), TRUE));
  EXPECT_EQ("Best Of 2", song.SongName.str());
  EXPECT_EQ("Unknown Artist", song.SongArtist.str());
  EXPECT_EQ("Other", song.SongPrimaryGenre.str());
  EXPECT_EQ(16000, song.DataBytes);
}

// A trailer with a blank title and artist gets the same names as a file without one.
TEST_F(Mp3ScanTest, BlankTrailerFieldsGetTheDefaults) {
  Write("Blank_Song.mp3", Frames(16000) + Id3v1Trailer("   ", "", "Album", "2001", "", 3, 17));
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("Blank_Song.mp3"), TRUE));
  EXPECT_EQ("Blank Song", song.SongName.str());
  EXPECT_EQ("Unknown Artist", song.SongArtist.str());
  EXPECT_EQ("Album", song.SongAlbumName.str());
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
  EXPECT_EQ(3, song.SongCdTrack);
}

// A file shorter than a trailer has none, even when it holds "TAG".
TEST_F(Mp3ScanTest, FileShorterThanATrailer) {
  std::string tiny = kFrameHeader + std::string(20, '\0') + "TAG" + std::string(40, 'x');
  Write("tiny.mp3", tiny);
  tSong song;
  ASSERT_EQ(0, song.ScanMp3File(OnD("tiny.mp3"), TRUE));
  EXPECT_EQ(static_cast<LONG>(tiny.size()), song.DataBytes);
  EXPECT_EQ("tiny", song.SongName.str());
}

TEST_F(Mp3ScanTest, Failures) {
  tSong song;
  EXPECT_EQ(-1, song.ScanMp3File(OnD("missing.mp3"), FALSE));
  Write("zeros.mp3", std::string(10000, '\0'));
  EXPECT_EQ(-3, song.ScanMp3File(OnD("zeros.mp3"), FALSE));
  Write("tagonly.mp3", std::string("ID3\x03\x00\x00\x00\x00\x7F\x7F", 10));
  EXPECT_EQ(-3, song.ScanMp3File(OnD("tagonly.mp3"), FALSE));
  Write("reserved.mp3", std::string("\xFF\xF9\x90\x64", 4) + std::string(1000, '\0'));
  EXPECT_EQ(-4, song.ScanMp3File(OnD("reserved.mp3"), FALSE));
  Write("freeformat.mp3", std::string("\xFF\xFB\x00\x64", 4) + std::string(1000, '\0'));
  EXPECT_EQ(-5, song.ScanMp3File(OnD("freeformat.mp3"), FALSE));
  Write("badrate.mp3", std::string("\xFF\xFB\xF0\x64", 4) + std::string(1000, '\0'));
  EXPECT_EQ(-5, song.ScanMp3File(OnD("badrate.mp3"), FALSE));
  EXPECT_FALSE(song.MediaInfoRead);

  Write("ok.mp3", Frames(16000));
  EXPECT_EQ(-6, song.ScanMp3File(Host("ok.mp3").c_str(), TRUE));
  std::string folder = sandbox.AddDrive('N', 0, "NOSERIAL");
  qh::testing::WriteHostFile(folder + "/ok.mp3", Frames(16000));
  tSong other;
  EXPECT_EQ(-7, other.ScanMp3File("N:\\ok.mp3", TRUE));
  EXPECT_EQ(128000, other.BitRate);
  EXPECT_EQ(1000, other.SongLengthMS);
  EXPECT_FALSE(other.MediaInfoRead);
}

}  // namespace
}  // namespace qh::dblib::media_testing
