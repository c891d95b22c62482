// The MP3 worker: encodes sox-made WAV files through lame_enc.so; the MP3s are decoded by mpg123.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "recorder/capture/Mp3Compressor.h"
#include "recorder/capture/WorkerReport.h"
#include "recorder/capture/tests/CaptureTestSupport.h"

namespace {

using qh::cd::testing::RunCommand;

class Mp3CompressorTest : public ::testing::Test {
 protected:
  std::unique_ptr<CMp3Compressor> Start(const char* module = "lame_enc.dll") {
    auto worker = std::make_unique<CMp3Compressor>(window_.hwnd(), module);
    EXPECT_TRUE(worker->CreateThread(CREATE_SUSPENDED));
    EXPECT_TRUE(worker->SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL));
    worker->ResumeThread();
    return worker;
  }
  // Polls as the compress dialog does; true when the job finished with its done flag.
  bool Finish(CMp3Compressor& worker) {
    int done = 0;
    bool ended = capture_test::PumpUntil([&] {
      int percent = worker.IsBusy(&done);
      EXPECT_GE(percent, 0);
      EXPECT_LE(percent, 100);
      return done == 1 || worker.GetErrorCode() != 0;
    });
    return ended && done == 1;
  }
  void End(std::unique_ptr<CMp3Compressor>& worker) {
    worker->Stop();
    EXPECT_EQ(WaitForSingleObject(worker->m_hThread, 15000), WAIT_OBJECT_0);
    worker.reset();
  }
  std::string Host(const char* name) { return sandbox_.HostPath(std::string("C/") + name); }
  static CString Path(const char* name) { return CString("C:\\") + name; }
  // Samples per channel of a decoded MP3.
  long DecodedSamples(const char* mp3) {
    std::string wav = Host("decoded.wav");
    RunCommand("mpg123 -q -w '" + wav + "' '" + Host(mp3) + "'");
    return std::stol(RunCommand("soxi -s '" + wav + "'"));
  }

  qh::testing::TestSandbox sandbox_;
  capture_test::MessageWindow window_;
};

TEST_F(Mp3CompressorTest, EncodesAFileThatDecodesToItsLengthWithTheTag) {
  capture_test::MakeWav(Host("song.wav"), 44100, 2, 16, 3.0);
  auto worker = Start();
  COleDateTime date(2004, 5, 6, 0, 0, 0);
  CString title30 = "Thirty characters of a title!!";
  ASSERT_EQ(title30.GetLength(), 30);
  ASSERT_TRUE(worker->AddJob(Path("song.wav"), Path("song.mp3"), title30, "An Artist", "An Album That Is Far Too Long For The Field",
                             date, "a comment", 7, 17, 192000));
  ASSERT_TRUE(Finish(*worker));
  EXPECT_EQ(worker->GetErrorCode(), 0);
  EXPECT_EQ(worker->GetStatus(), "MP3 Encoder Version 3.100");
  int done = 0;
  EXPECT_EQ(worker->IsBusy(&done), 100);

  long samples = DecodedSamples("song.mp3");
  long source = 3 * 44100;
  // The coder's delay and its last frame's padding: the decoded length stays within a frame of it.
  EXPECT_GE(samples, source);
  EXPECT_LE(samples, source + 576 + 1152 + 1152);
  std::string mp3 = qh::testing::ReadHostFile(Host("song.mp3"));
  ASSERT_GT(mp3.size(), 128u);
  std::string tag = mp3.substr(mp3.size() - 128);
  EXPECT_EQ(tag.substr(0, 3), "TAG");
  EXPECT_EQ(tag.substr(3, 30), title30.GetString());  // filled to its width: no terminator
  EXPECT_EQ(tag.substr(33, 30), std::string("An Artist") + std::string(21, '\0'));
  EXPECT_EQ(tag.substr(63, 30), "An Album That Is Far Too Long ");
  EXPECT_EQ(tag.substr(93, 4), "2004");
  EXPECT_EQ(tag.substr(97, 28), std::string("a comment") + std::string(19, '\0'));
  EXPECT_EQ(tag[125], '\0');
  EXPECT_EQ(tag[126], 7);
  EXPECT_EQ(tag[127], 17);
  std::string listed = RunCommand("id3v2 -l '" + Host("song.mp3") + "'");
  EXPECT_NE(listed.find("Thirty characters of a title!!"), std::string::npos) << listed;
  EXPECT_NE(listed.find("An Artist"), std::string::npos);
  // No Xing or Info frame: the encoder was told to write no VBR header.
  EXPECT_EQ(mp3.find("Xing"), std::string::npos);
  EXPECT_EQ(mp3.find("Info"), std::string::npos);
  End(worker);
}

