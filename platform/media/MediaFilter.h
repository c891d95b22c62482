// The common body of the built-in filters: reference counting, named pins, connection bookkeeping and
// the hooks a filter implements to accept an upstream pin and to offer its output.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/media/DShow.h"
#include "platform/media/MediaStreams.h"

namespace qh::media {

// A media type as a pin offers it.
struct PinMediaType {
  GUID majortype{};
  GUID subtype{};
  WAVEFORMATEX format{};
  std::vector<BYTE> formatExtra;  // the cbSize bytes after the WAVEFORMATEX
};

// The type of decoded samples of a format (what decoders offer on their output pins).
PinMediaType DecodedAudioType(const AudioFormat& format);

// Reference counting and IUnknown for the small objects of the graph (enumerators).
template <typename Interface>
class CRefCounted : public Interface {
 public:
  HRESULT QueryInterface(REFIID, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~CRefCounted() = default;

 private:
  std::atomic<ULONG> references_{1};
};

class CMediaFilter;

class CMediaPin : public IPin {
 public:
  CMediaPin(CMediaFilter& owner, PIN_DIRECTION direction, const char* name);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT ConnectedTo(IPin** peer) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT Disconnect() override;

  CMediaFilter& Owner() const { return owner_; }
  PIN_DIRECTION Direction() const { return direction_; }
  CMediaPin* Peer() const { return peer_; }
  void SetPeer(CMediaPin* peer) { peer_ = peer; }
  std::vector<PinMediaType>& Types() { return types_; }
  const std::vector<PinMediaType>& Types() const { return types_; }
  const char* Name() const { return name_; }

 private:
  CMediaFilter& owner_;
  PIN_DIRECTION direction_;
  const char* name_;
  CMediaPin* peer_ = nullptr;
  std::vector<PinMediaType> types_;
};

class CMediaFilter : public IBaseFilter {
 public:
  CMediaFilter();
  virtual ~CMediaFilter();
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT QueryFilterName(CString& name) override;

  // ---- Graph bookkeeping ----
  void JoinGraph(IFilterGraph* graph, const CString& name);
  IFilterGraph* Graph() const { return graph_; }
  std::vector<std::unique_ptr<CMediaPin>>& Pins() { return pins_; }

  // ---- What a filter implements ----
  // Whether an input pin takes what the upstream output pin offers; S_OK or a failure HRESULT.
  virtual HRESULT CheckInput(CMediaPin& input, CMediaPin& upstream) = 0;
  // After the connection was made (the filter reads its input, sets its output types).
  virtual HRESULT CompleteInput(CMediaPin& input) { return S_OK; }
  // After an input or output pin was disconnected.
  virtual void BreakConnection(CMediaPin& pin) {}
  // What an output pin offers (exactly one is not null for a connected output).
  virtual PcmSource* OutputSamples(CMediaPin& output) { return nullptr; }
  virtual std::shared_ptr<ByteSource> OutputBytes(CMediaPin& output) { return nullptr; }
  // A renderer's sink, null for other filters.
  virtual AudioSink* Sink() { return nullptr; }

 protected:
  CMediaPin* AddPin(PIN_DIRECTION direction, const char* name);
  // The samples or bytes the upstream pin of an input offers.
  static PcmSource* UpstreamSamples(CMediaPin& input);
  static std::shared_ptr<ByteSource> UpstreamBytes(CMediaPin& input);

 private:
  std::atomic<ULONG> references_{1};
  std::vector<std::unique_ptr<CMediaPin>> pins_;
  IFilterGraph* graph_ = nullptr;
  CString name_;
};

// A decoder: one input of encoded bytes, one output of the samples OpenSamples makes from them.
class CDecoderFilter : public CMediaFilter {
 public:
  HRESULT CompleteInput(CMediaPin& input) override;
  void BreakConnection(CMediaPin& pin) override;
  PcmSource* OutputSamples(CMediaPin&) override { return samples_.get(); }

 protected:
  CDecoderFilter(const char* inputName, const char* outputName);
  // The samples of the upstream bytes of that type; null when they cannot be decoded.
  virtual std::unique_ptr<PcmSource> OpenSamples(std::shared_ptr<ByteSource> bytes, const PinMediaType& type) = 0;

 private:
  CMediaPin* input_;
  CMediaPin* output_;
  std::unique_ptr<PcmSource> samples_;
};

// Links two pins after the input's filter accepted; undoes the link when CompleteInput fails.
HRESULT ConnectPins(CMediaPin& output, CMediaPin& input);
// Cuts one pin's link on both sides.
void DisconnectPins(CMediaPin& pin);

CMediaPin* AsMediaPin(IPin* pin);
CMediaFilter* AsMediaFilter(IBaseFilter* filter);

// Built-in filters.
IBaseFilter* NewFileSource(const CString& path, HRESULT& result);
IBaseFilter* NewWaveParser();
IBaseFilter* NewAcmWrapper();
IBaseFilter* NewMpegSplitter();
IBaseFilter* NewMpegDecoder(bool layer3Only);
IBaseFilter* NewInfiniteTee();
IBaseFilter* NewRenderer(std::unique_ptr<AudioSink> sink);

}  // namespace qh::media
