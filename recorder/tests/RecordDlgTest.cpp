// Recording a new song: takes from the "File Input" device (sox-made audio played as a microphone,
// five times faster than real time) through the main dialog's Record button into the library, checked
// with soxi and the database; the trigger start and the quiet stop, pause, cancel at each step, a
// device that cannot be opened, a disk that fills up during the take, a file that cannot be moved into
// place, and the level arithmetic.
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/dao/DaoRecordset.h"
#include "recorder/RecordDlg.h"
#include "recorder/RecordLevels.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kFormats = 1000, kPrep = 1092, kAutoStart = 1176, kRecord = 1004, kPause = 1005, kElapsed = 1006,
              kDevice = 1216, kHeadroom = 1231, kMainRecord = 1092;

TEST(RecordLevels, DecibelsAndMeterPercent) {
  EXPECT_DOUBLE_EQ(kSilenceFloorDb, DecibelsOf(0)) << "silence has a floor, not minus infinity";
  EXPECT_NEAR(3.0, DecibelsOf(32767), 1e-9);
  EXPECT_NEAR(-3.0206, DecibelsOf(16383), 1e-3);
  struct Case {
    double peakDb;
    int percent;
  } cases[] = {{3.0, 100}, {DecibelsOf(32768), 100}, {-3.0206, 75}, {-22.0, 0}, {-21.9, 0}, {-21.75, 1},
               {kSilenceFloorDb, 0}, {4.0, 0}};
  for (const auto& c : cases) EXPECT_EQ(c.percent, MeterPercentOf(c.peakDb)) << c.peakDb;
}

std::vector<uint8_t> Samples(std::initializer_list<int16_t> values) {
  std::vector<uint8_t> bytes;
  for (int16_t value : values) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((static_cast<uint16_t>(value) >> 8) & 0xFF));
  }
  return bytes;
}

TEST(RecordLevels, ChannelsAreMeasuredApartAndTheMeanMeansTheSameInMonoAndStereo) {
  auto stereo = Samples({1000, 0, -3000, 0, 1000, 0, -3000, 0});
  tBufferLevels levels = MeasureBuffer(stereo.data(), stereo.size(), 2);
  EXPECT_NEAR(DecibelsOf(3000), levels.peakDb[0], 1e-9);
  EXPECT_NEAR(DecibelsOf(2000), levels.meanDb[0], 1e-9);
  EXPECT_DOUBLE_EQ(kSilenceFloorDb, levels.peakDb[1]);
  EXPECT_DOUBLE_EQ(kSilenceFloorDb, levels.meanDb[1]);
  auto mono = Samples({1000, -3000, 1000, -3000});
  tBufferLevels monoLevels = MeasureBuffer(mono.data(), mono.size(), 1);
  EXPECT_DOUBLE_EQ(levels.meanDb[0], monoLevels.meanDb[0]) << "the same signal, the same trigger";
  EXPECT_DOUBLE_EQ(monoLevels.meanDb[0], monoLevels.meanDb[1]);
  tBufferLevels empty = MeasureBuffer(mono.data(), 0, 2);
  EXPECT_DOUBLE_EQ(kSilenceFloorDb, empty.meanDb[0]);
}

class RecordDialogTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // Five times real time leaves the dialog half a second to take each buffer back, even on a busy machine.
    setenv("QH_CLOCK_RATE", "5", 1);
    if (!HaveTool("sox")) GTEST_SKIP() << "sox makes the input";
  }
  void TearDown() override {
    unsetenv("QH_WAVEIN_FILE");
    unsetenv("QH_CLOCK_RATE");
    RecorderTest::TearDown();
  }
  // The microphone: sox's synthesizer, segments played one after another.
  void UseInput(const std::vector<std::string>& segments) {
    std::string list;
    for (size_t i = 0; i < segments.size(); ++i) {
      std::string part = sandbox->HostPath("part" + std::to_string(i) + ".wav");
      ASSERT_TRUE(RunTool("sox -n -r 44100 -c 2 -b 16 '" + part + "' " + segments[i])) << segments[i];
      list += " '" + part + "'";
    }
    std::string input = sandbox->HostPath("microphone.wav");
    ASSERT_TRUE(RunTool("sox" + list + " '" + input + "'"));
    setenv("QH_WAVEIN_FILE", input.c_str(), 1);
  }
  // The file input is the last wave-in device; the recorder's list puts the wave mapper before them all.
  void Start() {
    app->WriteProfileInt("Recorder", "WaveInDevice", static_cast<int>(waveInGetNumDevs()));
    ASSERT_TRUE(StartRecorder());
  }
  std::string SongsFolder() { return sandbox->HostPath("C/Quaverhouse/Songs"); }
  std::vector<std::string> SongFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(SongsFolder())) names.push_back(entry.path().filename().string());
    return names;
  }
  std::string MediaFile(LONG songId) {
    char name[64];
    std::snprintf(name, sizeof name, "/Song%010ld.wav", static_cast<long>(songId));
    return SongsFolder() + name;
  }
  LONG Count(const char* sql) {
    CDaoRecordset set(Db()->GetDatabase());
    set.Open(dbOpenSnapshot, sql, dbForwardOnly);
    LONG count = set.IsEOF() ? -1 : set.GetFieldValue(0).ToLong();
    set.Close();
    return count;
  }
  // What a command prints (standard error included).
  static std::string Output(const std::string& command) {
    std::string text;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
    pclose(pipe);
    return text;
  }
  static std::string Soxi(const std::string& option, const std::string& file) {
    std::string text = Output("soxi " + option + " '" + file + "'");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }
  // The main dialog with its Record button pressed once; `take` drives the recording dialog.
  void RecordThroughMain(std::function<void(CRecordDlg&)> take) {
    OnDialog(IDD_RECORD, [take](CDialog& dialog) { take(dynamic_cast<CRecordDlg&>(dialog)); });
    OnDialog(IDD_RECORDER, [](CDialog& dialog) {
      Click(dialog, kMainRecord);
      Click(dialog, IDOK);
    });
    CRecorderDlg main;
    main.DoModal();
  }
  void AcceptSongInfo() {
    OnDialog(IDD_SONG_INFO, [](CDialog& dialog) { Click(dialog, IDOK); });
  }
  // The audio bytes of a 16-bit PCM WAV file as this recorder and sox write it (a 44-byte or a 46-byte
  // header): everything after the "data" chunk's size.
  static std::string AudioOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = bytes.find("data");
    return at == std::string::npos ? std::string() : bytes.substr(at + 8);
  }
  static bool WaitForBytes(CRecordDlg& record, DWORD bytes) {
    return RunUntil([&] { return record.GetBytesWritten() >= bytes || !record.ContinueModal(); });
  }
};

TEST_F(RecordDialogTest, EachFormatRecordsIntoANewSongOfTheLibrary) {
  UseInput({"synth 30 sine 440 vol 0.5"});
  Start();
  struct Case {
    const char* format;
    const char* channels;
    const char* rate;
    DWORD bytesPerSecond;
  } cases[] = {{"44.1 Khz 16bit Stereo", "2", "44100", 176400},
               {"44.1 Khz 16bit Mono", "1", "44100", 88200},
               {"22.05 Khz 16bit Stereo", "2", "22050", 88200},
               {"22.05 Khz 16bit Mono", "1", "22050", 44100}};
  LONG expectedId = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    DWORD written = 0;
    std::string headroom;
    AcceptSongInfo();
    RecordThroughMain([&](CRecordDlg& record) {
      EXPECT_EQ("Device: File Input", TextOf(record, kDevice));
      EXPECT_FALSE(IsEnabled(record, IDOK));
      Choose(record, kFormats, c.format);
      Click(record, kRecord);
      EXPECT_EQ("RECORD", TextOf(record, 1079));
      EXPECT_FALSE(IsEnabled(record, kPrep));
      EXPECT_TRUE(WaitForBytes(record, c.bytesPerSecond));
      headroom = TextOf(record, kHeadroom);
      if (c.bytesPerSecond == 176400) Snapshot(record, "recorder-record");
      Click(record, IDOK);
      written = record.GetBytesWritten();
      EXPECT_NE("", record.GetRecordedLength().str());
    });
    expectedId++;
    ASSERT_EQ(1, static_cast<int>(boxTexts.size()));
    EXPECT_NE(std::string::npos, boxTexts.back().find("successfully created.")) << boxTexts.back();
    boxTexts.clear();
    EXPECT_EQ("25% / 25%", headroom) << "a tone at half scale peaks 6 dB down";
    auto song = Load(expectedId);
    ASSERT_TRUE(song);
    EXPECT_EQ(0u, song->SongName.str().find("Recording made at "));
    EXPECT_EQ("Unknown Artist", song->SongArtist.str());
    EXPECT_EQ("Recording", song->SongSource.str());
    EXPECT_EQ(' ', song->SongCompression);
    EXPECT_FALSE(song->SongPrimaryGenre.IsEmpty()) << "the song came with its genre";
    std::string media = MediaFile(expectedId);
    ASSERT_TRUE(fs::exists(media));
    EXPECT_EQ(c.channels, Soxi("-c", media));
    EXPECT_EQ(c.rate, Soxi("-r", media));
    EXPECT_EQ("16", Soxi("-b", media));
    DWORD bufferBytes = c.bytesPerSecond / 10;
    EXPECT_EQ(std::to_string(written / (std::stoi(c.channels) * 2)),
              Soxi("-s", media))
        << "every written buffer is in the file";
    EXPECT_EQ(0u, written % bufferBytes) << "buffers of a tenth of a second";
    EXPECT_EQ(1u, SongFiles().size() - (expectedId - 1)) << "no temporary file stays behind";
  }
  EXPECT_EQ(4, Db()->CountSongs(""));
  EXPECT_EQ(4, Count("Select Count(*) From SongGenre"));
}

