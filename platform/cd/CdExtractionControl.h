// The CD-extraction control the rip dialogs host (class id {9F5F61C9-83A0-11D2-A800-00A0CC20D781}),
// built in: it rips one audio track at a time into a WAV file on a thread of its own. Its methods are
// reached by dispatch id, as the hosting window calls them:
//
//   4  (short drive index) -> short     selects the n-th CD drive; 0 = done
//   34 (short copy type) -> short       0 Normal, 1 Sync Mode, 2 Burst Mode; 0 = done
//   16 (short track) -> long            the track's first frame on the disc (-1: no such track)
//   17 (short track) -> long            the track's length in frames (-1: no such track)
//   6  (short track, string path) -> short   starts the extraction; 0 = started
//   14 () -> short                      stops a running extraction
//
// Events (raised on the extraction thread; the host hands them to its window's thread in order):
// 4 extraction running, 3 (long 0..1000) progress, 5 extraction ended, then 2 track finished (not
// after a stop). A track that ends early (read or write failure) still raises 2, with the last
// progress below 1000. Error codes: kErrorDriveInUse when the drive cannot be opened or holds no
// disc, kErrorNoDigitalAudio when the drive returns no audio frame, kErrorNoSuchTrack, kErrorTarget
// (the file cannot be created), kErrorBusy (an extraction runs).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/cd/CdDisc.h"
#include "platform/cd/TrackExtractor.h"
#include "platform/com/ComTypes.h"

namespace qh::cd {

// {9F5F61C9-83A0-11D2-A800-00A0CC20D781}
extern const GUID CLSID_CdExtractionControl;

class CdExtractionControl {
 public:
  static constexpr SHORT kErrorAspiManager = 684;
  static constexpr SHORT kErrorDriveInUse = 686;
  static constexpr SHORT kErrorNoDigitalAudio = 699;
  static constexpr SHORT kErrorNoSuchTrack = 701;
  static constexpr SHORT kErrorTarget = 702;
  static constexpr SHORT kErrorBusy = 703;

  static constexpr DISPID kEventTrackDone = 2;
  static constexpr DISPID kEventProgress = 3;
  static constexpr DISPID kEventRunning = 4;
  static constexpr DISPID kEventStopped = 5;

  using EventSink = std::function<void(DISPID event, LONG value)>;

  CdExtractionControl() = default;
  ~CdExtractionControl();
  CdExtractionControl(const CdExtractionControl&) = delete;
  CdExtractionControl& operator=(const CdExtractionControl&) = delete;

  void SetEventSink(EventSink sink);
  // A method by dispatch id with DISPATCH_METHOD's argument order (reversed); S_OK, DISP_E_...
  HRESULT Invoke(DISPID dispId, const DISPPARAMS* params, VARIANT* result);

  SHORT SelectDrive(SHORT index);
  SHORT SetCopyType(SHORT copyType);
  LONG TrackStart(SHORT track);
  LONG TrackLength(SHORT track);
  SHORT ExtractTrack(SHORT track, const std::string& path);
  SHORT Stop();
  bool IsRunning() const { return running_.load(); }

 private:
  void Run(ExtractRequest request);
  void Fire(DISPID event, LONG value);
  void JoinWorker();

  std::mutex sinkLock_;
  EventSink sink_;
  std::unique_ptr<CdDisc> disc_;
  CopyType copyType_ = CopyType::Normal;
  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> stop_{false};
};

}  // namespace qh::cd
