#include "jukebox/player/tests/PlayerTestSupport.h"

#include <algorithm>
#include <thread>

#include "dblib/Song.h"

namespace jukebox::player_testing {

FakeJukeboxServices::FakeJukeboxServices() : previous_(SetJukeboxServices(this)) {}
FakeJukeboxServices::~FakeJukeboxServices() { SetJukeboxServices(previous_); }

int FakeJukeboxServices::LogEvent(const CString& severity, const CString& source, const CString& text) {
  log.push_back({severity.str(), source.str(), text.str(), true});
  return 1;
}

void FakeJukeboxServices::WriteErrorLog(const CString& severity, const CString& source, const CString& text) {
  log.push_back({severity.str(), source.str(), text.str(), false});
}

int FakeJukeboxServices::SetVolumeRampTime(int milliseconds) {
  const int previous = rampTime;
  if (milliseconds >= 100 && milliseconds <= 30000) rampTime = milliseconds;
  return previous;
}

CString FakeJukeboxServices::GetZoneDevice(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= zoneDevices.size()) return CString();
  return CString(zoneDevices[static_cast<size_t>(index)]);
}

int FakeJukeboxServices::CountLines(const std::string& part) const {
  int count = 0;
  for (const LogLine& line : log)
    if (line.text.find(part) != std::string::npos) ++count;
  return count;
}

RecordingEventSink::RecordingEventSink() : previous_(SetRemoteEventSink(this)) {}
RecordingEventSink::~RecordingEventSink() { SetRemoteEventSink(previous_); }

void RecordingEventSink::FireVolumeChanged(int streamNumber, int volumePercent) {
  events.push_back({"volume", streamNumber, volumePercent, ""});
}
void RecordingEventSink::FireSongChanged(int streamNumber, const tSong& song) {
  events.push_back({"song", streamNumber, song.SongID, ""});
}
void RecordingEventSink::FireSongPosChanged(int streamNumber, LONG positionMs) {
  events.push_back({"position", streamNumber, positionMs, ""});
}
void RecordingEventSink::FirePlayerStateChanged(int streamNumber, const CString& state) {
  events.push_back({"state", streamNumber, 0, state.str()});
}

std::vector<long> RecordingEventSink::Values(const std::string& kind) const {
  std::vector<long> values;
  for (const RemoteEvent& event : events)
    if (event.kind == kind) values.push_back(event.value);
  return values;
}

MessageRecorder::MessageRecorder() {
  CreateEx(0, AfxRegisterWndClass(0), "Main window", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr);
}
MessageRecorder::~MessageRecorder() { DestroyWindow(); }

LRESULT MessageRecorder::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER) messages.push_back(message);
  return CWnd::WindowProc(message, wParam, lParam);
}

int MessageRecorder::Count(UINT message) const {
  int count = 0;
  for (UINT m : messages)
    if (m == message) ++count;
  return count;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (done && done()) return true;
    if (std::chrono::steady_clock::now() >= end) return done ? done() : true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void PumpFor(std::chrono::milliseconds duration) { PumpUntil(nullptr, duration); }

namespace {

// Counts the markers posted to it: the thread's queue hands posted messages out in the order they came,
// so a marker's arrival means everything posted before it has been handled.
class QueueMarker : public CWnd {
 public:
  static constexpr UINT kMarker = WM_APP + 0x3F1;
  QueueMarker() { CreateEx(0, AfxRegisterWndClass(0), "Queue marker", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr); }
  ~QueueMarker() override { DestroyWindow(); }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kMarker) ++arrived;
    return CWnd::WindowProc(message, wParam, lParam);
  }
  int arrived = 0;
};

}  // namespace

bool SettlePostedMessages(int generations, std::chrono::milliseconds limit) {
  QueueMarker marker;
  if (marker.GetSafeHwnd() == nullptr) return false;
  const auto end = std::chrono::steady_clock::now() + limit;
  for (int generation = 1; generation <= generations; ++generation) {
    if (!marker.PostMessage(QueueMarker::kMarker)) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (!PumpUntil([&] { return marker.arrived == generation; }, std::max(left, std::chrono::milliseconds(0))))
      return false;
  }
  return true;
}

}  // namespace jukebox::player_testing
