// The compress dialog: bitrate and compressor choices, songs compressed to MP3 through the real encoder
// module (decoded again by mpg123), a missing encoder, a song whose MP3 cannot take its place, and a
// dialog closed in the middle of a song.
#include <chrono>
#include <filesystem>
#include <thread>

#include "recorder/CompressDlg.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kGo = 1100, kSlider = 1071, kCompressors = 1097, kCountText = 1101, kSongText = 1102,
              kBitrateText = 1103, kSongBar = 1099;

class CompressDlgTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
  }
  void TearDown() override {
    RecorderTest::TearDown();
  }
  std::string SongFile(LONG songId, const char* prefix, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "C/Quaverhouse/Songs/%s%010ld.%s", prefix, static_cast<long>(songId), extension);
    return sandbox->HostPath(name);
  }
  LONG AddWavSong(const char* name, double seconds = 1.0) {
    LONG id = AddSong({.name = name, .artist = "Band", .album = "Record"});
    EXPECT_TRUE(MakeMediaFile(id, ' ', seconds));
    return id;
  }
  char CodeOf(LONG songId) {
    auto song = Load(songId);
    return song ? song->SongCompression : '?';
  }
  // Lets the dialog's timer and the worker run until the condition holds (false after the time-out).
  static long DecodedSamples(const std::string& mp3) {
    std::string wav = mp3 + ".decoded.wav";
    if (!RunTool("mpg123 -q -w '" + wav + "' '" + mp3 + "'")) return -1;
    std::string info = ReadHostFile(wav);
    fs::remove(wav);
    return info.size() > 44 ? static_cast<long>((info.size() - 44) / 4) : 0;
  }
  std::string RunDialog(std::function<void(CDialog&)> script, const char* encoder = nullptr) {
    std::string finalText;
    OnDialog(IDD_COMPRESS, [&](CDialog& dialog) {
      script(dialog);
      finalText = TextOf(dialog, kCountText);
      Click(dialog, IDCANCEL);
    });
    CCompressDlg compress(Db(), Storage());
    if (encoder != nullptr) compress.SetEncoderModule(encoder);
    compress.DoModal();
    return finalText;
  }
};

TEST(CompressFigures, PlayTimeOfSongLengths) {
  struct Case {
    const char* length;
    double seconds;
  } cases[] = {{"03:25.500", 205.5}, {"00:00.001", 0.001}, {"10:00.000", 600.0}, {"03:25.50", 0.0}, {"", 0.0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.seconds, CCompressDlg::PlayTimeOf(c.length)) << c.length;
}

TEST_F(CompressDlgTest, StoredBitrateSetsTheSliderAndAnOddOneFallsBackToStudioQuality) {
  struct Case {
    int stored, position;
    const char* text;
  } cases[] = {{128000, 1, "MP3 Bitrate: 128 kbps (Near CD Quality)"},
               {320000, 4, "MP3 Bitrate: 320 kbps (Archival Quality)"},
               {100000, 3, "MP3 Bitrate: 256 kbps (Studio Quality)"}};
  for (const auto& c : cases) {
    app->WriteProfileInt("Recorder", "Mp3Bitrate", c.stored);
    int position = 0;
    std::string text;
    std::vector<std::string> entries;
    bool goEnabled = true;
    RunDialog([&](CDialog& dialog) {
      position = static_cast<CSliderCtrl*>(dialog.GetDlgItem(kSlider))->GetPos();
      text = TextOf(dialog, kBitrateText);
      goEnabled = IsEnabled(dialog, kGo);
      auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(kCompressors));
      for (int i = 0; i < combo->GetCount(); ++i) {
        CString entry;
        combo->GetLBText(i, entry);
        entries.push_back(entry.str());
      }
      EXPECT_EQ(combo->GetCount() - 1, combo->GetCurSel()) << "MP3 is chosen";
    });
    EXPECT_EQ(c.position, position) << c.stored;
    EXPECT_EQ(c.text, text);
    EXPECT_FALSE(goEnabled) << "no song to compress";
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ("MP3", entries.back());
    EXPECT_EQ(c.position == 3 ? 256000 : c.stored,
              static_cast<int>(app->GetProfileInt("Recorder", "Mp3Bitrate", 0)))
        << "closing keeps the bitrate shown";
  }
  EXPECT_EQ("0 songs to be compressed", RunDialog([](CDialog&) {}));
}