TEST_F(RecordDialogTest, TriggerStartsTheTakeAndTwoQuietSecondsEndIt) {
  UseInput({"trim 0 1", "synth 1 sine 440 vol 0.5", "trim 0 1"});
  app->WriteProfileInt("Recorder", "UseAutoThreshold", 1);
  app->WriteProfileInt("Recorder", "AutoThreshold", -35);
  Start();
  int result = 0;
  AcceptSongInfo();
  RecordThroughMain([&](CRecordDlg& record) {
    EXPECT_EQ(BST_CHECKED, record.IsDlgButtonChecked(kAutoStart));
    Click(record, kPrep);
    EXPECT_FALSE(IsEnabled(record, kPrep));
    EXPECT_FALSE(IsEnabled(record, kFormats));
    EXPECT_TRUE(RunUntil([&] { return !record.ContinueModal(); }));
    result = 1;
  });
  ASSERT_EQ(1, result);
  std::string media = MediaFile(1);
  ASSERT_TRUE(fs::exists(media));
  // One second of tone, then two seconds of quiet and the buffer that passed them.
  long samples = std::stol(Soxi("-s", media));
  EXPECT_GE(samples, 44100 * 3);
  EXPECT_LE(samples, 44100 * 3 + 4410);
  // The take begins with the buffer that crossed the trigger: loud from its first tenth of a second.
  std::string stat = Output("sox '" + media + "' -n trim 0 0.1 stat");
  auto at = stat.find("Maximum amplitude:");
  ASSERT_NE(std::string::npos, at) << stat;
  EXPECT_GT(std::stod(stat.substr(at + 18)), 0.4) << stat;
  EXPECT_EQ(1, static_cast<int>(app->GetProfileInt("Recorder", "UseAutoThreshold", 0)));
}

// The window that writes the take is held up for a second of wall time (five seconds of input): the
// capture thread keeps every buffer, so the file is the input from the first sample, without a gap.
TEST_F(RecordDialogTest, ADialogHeldUpLosesNoAudio) {
  UseInput({"synth 30 whitenoise vol 0.5"});
  Start();
  AcceptSongInfo();
  RecordThroughMain([&](CRecordDlg& record) {
    Click(record, kRecord);
    ASSERT_TRUE(WaitForBytes(record, 88200));
    DWORD atStall = record.GetBytesWritten();
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the dialog is busy: no message is taken
    ASSERT_TRUE(WaitForBytes(record, atStall + 7 * 176400));
    Click(record, IDOK);
  });
  std::string recorded = AudioOf(MediaFile(1)), input = AudioOf(sandbox->HostPath("microphone.wav"));
  ASSERT_GE(recorded.size(), 7u * 176400);
  // A slow machine may record past the input's end, where the device gives silence.
  input.resize(std::max(input.size(), recorded.size()), '\0');
  size_t differs = 0;
  while (differs < recorded.size() && recorded[differs] == input[differs]) ++differs;
  EXPECT_EQ(recorded.size(), differs) << "the take leaves the input at byte " << differs << " of " << recorded.size();
}

TEST_F(RecordDialogTest, PausedAudioIsNotWrittenAndTheClockStands) {
  UseInput({"synth 60 sine 440 vol 0.5"});
  Start();
  DWORD written = 0;
  AcceptSongInfo();
  RecordThroughMain([&](CRecordDlg& record) {
    Click(record, kRecord);
    ASSERT_TRUE(WaitForBytes(record, 176400));
    Click(record, kPause);
    EXPECT_EQ("R&esume", TextOf(record, kPause));
    DWORD atPause = record.GetBytesWritten();
    std::string clock = TextOf(record, kElapsed);
    RunUntil([] { return false; }, 2);  // ten seconds of input go by
    EXPECT_EQ(atPause, record.GetBytesWritten());
    EXPECT_EQ(clock, TextOf(record, kElapsed));
    Click(record, kPause);
    EXPECT_EQ("&Pause", TextOf(record, kPause));
    ASSERT_TRUE(WaitForBytes(record, atPause + 176400));
    Click(record, IDOK);
    written = record.GetBytesWritten();
  });
  long samples = std::stol(Soxi("-s", MediaFile(1)));
  EXPECT_EQ(static_cast<long>(written / 4), samples);
  EXPECT_LT(samples, 44100 * 8) << "the paused ten seconds are not in the file";
}