// The bit rate index of the first frame header.
int FirstFrameKbps(const std::string& mp3) {
  static const int kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  for (size_t i = 0; i + 2 < mp3.size(); ++i) {
    if (static_cast<unsigned char>(mp3[i]) == 0xFF && (static_cast<unsigned char>(mp3[i + 1]) & 0xFE) == 0xFA) {
      return kbps[(static_cast<unsigned char>(mp3[i + 2]) >> 4) & 15];
    }
  }
  return -1;
}

TEST_F(Mp3CompressorTest, BitRatesFrom64To320AreAcceptedAndOthersRefused) {
  capture_test::MakeWav(Host("mono.wav"), 44100, 1, 16, 0.5);
  auto worker = Start();
  COleDateTime date(2020, 1, 1, 0, 0, 0);
  EXPECT_FALSE(worker->AddJob(Path("mono.wav"), Path("x.mp3"), "", "", "", date, "", 1, 0, 63999));
  EXPECT_FALSE(worker->AddJob(Path("mono.wav"), Path("x.mp3"), "", "", "", date, "", 1, 0, 320001));
  EXPECT_FALSE(worker->AddJob(Path("mono.wav"), Path("x.mp3"), "", "", "", date, "", 1, 0, 0));
  for (int kbps : {64, 80, 96, 112, 128, 160, 192, 224, 256, 320}) {
    ASSERT_TRUE(worker->AddJob(Path("mono.wav"), Path("rate.mp3"), "", "", "", date, "", 1, 0, kbps * 1000)) << kbps;
    ASSERT_TRUE(Finish(*worker)) << kbps;
    EXPECT_EQ(FirstFrameKbps(qh::testing::ReadHostFile(Host("rate.mp3"))), kbps);
  }
  End(worker);
}

TEST_F(Mp3CompressorTest, ChunksAfterTheDataAreNotEncoded) {
  capture_test::MakeWav(Host("plain.wav"), 44100, 2, 16, 1.0);
  std::string bytes = qh::testing::ReadHostFile(Host("plain.wav"));
  qh::testing::WriteHostFile(Host("tagged.wav"), bytes);
  capture_test::AppendChunk(Host("tagged.wav"), "LIST", std::string(50000, '\x7f'));
  capture_test::AppendChunk(Host("tagged.wav"), "id3 ", "ID3 junk that is not audio");
  auto worker = Start();
  COleDateTime date(2020, 1, 1, 0, 0, 0);
  ASSERT_TRUE(worker->AddJob(Path("plain.wav"), Path("plain.mp3"), "t", "a", "b", date, "", 1, 0, 128000));
  ASSERT_TRUE(Finish(*worker));
  ASSERT_TRUE(worker->AddJob(Path("tagged.wav"), Path("tagged.mp3"), "t", "a", "b", date, "", 1, 0, 128000));
  ASSERT_TRUE(Finish(*worker));
  EXPECT_TRUE(qh::testing::ReadHostFile(Host("plain.mp3")) == qh::testing::ReadHostFile(Host("tagged.mp3")));
  End(worker);
}

struct BadSource {
  const char* name;
  int rate, channels, bits;
  const char* encoding;
  int code;
};

class Mp3BadSourceTest : public Mp3CompressorTest, public ::testing::WithParamInterface<BadSource> {};