TEST_F(CompressDlgTest, CompressesEveryWavSongToMp3FromTheMainDialog) {
  if (!HaveTool("sox") || !HaveTool("mpg123")) GTEST_SKIP() << "sox and mpg123 make and read the audio";
  LONG first = AddWavSong("First", 1.0);
  LONG second = AddWavSong("Second", 2.0);
  LONG already = AddSong({.name = "Done", .artist = "Band", .code = 'R'});
  app->WriteProfileInt("Recorder", "Mp3Bitrate", 128000);
  std::string rate, status;
  OnDialog(IDD_COMPRESS, [&](CDialog& dialog) {
    EXPECT_EQ("2 songs to be compressed", TextOf(dialog, kCountText));
    Click(dialog, kGo);
    EXPECT_FALSE(IsEnabled(dialog, kGo));
    EXPECT_TRUE(RunUntil([&] { return TextOf(dialog, kCountText).rfind("COMPLETE!", 0) == 0; }, 60));
    EXPECT_EQ("COMPLETE! 2 songs compressed.", TextOf(dialog, kCountText));
    rate = TextOf(dialog, kSongText);
    EXPECT_EQ("C&lose", TextOf(dialog, IDCANCEL));
    Snapshot(dialog, "recorder-compress");
    Click(dialog, IDCANCEL);
  });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    Click(dialog, 1117);
    Click(dialog, IDOK);
  });
  CRecorderDlg main;
  main.DoModal();
  EXPECT_EQ(0u, rate.find("Compression Rate: ")) << rate;
  EXPECT_TRUE(boxTexts.empty()) << boxTexts.front();
  for (auto [id, seconds] : {std::pair{first, 1.0}, std::pair{second, 2.0}}) {
    EXPECT_EQ('R', CodeOf(id));
    EXPECT_FALSE(fs::exists(SongFile(id, "Song", "wav")));
    EXPECT_FALSE(fs::exists(SongFile(id, "Temp", "mp3")));
    long samples = DecodedSamples(SongFile(id, "Song", "mp3"));
    EXPECT_NEAR(44100 * seconds, samples, 44100 * 0.1) << "song " << id;
  }
  EXPECT_EQ('R', CodeOf(already));
  EXPECT_EQ(128000, static_cast<int>(app->GetProfileInt("Recorder", "Mp3Bitrate", 0)));
}

TEST_F(CompressDlgTest, AMissingEncoderIsReportedAndTheWavSongStaysIntact) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox makes the audio";
  LONG id = AddWavSong("Kept");
  std::string before = ReadHostFile(SongFile(id, "Song", "wav"));
  std::string closeCaption;
  RunDialog(
      [&](CDialog& dialog) {
        Click(dialog, kGo);
        EXPECT_TRUE(RunUntil([&] { return !boxTexts.empty(); }, 20));
        RunUntil([] { return false; }, 2);  // the timer keeps running without touching the song
        closeCaption = TextOf(dialog, IDCANCEL);
      },
      "no_such_encoder.dll");
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ(
      "Error: There is a problem with the mp3 encoder (lame_enc.dll). Make sure this file was installed correctly and "
      "is not corrupted.",
      boxTexts[0]);
  EXPECT_EQ("C&lose", closeCaption);
  EXPECT_EQ(' ', CodeOf(id));
  EXPECT_EQ(before, ReadHostFile(SongFile(id, "Song", "wav")));
  EXPECT_FALSE(fs::exists(SongFile(id, "Temp", "mp3")));
  EXPECT_FALSE(fs::exists(SongFile(id, "Song", "mp3")));
}

