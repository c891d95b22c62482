// The conversion worker: PCM WAV files to Microsoft ADPCM, decoded again by sox and compared with the
// source and with sox's own ADPCM coding.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "recorder/capture/AcmThread.h"
#include "recorder/capture/WorkerReport.h"
#include "recorder/capture/tests/CaptureTestSupport.h"

namespace {

using qh::cd::testing::RunCommand;

std::vector<float> Samples(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << path;
  if (file == nullptr) return {};
  std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

double SnrDb(const std::vector<float>& reference, const std::vector<float>& other) {
  size_t count = std::min(reference.size(), other.size());
  double signal = 0, noise = 0;
  for (size_t i = 0; i < count; ++i) {
    signal += reference[i] * reference[i];
    noise += (reference[i] - other[i]) * (reference[i] - other[i]);
  }
  return 10 * std::log10(signal / (noise + 1e-12));
}

// Top-level chunks of a RIFF file: id and body.
std::vector<std::pair<std::string, std::string>> Chunks(const std::string& bytes, size_t from = 12, size_t to = 0) {
  std::vector<std::pair<std::string, std::string>> chunks;
  if (to == 0) to = bytes.size();
  for (size_t at = from; at + 8 <= to;) {
    uint32_t size;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    chunks.emplace_back(bytes.substr(at, 4), bytes.substr(at + 8, size));
    at += 8 + size + (size & 1);
  }
  return chunks;
}

class AcmThreadTest : public ::testing::Test {
 protected:
  std::unique_ptr<CAcmThread> Start() {
    auto worker = std::make_unique<CAcmThread>(window_.hwnd());
    EXPECT_TRUE(worker->CreateThread(CREATE_SUSPENDED));
    worker->SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL);
    worker->ResumeThread();
    return worker;
  }
  bool Finish(CAcmThread& worker) {
    int done = 0;
    bool ended = capture_test::PumpUntil([&] {
      EXPECT_LE(worker.IsBusy(&done), 100);
      return done == 1 || worker.GetErrorCode() != 0;
    });
    return ended && done == 1;
  }
  void End(std::unique_ptr<CAcmThread>& worker) {
    worker->Stop();
    EXPECT_EQ(WaitForSingleObject(worker->m_hThread, 15000), WAIT_OBJECT_0);
  }
  std::string Host(const char* name) { return sandbox_.HostPath(std::string("C/") + name); }
  static CString Path(const char* name) { return CString("C:\\") + name; }

  qh::testing::TestSandbox sandbox_;
  capture_test::MessageWindow window_;
};

TEST_F(AcmThreadTest, TheAdpcmCodecIsFoundByItsTag) {
  EXPECT_NE(CAcmThread::FindAcmCodec(WAVE_FORMAT_ADPCM), nullptr);
  EXPECT_EQ(CAcmThread::FindAcmCodec(0x55), nullptr);
}

struct AdpcmCase {
  const char* name;
  int rate, channels;
  double seconds;
};

class AdpcmConversionTest : public AcmThreadTest, public ::testing::WithParamInterface<AdpcmCase> {};

TEST_P(AdpcmConversionTest, DecodesCloseToTheSourceAsSoxsOwnCodingDoes) {
  const AdpcmCase& c = GetParam();
  capture_test::MakeWav(Host("pcm.wav"), c.rate, c.channels, 16, c.seconds);
  auto worker = Start();
  ASSERT_TRUE(worker->AddJob(Path("pcm.wav"), Path("adpcm.wav"), WAVE_FORMAT_PCM, WAVE_FORMAT_ADPCM, "Song",
                             "Artist", "Quaverhouse"));
  ASSERT_TRUE(Finish(*worker));
  EXPECT_EQ(worker->GetStatus().Left(25), "MS-ADPCM Codec Version 01");
  RunCommand("sox '" + Host("pcm.wav") + "' -e ms-adpcm '" + Host("sox-adpcm.wav") + "'");
  RunCommand("sox '" + Host("adpcm.wav") + "' -e signed-integer -b 16 '" + Host("ours-decoded.wav") + "'");
  RunCommand("sox '" + Host("sox-adpcm.wav") + "' -e signed-integer -b 16 '" + Host("sox-decoded.wav") + "'");
  std::vector<float> source = Samples(Host("pcm.wav"));
  std::vector<float> ours = Samples(Host("ours-decoded.wav"));
  std::vector<float> theirs = Samples(Host("sox-decoded.wav"));
  EXPECT_GE(ours.size(), source.size());
  EXPECT_LT(ours.size(), source.size() + 2048u * c.channels);  // the last block is padded
  double oursDb = SnrDb(source, ours);
  double soxDb = SnrDb(source, theirs);
  // libsndfile's coder searches less than sox's: a little more noise, never a broken block.
  EXPECT_GT(oursDb, 25.0);
  EXPECT_GT(oursDb, soxDb - 12.0) << "sox: " << soxDb;
  End(worker);
}

INSTANTIATE_TEST_SUITE_P(Formats, AdpcmConversionTest,
                         ::testing::Values(AdpcmCase{"stereo_44k", 44100, 2, 4.3}, AdpcmCase{"mono_22k", 22050, 1, 2.0},
                                           AdpcmCase{"shorter_than_a_block", 44100, 2, 0.4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AcmThreadTest, TheInfoListFollowsTheDataWithEvenSizedTexts) {
  capture_test::MakeWav(Host("pcm.wav"), 44100, 2, 16, 1.0);
  auto worker = Start();
  ASSERT_TRUE(worker->AddJob(Path("pcm.wav"), Path("a.wav"), WAVE_FORMAT_PCM, WAVE_FORMAT_ADPCM, "Four", "Five5",
                             "Quaverhouse"));
  ASSERT_TRUE(Finish(*worker));
  std::string bytes = qh::testing::ReadHostFile(Host("a.wav"));
  uint32_t riffSize;
  std::memcpy(&riffSize, bytes.data() + 4, 4);
  EXPECT_EQ(riffSize + 8, bytes.size());
  auto chunks = Chunks(bytes);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].first, "fmt ");
  EXPECT_EQ(chunks[0].second.size(), 50u);
  EXPECT_EQ(chunks[1].first, "data");
  EXPECT_EQ(chunks[2].first, "LIST");
  EXPECT_EQ(chunks[2].second.substr(0, 4), "INFO");
  auto info = Chunks(chunks[2].second, 4, chunks[2].second.size());
  ASSERT_EQ(info.size(), 3u);
  EXPECT_EQ(info[0].first, "ISFT");
  EXPECT_EQ(info[0].second, std::string("Quaverhouse\0", 12));
  EXPECT_EQ(info[1].first, "INAM");
  EXPECT_EQ(info[1].second, std::string("Four\0\0", 6));
  EXPECT_EQ(info[2].first, "IART");
  EXPECT_EQ(info[2].second, std::string("Five5\0", 6));
  End(worker);
}

TEST_F(AcmThreadTest, ChunksAfterTheDataAreNotConverted) {
  capture_test::MakeWav(Host("plain.wav"), 44100, 2, 16, 2.5);
  qh::testing::WriteHostFile(Host("tagged.wav"), qh::testing::ReadHostFile(Host("plain.wav")));
  capture_test::AppendChunk(Host("tagged.wav"), "LIST", std::string(70000, '\x55'));
  auto worker = Start();
  ASSERT_TRUE(worker->AddJob(Path("plain.wav"), Path("p.wav"), 1, 2, "t", "a", "s"));
  ASSERT_TRUE(Finish(*worker));
  ASSERT_TRUE(worker->AddJob(Path("tagged.wav"), Path("t.wav"), 1, 2, "t", "a", "s"));
  ASSERT_TRUE(Finish(*worker));
  EXPECT_TRUE(qh::testing::ReadHostFile(Host("p.wav")) == qh::testing::ReadHostFile(Host("t.wav")));
  End(worker);
}

TEST_F(AcmThreadTest, ASourceOfAnotherFormatFailsWithCode7) {
  capture_test::MakeWav(Host("adpcm.wav"), 44100, 2, 4, 0.5, "ms-adpcm");
  auto worker = Start();
  ASSERT_TRUE(worker->AddJob(Path("adpcm.wav"), Path("x.wav"), WAVE_FORMAT_PCM, WAVE_FORMAT_ADPCM, "", "", ""));
  EXPECT_FALSE(Finish(*worker));
  EXPECT_EQ(worker->GetErrorCode(), 7);
  ASSERT_TRUE(capture_test::PumpUntil([&] { return !window_.posted.empty(); }));
  EXPECT_EQ(TakeWorkerErrorText(window_.posted[0].lParam),
            "An error (Code 7) occurred in the AcmThread. Please contact Tech Support with this number for assistance.");
  EXPECT_EQ(WaitForSingleObject(worker->m_hThread, 5000), WAIT_OBJECT_0);
}

TEST_F(AcmThreadTest, StopDuringAConversionClosesTheFilesAndEndsTheThread) {
  capture_test::MakeWav(Host("long.wav"), 44100, 2, 16, 120.0);
  auto worker = Start();
  ASSERT_TRUE(worker->AddJob(Path("long.wav"), Path("l.wav"), 1, 2, "", "", ""));
  int done = 0;
  ASSERT_TRUE(capture_test::PumpUntil([&] { return worker->IsBusy(&done) > 0; }));
  EXPECT_FALSE(worker->AddJob(Path("long.wav"), Path("m.wav"), 1, 2, "", "", ""));
  worker->Stop();
  EXPECT_EQ(WaitForSingleObject(worker->m_hThread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(worker->m_doneEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(done, 0);
  EXPECT_LT(worker->IsBusy(&done), 100);
  std::string partial = qh::testing::ReadHostFile(Host("l.wav"));
  uint32_t dataSize;
  std::memcpy(&dataSize, partial.data() + 12 + 8 + 50 + 4, 4);
  EXPECT_EQ(dataSize, 0u);  // chunk sizes are not fixed after a stop
}

}  // namespace
