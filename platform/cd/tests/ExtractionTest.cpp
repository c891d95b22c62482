// Ripping tracks of generated images through the built-in CD-extraction control.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/cd/CdExtractionControl.h"
#include "platform/cd/TrackExtractor.h"
#include "platform/cd/testing/CdImageFixture.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"
#include "platform/core/testing/TestSandbox.h"

namespace qh::cd {
namespace {

struct Event {
  DISPID id;
  LONG value;
};

// Collects the control's events and lets the test wait for the end of a track.
class EventLog {
 public:
  CdExtractionControl::EventSink Sink() {
    return [this](DISPID id, LONG value) {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back({id, value});
      changed_.notify_all();
    };
  }
  bool WaitFor(DISPID id) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] {
      for (const Event& event : events_) {
        if (event.id == id) return true;
      }
      return false;
    });
  }
  std::vector<Event> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
};

class ExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_.AddDrive('E', 0xCD00CD00, "AUDIO_CD", DRIVE_CDROM);
    image_ = testing::MakeCdImage(sandbox_.Root(), "mixed", {{false, 2.0, 0}, {true, 3.3, 440}, {true, 1.5, 660}});
    setenv("QH_CDROM", image_.cuePath.c_str(), 1);
    control_.SetEventSink(log_.Sink());
  }
  void TearDown() override { unsetenv("QH_CDROM"); }

  qh::testing::TestSandbox sandbox_;
  testing::CdImage image_;
  EventLog log_;
  CdExtractionControl control_;
};

TEST_F(ExtractionTest, ExtractedTrackHoldsTheImageBytesAndProgressRisesToTheEnd) {
  ASSERT_EQ(control_.SelectDrive(0), 0);
  ASSERT_EQ(control_.SetCopyType(0), 0);
  EXPECT_EQ(control_.TrackStart(2), image_.trackFrames[1]);
  EXPECT_EQ(control_.TrackLength(2), image_.trackLengths[1]);
  ASSERT_EQ(control_.ExtractTrack(2, "C:\\track02.wav"), 0);
  ASSERT_TRUE(log_.WaitFor(CdExtractionControl::kEventTrackDone));

  std::string wav = qh::testing::ReadHostFile(sandbox_.HostPath("C/track02.wav"));
  std::string pcm = testing::TrackBytes(image_, 2);
  EXPECT_EQ(wav.substr(0, 44), CdWavHeader(static_cast<uint32_t>(pcm.size())));
  EXPECT_TRUE(wav.substr(44) == pcm) << "the file differs from the image's track";
  std::string wavPath = sandbox_.HostPath("C/track02.wav");
  EXPECT_EQ(testing::RunCommand("soxi -r '" + wavPath + "'"), "44100\n");
  EXPECT_EQ(testing::RunCommand("soxi -c '" + wavPath + "'"), "2\n");
  EXPECT_EQ(testing::RunCommand("soxi -s '" + wavPath + "'"), std::to_string(pcm.size() / 4) + "\n");

  std::vector<Event> events = log_.Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events.front().id, CdExtractionControl::kEventRunning);
  EXPECT_EQ(events[events.size() - 2].id, CdExtractionControl::kEventStopped);
  EXPECT_EQ(events.back().id, CdExtractionControl::kEventTrackDone);
  LONG last = -1;
  for (size_t i = 1; i + 2 < events.size(); ++i) {
    EXPECT_EQ(events[i].id, CdExtractionControl::kEventProgress);
    EXPECT_GT(events[i].value, last);
    last = events[i].value;
  }
  EXPECT_EQ(last, 1000);
}