TEST_F(CompressDlgTest, ASongWhoseMp3CannotTakeItsPlaceKeepsItsWavAndTheNextFollows) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox makes the audio";
  LONG blocked = AddWavSong("Blocked");
  LONG next = AddWavSong("Next");
  // A folder where the MP3 should go: the finished work file cannot be moved there.
  fs::create_directories(SongFile(blocked, "Song", "mp3"));
  std::string before = ReadHostFile(SongFile(blocked, "Song", "wav"));
  std::string finalText = RunDialog([&](CDialog& dialog) {
    Click(dialog, kGo);
    EXPECT_TRUE(RunUntil([&] { return TextOf(dialog, kCountText).rfind("COMPLETE!", 0) == 0; }, 60));
  });
  EXPECT_EQ("COMPLETE! 1 songs compressed.", finalText) << "only the song that was compressed counts";
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ(
      "An error occurred while trying to delete source audio file as part of the compression process. The current "
      "song will not be flagged as compressed in the database.",
      boxTexts[0]);
  EXPECT_EQ(' ', CodeOf(blocked));
  EXPECT_EQ(before, ReadHostFile(SongFile(blocked, "Song", "wav")));
  EXPECT_FALSE(fs::exists(SongFile(blocked, "Temp", "mp3")));
  EXPECT_EQ('R', CodeOf(next));
  EXPECT_TRUE(fs::is_regular_file(SongFile(next, "Song", "mp3")));
  EXPECT_FALSE(fs::exists(SongFile(next, "Song", "wav")));
}

// A missing file and a sample format the encoder refuses cost only their own songs: the run skips them
// with their reasons, in the order of the song ids, and compresses the rest.
TEST_F(CompressDlgTest, SongsThatCannotBeCompressedAreSkippedWithTheirReasonsAndTheRunGoesOn) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox makes the audio";
  LONG first = AddWavSong("First");
  LONG missing = AddWavSong("Missing");
  LONG eightBit = AddWavSong("Eight Bit");
  LONG last = AddWavSong("Last");
  fs::remove(SongFile(missing, "Song", "wav"));
  const std::string narrow = SongFile(eightBit, "Song", "wav");
  ASSERT_TRUE(RunTool("sox -n -r 22050 -c 1 -b 8 '" + narrow + "' synth 1 sine 440"));
  const std::string narrowBytes = ReadHostFile(narrow);
  std::string finalText = RunDialog([&](CDialog& dialog) {
    EXPECT_EQ("4 songs to be compressed", TextOf(dialog, kCountText));
    Click(dialog, kGo);
    EXPECT_TRUE(RunUntil([&] { return TextOf(dialog, kCountText).rfind("COMPLETE!", 0) == 0; }, 90));
  });
  EXPECT_EQ("COMPLETE! 2 songs compressed.", finalText);
  EXPECT_EQ('R', CodeOf(first));
  EXPECT_EQ('R', CodeOf(last));
  EXPECT_TRUE(fs::is_regular_file(SongFile(last, "Song", "mp3")));
  EXPECT_EQ(' ', CodeOf(missing));
  EXPECT_EQ(' ', CodeOf(eightBit));
  EXPECT_EQ(narrowBytes, ReadHostFile(narrow));
  EXPECT_FALSE(fs::exists(SongFile(eightBit, "Temp", "mp3")));
  EXPECT_FALSE(fs::exists(SongFile(eightBit, "Song", "mp3")));
  ASSERT_EQ(1u, boxTexts.size());
  const std::string& box = boxTexts[0];
  EXPECT_EQ(0u, box.find("2 songs were not compressed and stay as they were:\nSong " + std::to_string(missing) +
                         " (Missing - Band): its file "))
      << box;
  const size_t second = box.find("\nSong " + std::to_string(eightBit) + " (Eight Bit - Band): ");
  ASSERT_NE(std::string::npos, second) << box;
  EXPECT_EQ(std::string::npos, box.find("the compressor stopped with error", second)) << "the worker's own reason: " << box;
}