TEST_F(RecordDialogTest, CancelAtAnyStepLeavesNoFileAndNoSong) {
  UseInput({"synth 60 sine 440 vol 0.5"});
  app->WriteProfileInt("Recorder", "AutoThreshold", -35);
  Start();
  RecordThroughMain([&](CRecordDlg& record) {
    Click(record, kRecord);
    ASSERT_TRUE(WaitForBytes(record, 88200));
    Type(record, 1178, "-20");
    Click(record, IDCANCEL);
  });
  OnDialog(IDD_SONG_INFO, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  RecordThroughMain([&](CRecordDlg& record) {
    Click(record, kRecord);
    ASSERT_TRUE(WaitForBytes(record, 88200));
    Click(record, IDOK);
  });
  EXPECT_TRUE(SongFiles().empty());
  EXPECT_EQ(0, Db()->CountSongs(""));
  EXPECT_TRUE(boxTexts.empty());
}

TEST_F(RecordDialogTest, AnInputThatCannotBeOpenedIsReportedAndLeavesNothing) {
  setenv("QH_WAVEIN_FILE", "/nowhere/microphone.wav", 1);
  Start();
  std::string status;
  OnDialog(IDD_RECORD, [](CDialog& dialog) { Click(dialog, kPrep); });
  OnDialog(IDD_RECORDER, [&](CDialog& dialog) {
    Click(dialog, kMainRecord);
    status = TextOf(dialog, 1119);
    Click(dialog, IDOK);
  });
  CRecorderDlg main;
  main.DoModal();
  EXPECT_EQ(0u, status.find("Audio Device Error: ")) << status;
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ(0u, boxTexts[0].find("Could not open sound card for recording.")) << boxTexts[0];
  EXPECT_TRUE(SongFiles().empty());
  EXPECT_EQ(0, Db()->CountSongs(""));
}

TEST_F(RecordDialogTest, ADiskThatFillsDuringTheTakeEndsItWithoutASong) {
  UseInput({"synth 60 sine 440 vol 0.5"});
  Start();
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  int result = -1;
  RecordThroughMain([&](CRecordDlg& record) {
    rlimit small = saved;
    small.rlim_cur = 1 << 20;  // the take cannot grow past one megabyte
    setrlimit(RLIMIT_FSIZE, &small);
    Click(record, kRecord);
    EXPECT_TRUE(RunUntil([&] { return !record.ContinueModal(); }));
    setrlimit(RLIMIT_FSIZE, &saved);
    result = 0;
  });
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(0, result);
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ(0u, boxTexts[0].find("Could not copy WAV file. Disk may be full")) << boxTexts[0];
  EXPECT_TRUE(SongFiles().empty());
  EXPECT_EQ(0, Db()->CountSongs(""));
}

TEST_F(RecordDialogTest, AFileThatCannotBeMovedIntoPlaceTakesItsRowAndGenresAlong) {
  UseInput({"synth 60 sine 440 vol 0.5"});
  Start();
  // The new song's media file name is already taken by a folder.
  fs::create_directories(MediaFile(1));
  AcceptSongInfo();
  RecordThroughMain([&](CRecordDlg& record) {
    Click(record, kRecord);
    ASSERT_TRUE(WaitForBytes(record, 88200));
    Click(record, IDOK);
  });
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ(0u, boxTexts[0].find("Could not copy WAV file.")) << boxTexts[0];
  EXPECT_EQ(0, Db()->CountSongs(""));
  EXPECT_EQ(0, Count("Select Count(*) From SongGenre"));
  EXPECT_EQ(std::vector<std::string>{"Song0000000001.wav"}, SongFiles()) << "only the folder that was in the way";
}

TEST_F(RecordDialogTest, ADeviceIdNoDeviceHasRecordsFromTheMapper) {
  UseInput({"synth 10 sine 440 vol 0.5"});
  Start();
  WAVEINCAPS mapper{};
  ASSERT_EQ(MMSYSERR_NOERROR, waveInGetDevCaps(WAVE_MAPPER, &mapper, sizeof mapper));
  const std::string expected = std::string("Device: ") + mapper.szPname;
  for (UINT id : {waveInGetNumDevs(), static_cast<UINT>(-1)}) {
    OnDialog(IDD_RECORD, [&](CDialog& dialog) {
      EXPECT_EQ(expected, TextOf(dialog, kDevice));
      Click(dialog, IDCANCEL);
    });
    CRecordDlg record;
    record.Setup("C:\\Quaverhouse\\Songs\\QHR1.tmp", nullptr, databaseFolder, -35, 0, id);
    EXPECT_EQ(IDCANCEL, record.DoModal());
    EXPECT_EQ(WAVE_MAPPER, record.GetDeviceId()) << id;
  }
}

}  // namespace
}  // namespace qh::recorder::testing