TEST_F(ExtractionTest, MethodsByDispatchIdTakeArgumentsInReverseOrder) {
  ScopedVariant drive(static_cast<LONG>(0));
  DISPPARAMS one{&drive.get(), nullptr, 1, 0};
  VARIANT result;
  ASSERT_EQ(control_.Invoke(4, &one, &result), S_OK);
  EXPECT_EQ(result.vt, VT_I2);
  EXPECT_EQ(result.iVal, 0);

  VARIANT args[2];
  args[0].vt = VT_BSTR;  // last argument first
  args[0].bstrVal = AnsiToBstr("C:\\t3.wav");
  args[1].vt = VT_I2;
  args[1].iVal = 3;
  DISPPARAMS two{args, nullptr, 2, 0};
  ASSERT_EQ(control_.Invoke(6, &two, &result), S_OK);
  EXPECT_EQ(result.iVal, 0);
  ASSERT_TRUE(log_.WaitFor(CdExtractionControl::kEventTrackDone));
  EXPECT_TRUE(qh::testing::ReadHostFile(sandbox_.HostPath("C/t3.wav")).substr(44) == testing::TrackBytes(image_, 3));
  SysFreeString(args[0].bstrVal);

  EXPECT_EQ(control_.Invoke(99, nullptr, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control_.Invoke(6, &one, &result), DISP_E_BADPARAMCOUNT);
}

TEST_F(ExtractionTest, RefusalsGiveTheControlsErrorCodes) {
  EXPECT_EQ(control_.ExtractTrack(2, "C:\\x.wav"), CdExtractionControl::kErrorDriveInUse);  // no drive chosen
  EXPECT_EQ(control_.SelectDrive(1), CdExtractionControl::kErrorDriveInUse);                // one CD drive only
  ASSERT_EQ(control_.SelectDrive(0), 0);
  EXPECT_EQ(control_.ExtractTrack(1, "C:\\x.wav"), CdExtractionControl::kErrorNoSuchTrack);  // a data track
  EXPECT_EQ(control_.ExtractTrack(9, "C:\\x.wav"), CdExtractionControl::kErrorNoSuchTrack);
  EXPECT_EQ(control_.ExtractTrack(2, "Q:\\x.wav"), CdExtractionControl::kErrorTarget);
  EXPECT_EQ(control_.TrackStart(9), -1);
  EXPECT_NE(control_.SetCopyType(3), 0);
  setenv("QH_CDROM", "/nowhere/disc.cue", 1);
  CdExtractionControl other;
  EXPECT_EQ(other.SelectDrive(0), CdExtractionControl::kErrorDriveInUse);
  EXPECT_TRUE(log_.Events().empty());
}

TEST_F(ExtractionTest, StopEndsTheExtractionWithoutTrackDone) {
  std::atomic<bool> stop{false};
  auto disc = CdDisc::Open(image_.cuePath, nullptr);
  ASSERT_TRUE(disc);
  ExtractRequest request;
  request.track = 2;
  request.hostPath = sandbox_.HostPath("C/stopped.wav");
  request.stop = &stop;
  std::vector<long> seen;
  request.progress = [&](long permille) {
    seen.push_back(permille);
    stop = true;
  };
  EXPECT_EQ(ExtractTrack(*disc, request), ExtractResult::Stopped);
  ASSERT_EQ(seen.size(), 1u);
  std::string wav = qh::testing::ReadHostFile(request.hostPath);
  // The file stays a valid WAV of what was read: one second of audio.
  EXPECT_EQ(wav.size(), 44u + 75 * 2352);
  EXPECT_EQ(wav.substr(0, 44), CdWavHeader(75 * 2352));

  ASSERT_EQ(control_.SelectDrive(0), 0);
  ASSERT_EQ(control_.ExtractTrack(2, "C:\\s.wav"), 0);
  EXPECT_EQ(control_.Stop(), 0);
  EXPECT_FALSE(control_.IsRunning());
  std::vector<Event> events = log_.Events();
  ASSERT_FALSE(events.empty());
  // A stop that came before the end raises no track-done; a track that was already complete does.
  bool complete = events.size() >= 3 && events[events.size() - 3].value == 1000;
  EXPECT_EQ(events.back().id, complete ? CdExtractionControl::kEventTrackDone : CdExtractionControl::kEventStopped);
}

}  // namespace
}  // namespace qh::cd