// The song's row cannot be written (the database refuses the update): the song keeps its WAV and its
// row, no MP3 is left, and the count says so.
TEST_F(CompressDlgTest, ASongWhoseRowCannotBeWrittenStaysPlayableAsItWas) {
  if (!HaveTool("sox") || !HaveTool("sqlite3")) GTEST_SKIP() << "sox makes the audio, sqlite3 sets the refusal";
  LONG refused = AddWavSong("Refused");
  LONG next = AddWavSong("Next");
  const std::string before = ReadHostFile(SongFile(refused, "Song", "wav"));
  ASSERT_TRUE(RunTool("sqlite3 '" + sandbox->HostPath("C/Quaverhouse/Quaverhouse.qhd") +
                      "' \"CREATE TRIGGER refuse BEFORE UPDATE ON Songs WHEN OLD.SongID = " + std::to_string(refused) +
                      " BEGIN SELECT RAISE(ABORT, 'refused'); END;\""));
  std::string finalText = RunDialog([&](CDialog& dialog) {
    Click(dialog, kGo);
    EXPECT_TRUE(RunUntil([&] { return TextOf(dialog, kCountText).rfind("COMPLETE!", 0) == 0; }, 60));
  });
  EXPECT_EQ("COMPLETE! 1 songs compressed.", finalText);
  EXPECT_EQ(' ', CodeOf(refused));
  EXPECT_EQ(before, ReadHostFile(SongFile(refused, "Song", "wav")));
  EXPECT_FALSE(fs::exists(SongFile(refused, "Song", "mp3")));
  EXPECT_FALSE(fs::exists(SongFile(refused, "Temp", "mp3")));
  EXPECT_EQ('R', CodeOf(next));
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_NE(std::string::npos, boxTexts[0].find("(Refused - Band): its row in the song database could not be written."))
      << boxTexts[0];
}

TEST_F(CompressDlgTest, ClosingDuringASongStopsTheWorkerAndRemovesItsWorkFile) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox makes the audio";
  LONG id = AddWavSong("Long", 120.0);
  std::string before = ReadHostFile(SongFile(id, "Song", "wav"));
  bool started = false;
  RunDialog([&](CDialog& dialog) {
    Click(dialog, kGo);
    started = RunUntil([&] {
      return static_cast<CProgressCtrl*>(dialog.GetDlgItem(kSongBar))->GetPos() > 0 &&
             fs::exists(SongFile(id, "Temp", "mp3"));
    });
  });
  EXPECT_TRUE(started);
  EXPECT_TRUE(boxTexts.empty());
  EXPECT_EQ(' ', CodeOf(id));
  EXPECT_EQ(before, ReadHostFile(SongFile(id, "Song", "wav")));
  EXPECT_FALSE(fs::exists(SongFile(id, "Temp", "mp3")));
  EXPECT_FALSE(fs::exists(SongFile(id, "Song", "mp3")));
}

TEST_F(CompressDlgTest, AdpcmReplacesTheWavUnderItsOwnName) {
  if (!HaveTool("sox") || !HaveTool("soxi")) GTEST_SKIP() << "sox makes and reads the audio";
  LONG id = AddWavSong("Adpcm", 1.0);
  bool offered = false;
  std::string finalText = RunDialog([&](CDialog& dialog) {
    auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(kCompressors));
    offered = combo->GetCount() == 2;
    if (!offered) return;
    Choose(dialog, kCompressors, "ADPCM");
    Click(dialog, kGo);
    EXPECT_TRUE(RunUntil([&] { return TextOf(dialog, kCountText).rfind("COMPLETE!", 0) == 0; }, 60));
  });
  if (!offered) GTEST_SKIP() << "no ADPCM codec on this machine";
  EXPECT_EQ("COMPLETE! 1 songs compressed.", finalText);
  EXPECT_TRUE(boxTexts.empty());
  EXPECT_EQ('A', CodeOf(id));
  std::string wav = SongFile(id, "Song", "wav");
  EXPECT_TRUE(RunTool("soxi -e '" + wav + "' | grep -qi adpcm")) << "the song's own name holds the ADPCM file";
  EXPECT_FALSE(fs::exists(wav + ".old"));
  EXPECT_FALSE(fs::exists(SongFile(id, "Temp", "wav")));
}

}  // namespace
}  // namespace qh::recorder::testing