TEST_P(Mp3BadSourceTest, FailsWithItsCodeReportedToTheOwner) {
  const BadSource& source = GetParam();
  capture_test::MakeWav(Host("bad.wav"), source.rate, source.channels, source.bits, 0.3, source.encoding);
  auto worker = Start();
  COleDateTime date(2020, 1, 1, 0, 0, 0);
  ASSERT_TRUE(worker->AddJob(Path("bad.wav"), Path("bad.mp3"), "", "", "", date, "", 1, 0, 128000));
  EXPECT_FALSE(Finish(*worker));
  EXPECT_EQ(worker->GetErrorCode(), source.code);
  // The worker's thread has ended; its message arrives on the owner's thread.
  EXPECT_EQ(WaitForSingleObject(worker->m_hThread, 5000), WAIT_OBJECT_0);
  ASSERT_TRUE(capture_test::PumpUntil([&] { return !window_.posted.empty(); }));
  EXPECT_EQ(window_.posted[0].message, static_cast<UINT>(WM_CAPTURE_WORKER_ERROR));
  EXPECT_EQ(window_.posted[0].wParam, static_cast<WPARAM>(source.code));
  CString text = TakeWorkerErrorText(window_.posted[0].lParam);
  CString expected;
  expected.Format("An unexpected error was detected in the compressor. The error code is %d. Please write down this "
                  "message before calling Tech Support.",
                  source.code);
  EXPECT_EQ(text, expected);
}

INSTANTIATE_TEST_SUITE_P(Sources, Mp3BadSourceTest,
                         ::testing::Values(BadSource{"eight_bit", 44100, 2, 8, "unsigned-integer", 25},
                                           BadSource{"adpcm", 44100, 2, 4, "ms-adpcm", 7},
                                           BadSource{"six_channels", 44100, 6, 16, "signed-integer", 24}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Mp3CompressorTest, AMissingEncoderEndsTheFirstJobWithTheEncoderMessage) {
  capture_test::MakeWav(Host("song.wav"), 44100, 2, 16, 0.2);
  auto worker = Start("no_such_encoder.dll");
  COleDateTime date(2020, 1, 1, 0, 0, 0);
  ASSERT_TRUE(worker->AddJob(Path("song.wav"), Path("song.mp3"), "", "", "", date, "", 1, 0, 128000));
  EXPECT_FALSE(Finish(*worker));
  EXPECT_EQ(worker->GetErrorCode(), 21);
  ASSERT_TRUE(capture_test::PumpUntil([&] { return !window_.posted.empty(); }));
  EXPECT_EQ(TakeWorkerErrorText(window_.posted[0].lParam),
            "Error: There is a problem with the mp3 encoder (lame_enc.dll). Make sure this file was installed correctly "
            "and is not corrupted.");
  EXPECT_EQ(WaitForSingleObject(worker->m_hThread, 5000), WAIT_OBJECT_0);
}

TEST_F(Mp3CompressorTest, StopMidFileClosesEverythingAndEndsTheThread) {
  capture_test::MakeWav(Host("long.wav"), 44100, 2, 16, 60.0);
  auto worker = Start();
  COleDateTime date(2020, 1, 1, 0, 0, 0);
  ASSERT_TRUE(worker->AddJob(Path("long.wav"), Path("long.mp3"), "", "", "", date, "", 1, 0, 128000));
  int done = 0;
  ASSERT_TRUE(capture_test::PumpUntil([&] { return worker->IsBusy(&done) > 0; }));
  EXPECT_FALSE(worker->AddJob(Path("long.wav"), Path("other.mp3"), "", "", "", date, "", 1, 0, 128000));
  worker->Stop();
  EXPECT_EQ(WaitForSingleObject(worker->m_doneEvent, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(worker->m_hThread, 5000), WAIT_OBJECT_0);
  EXPECT_LT(worker->IsBusy(&done), 100);
  EXPECT_EQ(done, 0);
  EXPECT_EQ(worker->GetErrorCode(), 0);
  std::string partial = qh::testing::ReadHostFile(Host("long.mp3"));
  EXPECT_GT(partial.size(), 0u);
  EXPECT_NE(partial.substr(partial.size() - 128, 3), "TAG");
}

}  // namespace
