#include "platform/cd/CdExtractionControl.h"

#include "platform/cd/CdSource.h"
#include "platform/com/Bstr.h"
#include "platform/core/Paths.h"

namespace qh::cd {

const GUID CLSID_CdExtractionControl = {
    0x9F5F61C9, 0x83A0, 0x11D2, {0xA8, 0x00, 0x00, 0xA0, 0xCC, 0x20, 0xD7, 0x81}};

namespace {

bool ShortArgument(const VARIANT& value, SHORT* out) {
  if (value.vt == VT_I2) *out = value.iVal;
  else if (value.vt == VT_I4) *out = static_cast<SHORT>(value.lVal);
  else return false;
  return true;
}

void SetShort(VARIANT* result, SHORT value) {
  if (result == nullptr) return;
  result->vt = VT_I2;
  result->iVal = value;
}

void SetLong(VARIANT* result, LONG value) {
  if (result == nullptr) return;
  result->vt = VT_I4;
  result->lVal = value;
}

}  // namespace

CdExtractionControl::~CdExtractionControl() {
  stop_ = true;
  JoinWorker();
}

void CdExtractionControl::SetEventSink(EventSink sink) {
  std::lock_guard<std::mutex> lock(sinkLock_);
  sink_ = std::move(sink);
}

void CdExtractionControl::Fire(DISPID event, LONG value) {
  std::lock_guard<std::mutex> lock(sinkLock_);
  if (sink_) sink_(event, value);
}

HRESULT CdExtractionControl::Invoke(DISPID dispId, const DISPPARAMS* params, VARIANT* result) {
  UINT count = params != nullptr ? params->cArgs : 0;
  auto arg = [&](UINT index) -> const VARIANT& { return params->rgvarg[count - 1 - index]; };
  SHORT number = 0;
  switch (dispId) {
    case 4:
    case 34:
    case 16:
    case 17:
      if (count != 1) return DISP_E_BADPARAMCOUNT;
      if (!ShortArgument(arg(0), &number)) return DISP_E_TYPEMISMATCH;
      if (dispId == 4) SetShort(result, SelectDrive(number));
      if (dispId == 34) SetShort(result, SetCopyType(number));
      if (dispId == 16) SetLong(result, TrackStart(number));
      if (dispId == 17) SetLong(result, TrackLength(number));
      return S_OK;
    case 6:
      if (count != 2) return DISP_E_BADPARAMCOUNT;
      if (!ShortArgument(arg(0), &number) || arg(1).vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
      SetShort(result, ExtractTrack(number, BstrToAnsi(arg(1).bstrVal).GetString()));
      return S_OK;
    case 14:
      if (count != 0) return DISP_E_BADPARAMCOUNT;
      SetShort(result, Stop());
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

SHORT CdExtractionControl::SelectDrive(SHORT index) {
  if (running_) return kErrorBusy;
  std::string letters = CdDriveLetters();
  if (index < 0 || static_cast<size_t>(index) >= letters.size()) return kErrorDriveInUse;
  std::unique_ptr<CdDisc> disc = CdDisc::Open(CdSourceForDrive(letters[static_cast<size_t>(index)]), nullptr);
  if (!disc) return kErrorDriveInUse;
  JoinWorker();
  disc_ = std::move(disc);
  return 0;
}

SHORT CdExtractionControl::SetCopyType(SHORT copyType) {
  if (copyType < 0 || copyType > 2) return kErrorNoDigitalAudio;
  copyType_ = static_cast<CopyType>(copyType);
  return 0;
}

LONG CdExtractionControl::TrackStart(SHORT track) {
  const TocTrack* entry = disc_ ? disc_->Toc().Track(track) : nullptr;
  return entry != nullptr ? entry->startFrame - kLeadInFrames : -1;
}

LONG CdExtractionControl::TrackLength(SHORT track) {
  if (!disc_ || disc_->Toc().Track(track) == nullptr) return -1;
  return disc_->Toc().TrackFrames(track);
}

SHORT CdExtractionControl::ExtractTrack(SHORT track, const std::string& path) {
  if (running_) return kErrorBusy;
  if (!disc_) return kErrorDriveInUse;
  const TocTrack* entry = disc_->Toc().Track(track);
  if (entry == nullptr || !entry->audio) return kErrorNoSuchTrack;
  std::vector<uint8_t> probe(kAudioFrameBytes);
  if (!disc_->ReadAudio(entry->startFrame, 1, probe.data())) return kErrorNoDigitalAudio;
  ExtractRequest request;
  request.track = track;
  request.hostPath = qh::HostPathOf(path.c_str());
  if (request.hostPath.empty()) return kErrorTarget;
  FILE* file = std::fopen(request.hostPath.c_str(), "wb");
  if (file == nullptr) return kErrorTarget;
  std::fclose(file);
  request.copyType = copyType_;
  JoinWorker();
  stop_ = false;
  running_ = true;
  worker_ = std::thread(&CdExtractionControl::Run, this, std::move(request));
  return 0;
}

SHORT CdExtractionControl::Stop() {
  stop_ = true;
  JoinWorker();
  return 0;
}

void CdExtractionControl::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

void CdExtractionControl::Run(ExtractRequest request) {
  Fire(kEventRunning, 0);
  request.progress = [this](long permille) { Fire(kEventProgress, static_cast<LONG>(permille)); };
  request.stop = &stop_;
  ExtractResult result = qh::cd::ExtractTrack(*disc_, request);
  running_ = false;
  Fire(kEventStopped, 0);
  if (result != ExtractResult::Stopped) Fire(kEventTrackDone, 0);
}

}  // namespace qh::cd
