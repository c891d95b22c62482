// Wave-in recording from the "File Input" device: a sox-made WAV recorded in another format, buffers
// handed back in order, stop, reset and close.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/mm/WaveIn.h"

namespace {

struct Recorder {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<UINT> messages;
  std::vector<WAVEHDR*> done;
};

void Callback(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  auto* recorder = reinterpret_cast<Recorder*>(instance);
  std::lock_guard<std::mutex> guard(recorder->lock);
  recorder->messages.push_back(message);
  if (message == WIM_DATA) recorder->done.push_back(reinterpret_cast<WAVEHDR*>(param1));
  recorder->changed.notify_all();
}

WAVEFORMATEX Pcm(DWORD rate, WORD channels, WORD bits) {
  WORD align = static_cast<WORD>(channels * bits / 8);
  return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

class WaveInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("QH_CLOCK_RATE", "20", 1);
    source_ = sandbox_.HostPath("mic.wav");
    qh::cd::testing::RunCommand("sox -n -r 22050 -c 1 -b 16 '" + source_ + "' synth 1.5 sine 440 vol 0.5");
    setenv("QH_WAVEIN_FILE", source_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("QH_WAVEIN_FILE");
    unsetenv("QH_CLOCK_RATE");
  }
  UINT FileDevice() {
    for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
      WAVEINCAPS caps;
      if (waveInGetDevCaps(id, &caps, sizeof caps) == MMSYSERR_NOERROR && std::string(caps.szPname) == "File Input") {
        return id;
      }
    }
    ADD_FAILURE() << "no File Input device";
    return 0;
  }
  bool WaitDone(size_t count) {
    std::unique_lock<std::mutex> guard(recorder_.lock);
    return recorder_.changed.wait_for(guard, std::chrono::seconds(10), [&] { return recorder_.done.size() >= count; });
  }

  qh::testing::TestSandbox sandbox_;
  std::string source_;
  Recorder recorder_;
};

