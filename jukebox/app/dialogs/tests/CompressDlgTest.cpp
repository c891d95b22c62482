// The compress dialog over WAV songs made with sox: each becomes a managed MP3 (decoded by mpg123)
// with code 'R', a failed encode or a refused move keeps the WAV song as it was, and the run goes on.
#include <chrono>
#include <filesystem>
#include <fstream>

#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/dialogs/CompressDlg.h"
#include "jukebox/app/dialogs/MediaDialogRunners.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"

namespace media_dialogs_test {
namespace {

namespace fs = std::filesystem;

class CompressDlgTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    if (!RunTool("command -v sox") || !RunTool("command -v mpg123")) GTEST_SKIP() << "sox and mpg123 are needed";
    InstallMediaDialogRunners();
  }
  LONG AddWavSong(const std::string& name, int bits = 16, double seconds = 1.0) {
    const LONG id = AddSong({.name = name, .artist = "Artist", .length = "00:01.000"});
    EXPECT_TRUE(RunTool("sox -n -r 44100 -c 2 -b " + std::to_string(bits) + " '" + SongFile(id, "wav") +
                        "' synth " + std::to_string(seconds) + " sine 440"));
    return id;
  }
  char CodeOf(LONG id) {
    auto song = Load(id);
    return song ? song->SongCompression : '?';
  }
  // Clicks "C&ompress" and waits for the run to end, then closes the dialog.
  void CompressAll(CDialog& dialog) {
    Click(dialog, CCompressDlg::kCompress);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (TextOf(dialog, CCompressDlg::kCounts).rfind("COMPLETE!", 0) != 0 &&
           std::chrono::steady_clock::now() < end)
      Settle();
    completeText = TextOf(dialog, CCompressDlg::kCounts);
    EXPECT_EQ(TextOf(dialog, IDCANCEL), "&Close");
    Click(dialog, IDCANCEL);
  }
  int RunWithBitRate(int& bitRate) { return static_cast<int>(MainWindowDialogs().compressDialog(bitRate)); }
  std::string completeText;
};

TEST_F(CompressDlgTest, WavSongsBecomeMp3SongsAndTheRateIsNormalised) {
  const LONG first = AddWavSong("First"), second = AddWavSong("Second");
  // A song ripped from a CD keeps its track number in the library, not in the jukebox's tag.
  {
    auto song = Load(first);
    ASSERT_TRUE(song);
    song->SetSongCdTrack(5);
    ASSERT_EQ(song->Update(), 1);
  }
  const LONG kept = AddSong({.name = "Kept", .artist = "Artist", .uncompressed = TRUE});
  OnDialog(CCompressDlg::IDD, [this](CDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, CCompressDlg::kCounts), "2 songs to be compressed");
    EXPECT_EQ(TextOf(dialog, CCompressDlg::kRateLabel), "MP3 Bitrate: 256 kbps (Studio Quality)");
    EXPECT_EQ(static_cast<CSliderCtrl*>(dialog.GetDlgItem(CCompressDlg::kSlider))->GetPos(), 2);
    CompressAll(dialog);
  });
  int bitRate = 192000;
  RunWithBitRate(bitRate);
  EXPECT_EQ(bitRate, 256000);
  EXPECT_EQ(completeText, "COMPLETE! 2 songs compressed.");
  for (LONG id : {first, second}) {
    EXPECT_EQ(CodeOf(id), 'R') << id;
    EXPECT_FALSE(fs::exists(SongFile(id, "wav"))) << id;
    EXPECT_FALSE(fs::exists(TempFile(id, "mp3"))) << id;
    ASSERT_TRUE(fs::exists(SongFile(id, "mp3"))) << id;
    const std::string decoded = Host("decoded.wav");
    ASSERT_TRUE(RunTool("mpg123 -q -w '" + decoded + "' '" + SongFile(id, "mp3") + "'"));
    EXPECT_TRUE(RunTool("test $(soxi -s '" + decoded + "') -ge 44100"));
    const std::string mp3 = ReadHostFile(SongFile(id, "mp3"));
    ASSERT_GT(mp3.size(), 128u);
    EXPECT_EQ(mp3.substr(mp3.size() - 128, 3), "TAG");
    EXPECT_EQ(mp3[mp3.size() - 128 + 125], '\0');
    EXPECT_EQ(mp3[mp3.size() - 128 + 126], '\0') << "the tag carries no track number, song " << id;
    EXPECT_EQ(mp3.substr(mp3.size() - 128 + 3, 5), id == first ? "First" : "Secon");
  }
  EXPECT_EQ(CodeOf(kept), ' ');
}

