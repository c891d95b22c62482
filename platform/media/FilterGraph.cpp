// The filter graph: holds its filters, joins their pins, and runs one streaming thread that pulls the
// decoded samples feeding its renderers, applies the volume, hands each block to every renderer, keeps
// to the clock and queues the events (end of stream, errors) that it posts to the owner window.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/media/AudioSinks.h"
#include "platform/media/MediaClock.h"
#include "platform/media/MediaFilter.h"
#include "platform/ui/WinUser.h"

namespace qh::media {
namespace {

using Clock = std::chrono::steady_clock;

struct GraphEvent {
  LONG code;
  LONG_PTR param1;
  LONG_PTR param2;
};

class CFilterGraph : public IGraphBuilder,
                     public IMediaControl,
                     public IMediaEventEx,
                     public IMediaEventSink,
                     public IMediaSeeking,
                     public IBasicAudio {
 public:
  CFilterGraph() : rate_(ClockRate()), thread_([this] {
        Stream();
        ReleaseSoundThreadState();
      }) {}

  // ---- IUnknown ----
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IGraphBuilder || riid == IID_IUnknown) *object = static_cast<IGraphBuilder*>(this);
    else if (riid == IID_IMediaControl) *object = static_cast<IMediaControl*>(this);
    else if (riid == IID_IMediaEventEx) *object = static_cast<IMediaEventEx*>(this);
    else if (riid == IID_IMediaEventSink) *object = static_cast<IMediaEventSink*>(this);
    else if (riid == IID_IMediaSeeking) *object = static_cast<IMediaSeeking*>(this);
    else if (riid == IID_IBasicAudio) *object = static_cast<IBasicAudio*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ---- IFilterGraph / IGraphBuilder ----
  HRESULT AddFilter(IBaseFilter* filter, LPCSTR name) override {
    CMediaFilter* media = AsMediaFilter(filter);
    if (media == nullptr) return E_POINTER;
    CallerLock lock(*this);
    if (media->Graph() != nullptr) return VFW_E_WRONG_STATE;
    for (CMediaFilter* other : filters_) {
      CString otherName;
      other->QueryFilterName(otherName);
      if (name != nullptr && otherName == name) return VFW_E_WRONG_STATE;  // names are unique in a graph
    }
    media->AddRef();
    media->JoinGraph(this, name != nullptr ? name : "");
    filters_.push_back(media);
    return S_OK;
  }
  HRESULT RemoveFilter(IBaseFilter* filter) override {
    CMediaFilter* media = AsMediaFilter(filter);
    CallerLock lock(*this);
    auto it = std::find(filters_.begin(), filters_.end(), media);
    if (it == filters_.end()) return VFW_E_NOT_IN_GRAPH;
    for (auto& pin : media->Pins()) DisconnectPins(*pin);
    opened_.erase(media->Sink());
    media->JoinGraph(nullptr, "");
    filters_.erase(it);
    media->Release();
    return S_OK;
  }
  HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE*) override {
    CMediaPin* out = AsMediaPin(output);
    CMediaPin* in = AsMediaPin(input);
    if (out == nullptr || in == nullptr) return E_POINTER;
    CallerLock lock(*this);
    if (out->Owner().Graph() != this || in->Owner().Graph() != this) return VFW_E_NOT_IN_GRAPH;
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    return ConnectPins(*out, *in);
  }
  HRESULT Disconnect(IPin* pin) override {
    CMediaPin* media = AsMediaPin(pin);
    if (media == nullptr) return E_POINTER;
    CallerLock lock(*this);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    // Both sides at once: a half-joined pair would leave a dangling peer.
    DisconnectPins(*media);
    return S_OK;
  }
  HRESULT AddSourceFilter(LPCSTR fileName, LPCSTR name, IBaseFilter** filter) override {
    if (filter == nullptr) return E_POINTER;
    *filter = nullptr;
    HRESULT hr = S_OK;
    IBaseFilter* source = NewFileSource(fileName != nullptr ? fileName : "", hr);
    if (source == nullptr) return hr;
    hr = AddFilter(source, name != nullptr ? name : fileName);
    if (FAILED(hr)) {
      source->Release();
      return hr;
    }
    *filter = source;
    return S_OK;
  }