TEST_F(WaveInTest, TheFileIsRecordedInTheFormatAskedForThenSilence) {
  WAVEFORMATEX format = Pcm(44100, 2, 16);
  HWAVEIN waveIn = nullptr;
  ASSERT_EQ(waveInOpen(&waveIn, FileDevice(), &format, reinterpret_cast<DWORD_PTR>(Callback),
                       reinterpret_cast<DWORD_PTR>(&recorder_), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  const int kBuffers = 10;
  const DWORD kBytes = format.nAvgBytesPerSec / 5;  // 200 ms each: 2 s in all
  std::vector<std::vector<char>> memory(kBuffers, std::vector<char>(kBytes));
  std::vector<WAVEHDR> headers(kBuffers);
  for (int i = 0; i < kBuffers; ++i) {
    headers[i].lpData = memory[i].data();
    headers[i].dwBufferLength = kBytes;
    headers[i].dwUser = static_cast<DWORD_PTR>(i);
    ASSERT_EQ(waveInPrepareHeader(waveIn, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(waveIn, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(waveInStart(waveIn), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitDone(kBuffers));
  for (int i = 0; i < kBuffers; ++i) {
    EXPECT_EQ(recorder_.done[i]->dwUser, static_cast<DWORD_PTR>(i));
    EXPECT_EQ(recorder_.done[i]->dwBytesRecorded, kBytes);
    EXPECT_TRUE(recorder_.done[i]->dwFlags & WHDR_DONE);
  }
  EXPECT_EQ(waveInClose(waveIn), MMSYSERR_NOERROR);
  EXPECT_EQ(recorder_.messages.front(), WIM_OPEN);
  EXPECT_EQ(recorder_.messages.back(), WIM_CLOSE);

  // What was recorded against sox's own conversion of the file.
  std::string recorded;
  for (auto& buffer : memory) recorded.append(buffer.data(), buffer.size());
  std::string raw = sandbox_.HostPath("recorded.raw");
  qh::testing::WriteHostFile(raw, recorded);
  std::string reference = sandbox_.HostPath("reference.raw");
  qh::cd::testing::RunCommand("sox '" + source_ + "' -t raw -r 44100 -c 2 -b 16 -e signed-integer '" + reference + "' rate -v");
  std::string expected = qh::testing::ReadHostFile(reference);
  ASSERT_LT(expected.size(), recorded.size());
  std::vector<int16_t> a(expected.size() / 2), b(expected.size() / 2);
  std::memcpy(a.data(), expected.data(), expected.size());
  std::memcpy(b.data(), recorded.data(), expected.size());
  double signal = 0, noise = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    signal += double(a[i]) * a[i];
    noise += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  }
  EXPECT_GT(10 * std::log10(signal / (noise + 1)), 40.0);
  EXPECT_EQ(recorded.substr(expected.size() + 4000), std::string(recorded.size() - expected.size() - 4000, '\0'));
}

TEST_F(WaveInTest, StopHandsBackTheBufferBeingFilledAndResetTheRest) {
  setenv("QH_CLOCK_RATE", "1", 1);
  WAVEFORMATEX format = Pcm(22050, 1, 8);
  HWAVEIN waveIn = nullptr;
  ASSERT_EQ(waveInOpen(&waveIn, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(Callback),
                       reinterpret_cast<DWORD_PTR>(&recorder_), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  std::vector<std::vector<char>> memory(3, std::vector<char>(format.nAvgBytesPerSec));  // 1 s each
  std::vector<WAVEHDR> headers(3);
  for (int i = 0; i < 3; ++i) {
    headers[i].lpData = memory[i].data();
    headers[i].dwBufferLength = format.nAvgBytesPerSec;
    EXPECT_EQ(waveInAddBuffer(waveIn, &headers[i], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    ASSERT_EQ(waveInPrepareHeader(waveIn, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(waveIn, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(waveInStart(waveIn), MMSYSERR_NOERROR);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(waveInStop(waveIn), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitDone(1));
  EXPECT_EQ(recorder_.done[0], &headers[0]);
  EXPECT_GT(headers[0].dwBytesRecorded, 0u);
  EXPECT_LT(headers[0].dwBytesRecorded, format.nAvgBytesPerSec);
  EXPECT_EQ(waveInUnprepareHeader(waveIn, &headers[1], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInClose(waveIn), WAVERR_STILLPLAYING);
  ASSERT_EQ(waveInReset(waveIn), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitDone(3));
  EXPECT_EQ(recorder_.done[1], &headers[1]);
  EXPECT_EQ(recorder_.done[2], &headers[2]);
  EXPECT_EQ(headers[1].dwBytesRecorded, 0u);
  for (auto& header : headers) EXPECT_EQ(waveInUnprepareHeader(waveIn, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(waveIn), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(waveIn), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveInTest, RefusalsHaveTheirCodesAndTexts) {
  WAVEFORMATEX adpcm = Pcm(44100, 2, 16);
  adpcm.wFormatTag = WAVE_FORMAT_ADPCM;
  HWAVEIN waveIn = nullptr;
  EXPECT_EQ(waveInOpen(&waveIn, FileDevice(), &adpcm, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
  WAVEFORMATEX format = Pcm(44100, 2, 16);
  EXPECT_EQ(waveInOpen(&waveIn, waveInGetNumDevs(), &format, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveInOpen(nullptr, FileDevice(), &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  setenv("QH_WAVEIN_FILE", "/nowhere/mic.wav", 1);
  EXPECT_EQ(waveInOpen(&waveIn, FileDevice(), &format, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  char text[128];
  EXPECT_EQ(waveInGetErrorText(WAVERR_BADFORMAT, text, sizeof text), MMSYSERR_NOERROR);
  EXPECT_STREQ(text, "The specified format is not supported or cannot be translated.");
  unsetenv("QH_WAVEIN_FILE");
  for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
    WAVEINCAPS caps;
    ASSERT_EQ(waveInGetDevCaps(id, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STRNE(caps.szPname, "File Input");
  }
}

}  // namespace
