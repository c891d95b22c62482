// The infinite pin tee (one decoded stream to any number of renderers: a new output pin appears each
// time the last free one is connected) and the renderer filter around a sink.
#include <deque>
#include <string>

#include "platform/media/MediaFilter.h"

namespace qh::media {
namespace {

bool IsDecodedAudio(const CMediaPin& upstream) {
  for (const PinMediaType& type : upstream.Types())
    if (type.majortype == MEDIATYPE_Audio && type.subtype == MEDIASUBTYPE_PCM) return true;
  return false;
}

class CInfiniteTee : public CMediaFilter {
 public:
  CInfiniteTee() {
    input_ = AddPin(PINDIR_INPUT, "Input");
    AddOutput();
  }
  HRESULT CheckInput(CMediaPin&, CMediaPin& upstream) override {
    return IsDecodedAudio(upstream) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CompleteInput(CMediaPin& input) override {
    for (auto& pin : Pins())
      if (pin->Direction() == PINDIR_OUTPUT) pin->Types() = input.Peer()->Types();
    return S_OK;
  }
  // Called for the output side too when a renderer connects: keep one free output pin.
  void OutputConnected() {
    for (auto& pin : Pins())
      if (pin->Direction() == PINDIR_OUTPUT && pin->Peer() == nullptr) return;
    AddOutput();
  }
  PcmSource* OutputSamples(CMediaPin&) override { return UpstreamSamples(*input_); }

 private:
  void AddOutput() {
    names_.push_back("Output" + std::to_string(names_.size() + 1));
    CMediaPin* pin = AddPin(PINDIR_OUTPUT, names_.back().c_str());
    if (input_->Peer() != nullptr) pin->Types() = input_->Peer()->Types();
  }

  CMediaPin* input_;
  std::deque<std::string> names_;  // pins keep pointers to their names
};

class CRendererFilter : public CMediaFilter {
 public:
  explicit CRendererFilter(std::unique_ptr<AudioSink> sink) : sink_(std::move(sink)) {
    AddPin(PINDIR_INPUT, "Audio Input pin (rendered)");
  }
  ~CRendererFilter() override { sink_->Close(); }
  HRESULT CheckInput(CMediaPin&, CMediaPin& upstream) override {
    return IsDecodedAudio(upstream) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CompleteInput(CMediaPin& input) override {
    if (auto* tee = dynamic_cast<CInfiniteTee*>(&input.Peer()->Owner())) tee->OutputConnected();
    return S_OK;
  }
  AudioSink* Sink() override { return sink_.get(); }

 private:
  std::unique_ptr<AudioSink> sink_;
};

}  // namespace

IBaseFilter* NewInfiniteTee() { return new CInfiniteTee(); }
IBaseFilter* NewRenderer(std::unique_ptr<AudioSink> sink) { return new CRendererFilter(std::move(sink)); }

}  // namespace qh::media
