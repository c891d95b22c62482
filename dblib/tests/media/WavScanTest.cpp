// The WAV reader against files that sox and ffmpeg write, and against damaged files built byte by byte.
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "dblib/MediaFileReader.h"
#include "dblib/tests/media/MediaTestBase.h"

namespace qh::dblib::media_testing {
namespace {

class WavScanTest : public MediaTest {};

// ---- Files written by real tools, compared with what soxi says of them ----

struct SoxCase {
  const char* name;
  const char* encoding;  // sox options of the output
  int rate;
  int channels;
  double seconds;
  int expectedResult;
  char expectedCode;
  WORD expectedTag;
};

class SoxWavTest : public MediaTest, public ::testing::WithParamInterface<SoxCase> {};

TEST_P(SoxWavTest, FormatAndLengthAgreeWithSoxi) {
  SKIP_WITHOUT("sox", "soxi");
  const SoxCase& c = GetParam();
  std::string file = std::string(c.name) + ".wav";
  ASSERT_TRUE(RunTool("sox -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) + " " + c.encoding +
                  " " + Quoted(Host(file)) + " synth " + std::to_string(c.seconds) + " sine 440"));
  tSong song;
  ASSERT_EQ(c.expectedResult, song.ScanWavFile(OnD(file), FALSE));
  EXPECT_EQ(c.expectedCode, song.SongCompression);
  EXPECT_EQ(c.expectedTag, song.WaveFormat.wFormatTag);
  EXPECT_EQ(std::atoi(Capture("soxi -r " + Quoted(Host(file))).c_str()), static_cast<int>(song.WaveFormat.nSamplesPerSec));
  EXPECT_EQ(std::atoi(Capture("soxi -c " + Quoted(Host(file))).c_str()), song.WaveFormat.nChannels);
  if (c.expectedResult != 0) {
    EXPECT_FALSE(song.MediaInfoRead);
    return;
  }
  EXPECT_TRUE(song.MediaInfoRead);
  double soxiMs = std::atof(Capture("soxi -D " + Quoted(Host(file))).c_str()) * 1000.0;
  // PCM lengths are exact up to the truncation; ADPCM lengths come from the byte rate and may be off by
  // the last block.
  double tolerance = song.SongCompression == ' ' ? 1.0 : std::max(30.0, soxiMs * 0.01);
  EXPECT_NEAR(soxiMs, song.SongLengthMS, tolerance) << c.name;
  EXPECT_EQ(static_cast<LONG>(song.WaveFormat.nAvgBytesPerSec * 8), song.BitRate);
  EXPECT_GT(song.DataOffset, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SoxWavTest,
    ::testing::Values(SoxCase{"pcm8_mono", "-b 8", 8000, 1, 1.5, 0, ' ', 1},
                      SoxCase{"pcm16_stereo", "-b 16", 44100, 2, 2.25, 0, ' ', 1},
                      SoxCase{"pcm16_mono_22k", "-b 16", 22050, 1, 0.5, 0, ' ', 1},
                      SoxCase{"ms_adpcm", "-e ms-adpcm", 22050, 1, 2.0, 0, 'A', 2},
                      SoxCase{"ms_adpcm_stereo", "-e ms-adpcm", 44100, 2, 1.0, 0, 'A', 2},
                      // IMA ADPCM has format tag 0x11, which the players do not take.
                      SoxCase{"ima_adpcm", "-e ima-adpcm", 22050, 1, 1.0, -8, '?', 0x11}),
    [](const ::testing::TestParamInfo<SoxCase>& info) { return std::string(info.param.name); });

TEST_F(WavScanTest, TwoSecondsOfNarrowPcmGiveTheExactLengthText) {
  SKIP_WITHOUT("sox");
  ASSERT_TRUE(RunTool("sox -n -r 8000 -c 1 -b 16 " + Quoted(Host("two.wav")) + " trim 0 2"));
  tSong song;
  ASSERT_EQ(0, song.ScanWavFile(OnD("two.wav"), TRUE));
  EXPECT_EQ(32000, song.DataBytes);
  EXPECT_EQ(2000, song.SongLengthMS);
  EXPECT_EQ(8 * 16000, song.BitRate);
  EXPECT_EQ("00:02.000", song.SongLength.str());
  EXPECT_EQ("two", song.SongName.str());
  EXPECT_EQ("Unknown Artist", song.SongArtist.str());
  EXPECT_EQ("Other", song.SongPrimaryGenre.str());
  EXPECT_EQ("two.wav", song.SongPath.str());
  EXPECT_EQ(kMusicSerial, song.SongVolser);
}

// ffmpeg writes its LIST INFO chunk before the data chunk; such files are read, tags included.
TEST_F(WavScanTest, ListBeforeDataFromFfmpegIsReadWithItsTags) {
  SKIP_WITHOUT("ffmpeg", "ffprobe");
  std::string host = Host("tagged.wav");
  ASSERT_TRUE(RunTool("ffmpeg -nostdin -y -f lavfi -i sine=frequency=440:duration=1.5:sample_rate=22050 -c:a pcm_s16le "
                  "-metadata title='Blue Monday' -metadata artist='The Band' -metadata genre=Rock " + Quoted(host)));
  std::string raw = qh::testing::ReadHostFile(host);
  ASSERT_LT(raw.find("LIST"), raw.find("data")) << "ffmpeg no longer writes LIST first";
  tSong song;
  ASSERT_EQ(0, song.ScanWavFile(OnD("tagged.wav"), TRUE));
  EXPECT_EQ("Blue Monday", song.SongName.str());
  EXPECT_EQ("Band", song.SongArtist.str());
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
  double probeMs = std::atof(Capture("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quoted(host)).c_str()) * 1000;
  EXPECT_NEAR(probeMs, song.SongLengthMS, 1.0);
}

TEST_F(WavScanTest, Mp3InsideWaveTakesTheLayer3Extension) {
  SKIP_WITHOUT("ffmpeg");
  std::string host = Host("mp3.wav");
  ASSERT_TRUE(RunTool("ffmpeg -nostdin -y -f lavfi -i sine=duration=2:sample_rate=44100 -c:a libmp3lame -b:a 128k -f wav " +
                  Quoted(host)));
  tSong song;
  ASSERT_EQ(0, song.ScanWavFile(OnD("mp3.wav"), FALSE));
  EXPECT_EQ('M', song.SongCompression);
  EXPECT_EQ(0x55, song.WaveFormat.wFormatTag);
  EXPECT_EQ(1, song.Mp3WaveFormat.wID);  // MPEGLAYER3_ID_MPEG
  EXPECT_GT(song.Mp3WaveFormat.nBlockSize, 0);
  EXPECT_NEAR(2000, song.SongLengthMS, 100);
}

// ---- Built byte by byte ----

std::string Pcm16Mono8k(uint32_t dataBytes) { return FormatChunkData(1, 1, 8000, 16000, 2, 16); }

TEST_F(WavScanTest, InfoTagsAfterTheDataFillTheRecord) {
  Write("info.wav", BuildWav({{"fmt ", Pcm16Mono8k(0), {}},
                              {"data", std::string(16000, '\0'), {}},
                              InfoList({{"INAM", "  Song Title  "},
                                        {"IART", "THE Who"},
                                        {"IPRD", " Album"},
                                        {"ICMT", "A comment"},
                                        {"ICRD", "1987-06-15"},
                                        {"IGNR", "Jazz"},
                                        {"IKEY", "slow"},
                                        {"IMED", "CD"},
                                        {"ICMS", "Label"},
                                        {"itrk", "7"}})}));
  tSong song;
  ASSERT_EQ(0, song.ScanWavFile(OnD("info.wav"), TRUE));
  EXPECT_EQ("Song Title", song.SongName.str());
  EXPECT_EQ("Who", song.SongArtist.str());
  EXPECT_EQ(" Album", song.SongAlbumName.str());
  EXPECT_EQ("A comment", song.SongComments.str());
  EXPECT_EQ("1987-06-15", song.SongDate.Format("%Y-%m-%d").str());
  EXPECT_EQ("Jazz", song.SongPrimaryGenre.str());
  EXPECT_EQ("slow", song.SongAttributes.str());
  EXPECT_EQ("CD", song.SongSource.str());
  EXPECT_EQ("Label", song.SongLabel.str());
  EXPECT_EQ(7, song.SongCdTrack);
  EXPECT_EQ(1000, song.SongLengthMS);
  EXPECT_EQ("00:01.000", song.SongLength.str());
}

TEST_F(WavScanTest, CreationDatesOutsideTheCenturiesOrImpossibleAreIgnored) {
  for (const char* date : {"1899-12-31", "2100-01-01", "2004-02-30", "1999"}) {
    Write("date.wav", BuildWav({{"fmt ", Pcm16Mono8k(0), {}}, {"data", std::string(2, '\0'), {}}, InfoList({{"ICRD", date}})}));
    tSong song;
    COleDateTime before = song.SongDate;
    ASSERT_EQ(0, song.ScanWavFile(OnD("date.wav"), TRUE)) << date;
    EXPECT_EQ(before.GetStatus(), song.SongDate.GetStatus()) << date;
    EXPECT_EQ(before.m_dt, song.SongDate.m_dt) << date;
  }
}

TEST_F(WavScanTest, TagsOffLeavesTheDescriptiveFieldsAlone) {
  Write("info.wav", BuildWav({InfoList({{"INAM", "Name"}}), {"fmt ", Pcm16Mono8k(0), {}}, {"data", std::string(2, '\0'), {}}}));
  tSong song;
  ASSERT_EQ(0, song.ScanWavFile(OnD("info.wav"), FALSE));
  EXPECT_TRUE(song.SongName.IsEmpty());
  EXPECT_TRUE(song.SongPath.IsEmpty());
  EXPECT_EQ(0u, song.SongVolser);
}

struct DamagedCase {
  const char* what;
  std::string content;
  int expectedResult;
  LONG expectedDataBytes;  // when the scan succeeds
};

class DamagedWavTest : public MediaTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedWavTest, BoundedAndQuick) {
  const DamagedCase& c = GetParam();
  Write("damaged.wav", c.content);
  tSong song;
  uint64_t bytesBefore = tMediaFileReader::TotalBytesRead();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c.expectedResult, song.ScanWavFile(OnD("damaged.wav"), TRUE)) << c.what;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.what;
  EXPECT_LE(tMediaFileReader::TotalBytesRead() - bytesBefore, c.content.size()) << c.what;
  EXPECT_EQ(c.expectedResult == 0, song.MediaInfoRead != FALSE) << c.what;
  if (c.expectedResult == 0) {
    EXPECT_EQ(c.expectedDataBytes, song.DataBytes) << c.what;
  }
  if (c.expectedResult == -8) {
    EXPECT_EQ('?', song.SongCompression) << c.what;
  }
}

const std::string kPcm = FormatChunkData(1, 1, 8000, 16000, 2, 16);

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedWavTest,
    ::testing::Values(
        DamagedCase{"data_larger_than_file", BuildWav({{"fmt ", kPcm, {}}, {"data", std::string(100, '\0'), 0xFFFFFFF0u}}), 0,
                    100},
        DamagedCase{"format_larger_than_file", BuildWav({{"fmt ", kPcm, 0xFFFFFF00u}, {"data", std::string(2, '\0'), {}}}), -3, 0},
        DamagedCase{"chunk_size_wraps", BuildWav({{"fmt ", kPcm, {}}, {"junk", "xx", 0xFFFFFFFFu}, {"data", std::string(2, '\0'), {}}}), -3,
                    0},
        DamagedCase{"zero_channels", BuildWav({{"fmt ", FormatChunkData(1, 0, 8000, 16000, 2, 16), {}}, {"data", std::string(2, '\0'), {}}}),
                    -8, 0},
        DamagedCase{"zero_rate", BuildWav({{"fmt ", FormatChunkData(1, 1, 0, 0, 2, 16), {}}, {"data", std::string(2, '\0'), {}}}), -8, 0},
        DamagedCase{"four_bit_pcm", BuildWav({{"fmt ", FormatChunkData(1, 1, 8000, 4000, 1, 4), {}}, {"data", std::string(2, '\0'), {}}}),
                    -8, 0},
        DamagedCase{"adpcm_zero_byte_rate", BuildWav({{"fmt ", FormatChunkData(2, 1, 8000, 0, 256, 4), {}}, {"data", std::string(2, '\0'), {}}}),
                    -8, 0},
        DamagedCase{"format_tag_0x11", BuildWav({{"fmt ", FormatChunkData(0x11, 1, 8000, 4055, 256, 4), {}}, {"data", std::string(2, '\0'), {}}}),
                    -8, 0},
        DamagedCase{"short_format_chunk", BuildWav({{"fmt ", kPcm.substr(0, 8), {}}, {"data", std::string(2, '\0'), {}}}), -8, 0},
        DamagedCase{"riff_size_zero", BuildWav({{"fmt ", kPcm, {}}, {"data", std::string(16, '\0'), {}}}, 0u), 0, 16},
        DamagedCase{"odd_chunk_padded", BuildWav({{"odd ", "abc", {}}, {"fmt ", kPcm, {}}, {"data", std::string(10, '\0'), {}}}),
                    0, 10},
        DamagedCase{"info_field_past_its_list",
                    BuildWav({{"fmt ", kPcm, {}}, {"data", std::string(2, '\0'), {}}, {"LIST", "INFOINAM" + Le32(0x7FFFFFFF) + "Name", {}}}),
                    0, 2},
        DamagedCase{"no_data_chunk", BuildWav({{"fmt ", kPcm, {}}}), -3, 0},
        DamagedCase{"no_first_chunk", "RIFF" + Le32(4) + "WAVE", -3, 0},
        DamagedCase{"not_riff", "RIFX" + Le32(4) + "WAVE", -2, 0},
        DamagedCase{"too_short", "RIFF", -2, 0}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) { return std::string(info.param.what); });

TEST_F(WavScanTest, FailuresBeforeTheFileIsReadAndPathChecks) {
  tSong song;
  EXPECT_EQ(-1, song.ScanWavFile(OnD("missing.wav"), FALSE));
  EXPECT_EQ(-1, song.ScanWavFile("", FALSE));

  Write("ok.wav", BuildWav({{"fmt ", kPcm, {}}, {"data", std::string(1600, '\0'), {}}}));
  // A host path is not of the form drive, colon, backslash: the media facts are filled, then -6.
  EXPECT_EQ(-6, song.ScanWavFile(Host("ok.wav").c_str(), TRUE));
  EXPECT_EQ(100, song.SongLengthMS);
  EXPECT_FALSE(song.MediaInfoRead);

  // A drive without a volume serial: -7 after the media facts were filled.
  std::string folder = sandbox.AddDrive('N', 0, "NOSERIAL");
  qh::testing::WriteHostFile(folder + "/ok.wav", qh::testing::ReadHostFile(Host("ok.wav")));
  tSong other;
  EXPECT_EQ(-7, other.ScanWavFile("N:\\ok.wav", TRUE));
  EXPECT_EQ(1600, other.DataBytes);
  EXPECT_TRUE(other.SongPath.IsEmpty());
  EXPECT_EQ(0, other.ScanWavFile("N:\\ok.wav", FALSE));
}

}  // namespace
}  // namespace qh::dblib::media_testing