  // ---- IMediaControl ----
  HRESULT Run() override {
    CallerLock lock(*this);
    if (state_ != State_Running) {
      state_ = State_Running;
      RestartClock();
      wake_.notify_all();
    }
    return S_OK;
  }
  HRESULT Pause() override {
    CallerLock lock(*this);
    if (state_ == State_Running && !ended_) {
      // What was handed over ahead of the clock is not heard: pausing resumes from the clock's place.
      LONGLONG heard = position_;
      const double elapsed = std::chrono::duration<double>(Clock::now() - clockWall_).count() * rate_;
      heard = std::min(position_, clockPosition_ + static_cast<LONGLONG>(elapsed * 1e7));
      if (heard < position_) {
        PcmSource* source = RouteSource();
        if (source != nullptr && SUCCEEDED(source->Seek(heard))) position_ = heard;
        FlushSinks();
      }
    }
    state_ = State_Paused;
    return S_OK;
  }
  HRESULT Stop() override {
    CallerLock lock(*this);
    // After the end the renderers hold only the song's last samples: let them be heard.
    if (!ended_) FlushSinks();
    state_ = State_Stopped;
    ended_ = false;
    endPending_ = false;
    return S_OK;
  }
  HRESULT GetState(LONG, OAFilterState* state) override {
    if (state == nullptr) return E_POINTER;
    CallerLock lock(*this);
    *state = state_;
    return S_OK;
  }