TEST_F(CompressDlgTest, AFailedEncodeKeepsTheWavSongAndTheRunGoesOn) {
  const LONG broken = AddWavSong("Eight bits", 8);  // the encoder takes 16-bit samples only
  const LONG good = AddWavSong("Good");
  const std::string brokenWav = ReadHostFile(SongFile(broken, "wav"));
  OnDialog(CCompressDlg::IDD, [this](CDialog& dialog) { CompressAll(dialog); });
  int bitRate = 128000;
  RunWithBitRate(bitRate);
  EXPECT_EQ(bitRate, 128000);
  EXPECT_EQ(completeText, "COMPLETE! 1 songs compressed.");
  EXPECT_EQ(CodeOf(broken), ' ');
  EXPECT_EQ(ReadHostFile(SongFile(broken, "wav")), brokenWav);
  EXPECT_FALSE(fs::exists(SongFile(broken, "mp3")));
  EXPECT_FALSE(fs::exists(TempFile(broken, "mp3")));
  EXPECT_EQ(CodeOf(good), 'R');
  bool logged = false;
  for (const LogLine& line : services_->log)
    logged = logged || (line.source == "CompressDialog" && line.severity == "E");
  EXPECT_TRUE(logged);
}

TEST_F(CompressDlgTest, AMoveThatFailsShowsOneBoxKeepsTheSongAndGoesOn) {
  const LONG blocked = AddWavSong("Blocked"), next = AddWavSong("Next");
  std::ofstream(SongFile(blocked, "mp3")) << "old\n";  // the final name is taken
  // The box stays open for a few timer periods, as a user would leave it.
  qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& box) {
    boxTexts.push_back(box.text);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < end) Settle();
    return IDOK;
  });
  OnDialog(CCompressDlg::IDD, [this](CDialog& dialog) { CompressAll(dialog); });
  int bitRate = 256000;
  RunWithBitRate(bitRate);
  ASSERT_EQ(boxTexts.size(), 1u);
  EXPECT_NE(boxTexts[0].find("The current song will not be flagged as compressed"), std::string::npos);
  EXPECT_EQ(CodeOf(blocked), ' ');
  EXPECT_TRUE(fs::exists(SongFile(blocked, "wav")));
  EXPECT_EQ(ReadHostFile(SongFile(blocked, "mp3")), "old\n");
  EXPECT_EQ(CodeOf(next), 'R');
  EXPECT_EQ(completeText, "COMPLETE! 1 songs compressed.");
}

TEST_F(CompressDlgTest, NothingToCompressDisablesTheButton) {
  AddSong({.name = "Mp3", .artist = "Artist", .code = 'R'});
  OnDialog(CCompressDlg::IDD, [](CDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, CCompressDlg::kCounts), "0 songs to be compressed");
    EXPECT_FALSE(IsEnabled(dialog, CCompressDlg::kCompress));
    Click(dialog, IDCANCEL);
  });
  int bitRate = 320000;
  EXPECT_EQ(RunWithBitRate(bitRate), IDCANCEL);
  EXPECT_EQ(bitRate, 320000);
}

TEST_F(CompressDlgTest, CancelDuringASongRemovesItsTemporaryFile) {
  const LONG long_song = AddWavSong("Long", 16, 240.0);
  OnDialog(CCompressDlg::IDD, [&](CDialog& dialog) {
    Click(dialog, CCompressDlg::kCompress);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(TempFile(long_song, "mp3")) && std::chrono::steady_clock::now() < end) Settle();
    EXPECT_TRUE(fs::exists(TempFile(long_song, "mp3")));
    Click(dialog, IDCANCEL);
  });
  int bitRate = 256000;
  RunWithBitRate(bitRate);
  EXPECT_FALSE(fs::exists(TempFile(long_song, "mp3")));
  EXPECT_TRUE(fs::exists(SongFile(long_song, "wav")));
  EXPECT_EQ(CodeOf(long_song), ' ');
}

TEST(CompressDlgRates, SliderPositionsAndLengths) {
  EXPECT_EQ(CCompressDlg::PositionOfBitRate(128000), 1);
  EXPECT_EQ(CCompressDlg::PositionOfBitRate(192000), 2);
  EXPECT_EQ(CCompressDlg::PositionOfBitRate(320000), 3);
  EXPECT_EQ(CCompressDlg::BitRateOfPosition(1), 128000);
  EXPECT_EQ(CCompressDlg::BitRateOfPosition(7), 256000);
  EXPECT_DOUBLE_EQ(CCompressDlg::LengthSeconds("03:30.500"), 210.5);
  EXPECT_DOUBLE_EQ(CCompressDlg::LengthSeconds("03:30.5"), 0);
}

}  // namespace
}  // namespace media_dialogs_test