  // ---- IMediaEventEx ----
  HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) override {
    if (code == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
    std::unique_lock lock(eventMutex_);
    if (events_.empty() && timeoutMs > 0)
      eventArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !events_.empty(); });
    if (events_.empty()) return E_ABORT_MEDIA;
    const GraphEvent event = events_.front();
    events_.pop_front();
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
  }
  HRESULT FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }
  HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override {
    std::lock_guard lock(eventMutex_);
    notifyWindow_ = reinterpret_cast<HWND>(window);
    notifyMessage_ = static_cast<UINT>(message);
    notifyData_ = instanceData;
    return S_OK;
  }

  // ---- IMediaEventSink ----
  HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override {
    QueueEvent(code, param1, param2);
    return S_OK;
  }

  // ---- IMediaSeeking ----
  HRESULT SetTimeFormat(const GUID* format) override {
    return format != nullptr && *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
  }
  HRESULT GetDuration(LONGLONG* duration) override {
    if (duration == nullptr) return E_POINTER;
    CallerLock lock(*this);
    PcmSource* source = RouteSource();
    *duration = source != nullptr ? source->Duration() : 0;
    return source != nullptr ? S_OK : VFW_E_NOT_CONNECTED;
  }
  // While running, the clock's position (blocks are handed over a little ahead of it); else the
  // position of the next sample.
  HRESULT GetCurrentPosition(LONGLONG* position) override {
    if (position == nullptr) return E_POINTER;
    CallerLock lock(*this);
    *position = position_;
    if (state_ == State_Running && (!ended_ || endPending_)) {
      const double elapsed = std::chrono::duration<double>(Clock::now() - clockWall_).count() * rate_;
      *position = std::min(position_, clockPosition_ + static_cast<LONGLONG>(elapsed * 1e7));
    }
    return S_OK;
  }
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG*, DWORD) override {
    if ((currentFlags & 3) != AM_SEEKING_AbsolutePositioning) return S_OK;
    if (current == nullptr) return E_POINTER;
    CallerLock lock(*this);
    PcmSource* source = RouteSource();
    if (source == nullptr) return VFW_E_NOT_CONNECTED;
    const LONGLONG target = std::clamp<LONGLONG>(*current, 0, source->Duration());
    const HRESULT hr = source->Seek(target);
    if (FAILED(hr)) return hr;
    position_ = target;
    ended_ = false;
    endPending_ = false;
    FlushSinks();
    RestartClock();
    return S_OK;
  }

  // ---- IBasicAudio ----
  HRESULT put_Volume(long volume) override {
    if (volume < -10000 || volume > 0) return E_INVALIDARG;
    CallerLock lock(*this);
    volume_ = volume;
    return S_OK;
  }
  HRESULT get_Volume(long* volume) override {
    if (volume == nullptr) return E_POINTER;
    CallerLock lock(*this);
    *volume = volume_;
    return S_OK;
  }

 private:
  virtual ~CFilterGraph() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
      wake_.notify_all();
      callersGone_.notify_all();
    }
    // The streaming thread is never asleep past a quit: it ends within the block it is on.
    thread_.join();
    std::lock_guard lock(mutex_);
    for (CMediaFilter* filter : filters_)
      for (auto& pin : filter->Pins()) DisconnectPins(*pin);
    for (CMediaFilter* filter : filters_) {
      filter->JoinGraph(nullptr, "");
      filter->Release();
    }
  }

  // The decoded samples the renderers read, and the renderers' sinks (the graph has one stream).
  PcmSource* RouteSource(std::vector<AudioSink*>* sinks = nullptr) {
    PcmSource* source = nullptr;
    for (CMediaFilter* filter : filters_) {
      AudioSink* sink = filter->Sink();
      if (sink == nullptr || filter->Pins().empty()) continue;
      CMediaPin* upstream = filter->Pins().front()->Peer();
      PcmSource* feeding = upstream != nullptr ? upstream->Owner().OutputSamples(*upstream) : nullptr;
      if (feeding == nullptr || (source != nullptr && feeding != source)) continue;
      source = feeding;
      if (sinks != nullptr) sinks->push_back(sink);
    }
    return source;
  }

  void RestartClock() {
    clockWall_ = Clock::now();
    clockPosition_ = position_;
  }
  void FlushSinks() {
    for (auto& [sink, format] : opened_) sink->Flush();
  }

  void QueueEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    std::lock_guard lock(eventMutex_);
    events_.push_back({code, param1, param2});
    eventArrived_.notify_all();
    if (notifyWindow_ != nullptr) ::PostMessage(notifyWindow_, notifyMessage_, 0, static_cast<LPARAM>(notifyData_));
  }

  // One block: read, scale, render. False when there was nothing to do.
  bool RenderBlock(Clock::time_point& due) {
    std::vector<AudioSink*> sinks;
    PcmSource* source = RouteSource(&sinks);
    if (source == nullptr || sinks.empty()) return false;
    const AudioFormat format = source->Format();
    if (format.rate <= 0 || format.channels <= 0) return false;
    for (AudioSink* sink : sinks) {
      auto it = opened_.find(sink);
      if (it != opened_.end() && it->second == format) continue;
      const HRESULT hr = sink->Open(format);
      if (FAILED(hr)) {
        ended_ = true;
        QueueEvent(EC_SNDDEV_OUT_ERROR, 1, hr);
        return false;
      }
      opened_[sink] = format;
    }
    const long frames = std::max(1, format.rate / 50);  // 20 ms
    block_.resize(static_cast<size_t>(frames) * format.channels);
    const long got = source->Read(block_.data(), frames);
    if (got == 0) {
      // The end is told when the clock reaches it, not when the last block was handed over.
      ended_ = true;
      endPending_ = true;
      return false;
    }
    if (got < 0) {
      ended_ = true;
      QueueEvent(EC_ERRORABORT, got, 0);
      return false;
    }
    ApplyVolume(got * format.channels);
    for (AudioSink* sink : sinks) {
      const HRESULT hr = sink->Write(block_.data(), got);
      if (FAILED(hr)) {
        ended_ = true;
        QueueEvent(EC_SNDDEV_OUT_ERROR, 3, hr);
        return false;
      }
    }
    position_ += static_cast<LONGLONG>(got) * 10000000 / format.rate;
    due = ClockTimeOf(position_);
    return true;
  }

  void ApplyVolume(long samples) {
    if (volume_ == 0) return;
    const float gain = volume_ <= -10000 ? 0.0f : static_cast<float>(std::pow(10.0, volume_ / 2000.0));
    for (long i = 0; i < samples; ++i) block_[static_cast<size_t>(i)] *= gain;
  }

  // Blocks are handed over ahead of the clock, up to twice the lead; then the thread sleeps until only
  // the lead is left. One wake serves several blocks, and a renderer always has the lead in hand.
  Clock::time_point ClockTimeOf(LONGLONG position) const {
    const double mediaSeconds = (position - clockPosition_) / 1e7;
    return clockWall_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(mediaSeconds / rate_));
  }

  void Stream() {
    constexpr auto kLead = std::chrono::milliseconds(20);
    std::unique_lock lock(mutex_);
    while (!quit_) {
      if (callers_ > 0) {
        callersGone_.wait(lock, [&] { return callers_ == 0 || quit_; });
        continue;
      }
      if (endPending_ && state_ == State_Running) {
        const Clock::time_point end = ClockTimeOf(position_);
        if (Clock::now() < end) {
          wake_.wait_until(lock, end);
          continue;
        }
        endPending_ = false;
        QueueEvent(EC_COMPLETE, S_OK, 0);
        continue;
      }
      Clock::time_point due;
      if (state_ != State_Running || ended_ || !RenderBlock(due)) {
        wake_.wait_for(lock, std::chrono::milliseconds(ended_ || state_ != State_Running ? 50 : 5));
        continue;
      }
      if (due < Clock::now() + 2 * kLead) continue;
      wake_.wait_until(lock, due - kLead, [&] { return quit_; });
    }
  }

  // A caller's hold on the graph (the window thread's transport, position and volume calls). The
  // streaming thread fills the renderers' lead block by block and, on a loaded machine, may be behind
  // the clock for many blocks at a time; between two blocks it gives the graph to a waiting caller, so
  // a caller waits for one block at most, never for the whole lead.
  class CallerLock {
   public:
    explicit CallerLock(CFilterGraph& graph) : graph_(graph) {
      ++graph_.callers_;
      lock_ = std::unique_lock(graph_.mutex_);
    }
    ~CallerLock() {
      // Counted down under the lock, where the streaming thread reads the count before it waits.
      --graph_.callers_;
      lock_.unlock();
      graph_.callersGone_.notify_all();
    }
    CallerLock(const CallerLock&) = delete;
    CallerLock& operator=(const CallerLock&) = delete;

   private:
    CFilterGraph& graph_;
    std::unique_lock<std::mutex> lock_;
  };

  std::atomic<ULONG> references_{1};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<int> callers_{0};  // callers waiting for or holding mutex_
  std::condition_variable callersGone_;
  std::vector<CMediaFilter*> filters_;
  std::map<AudioSink*, AudioFormat> opened_;
  FILTER_STATE state_ = State_Stopped;
  bool ended_ = false;
  bool endPending_ = false;  // the stream has ended; EC_COMPLETE waits for the clock
  bool quit_ = false;
  LONGLONG position_ = 0;
  long volume_ = 0;
  double rate_;
  Clock::time_point clockWall_ = Clock::now();
  LONGLONG clockPosition_ = 0;
  std::vector<float> block_;

  std::mutex eventMutex_;
  std::condition_variable eventArrived_;
  std::deque<GraphEvent> events_;
  HWND notifyWindow_ = nullptr;
  UINT notifyMessage_ = 0;
  LONG_PTR notifyData_ = 0;

  std::thread thread_;  // last: starts after every member above exists
};

}  // namespace

}  // namespace qh::media

HRESULT CoCreateMediaObject(REFCLSID clsid, REFIID iid, void** object) {
  using namespace qh::media;
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  IUnknown* made = nullptr;
  if (clsid == CLSID_FilterGraph) made = static_cast<IGraphBuilder*>(new CFilterGraph());
  else if (clsid == CLSID_InfTee) made = NewInfiniteTee();
  else if (clsid == CLSID_MP3Decoder) made = NewMpegDecoder(true);
  else if (clsid == CLSID_CMpegAudioCodec) made = NewMpegDecoder(false);
  else if (clsid == CLSID_MPEG1Splitter) made = NewMpegSplitter();
  else if (clsid == CLSID_WAVEParser) made = NewWaveParser();
  else if (clsid == CLSID_ACMWrapper) made = NewAcmWrapper();
  else return REGDB_E_CLASSNOTREG;
  const HRESULT hr = made->QueryInterface(iid, object);
  made->Release();
  return hr;
}
