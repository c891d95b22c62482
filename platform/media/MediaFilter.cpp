#include "platform/media/MediaFilter.h"

#include <cstring>

namespace qh::media {

namespace {

AM_MEDIA_TYPE* CopyOut(const PinMediaType& type) {
  auto* out = new AM_MEDIA_TYPE();
  out->majortype = type.majortype;
  out->subtype = type.subtype;
  out->formattype = FORMAT_WaveFormatEx;
  out->cbFormat = static_cast<ULONG>(sizeof(WAVEFORMATEX) + type.formatExtra.size());
  out->pbFormat = new BYTE[out->cbFormat];
  std::memcpy(out->pbFormat, &type.format, sizeof(WAVEFORMATEX));
  if (!type.formatExtra.empty())
    std::memcpy(out->pbFormat + sizeof(WAVEFORMATEX), type.formatExtra.data(), type.formatExtra.size());
  return out;
}

class CEnumMediaTypes : public CRefCounted<IEnumMediaTypes> {
 public:
  explicit CEnumMediaTypes(std::vector<PinMediaType> types) : types_(std::move(types)) {}
  HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    ULONG given = 0;
    while (given < count && next_ < types_.size()) types[given++] = CopyOut(types_[next_++]);
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    next_ = 0;
    return S_OK;
  }

 private:
  std::vector<PinMediaType> types_;
  size_t next_ = 0;
};

class CEnumPins : public CRefCounted<IEnumPins> {
 public:
  explicit CEnumPins(std::vector<IPin*> pins) : pins_(std::move(pins)) {
    for (IPin* pin : pins_) pin->AddRef();
  }
  HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override {
    ULONG given = 0;
    while (given < count && next_ < pins_.size()) {
      pins[given] = pins_[next_++];
      pins[given++]->AddRef();
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    next_ = 0;
    return S_OK;
  }

 private:
  ~CEnumPins() override {
    for (IPin* pin : pins_) pin->Release();
  }
  std::vector<IPin*> pins_;
  size_t next_ = 0;
};

}  // namespace

PinMediaType DecodedAudioType(const AudioFormat& format) {
  PinMediaType type;
  type.majortype = MEDIATYPE_Audio;
  type.subtype = MEDIASUBTYPE_PCM;
  type.format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  type.format.nChannels = static_cast<WORD>(format.channels);
  type.format.nSamplesPerSec = static_cast<DWORD>(format.rate);
  type.format.wBitsPerSample = 32;
  type.format.nBlockAlign = static_cast<WORD>(4 * format.channels);
  type.format.nAvgBytesPerSec = static_cast<DWORD>(4 * format.channels * format.rate);
  return type;
}

// ---- Pins ----

CMediaPin::CMediaPin(CMediaFilter& owner, PIN_DIRECTION direction, const char* name)
    : owner_(owner), direction_(direction), name_(name) {}

HRESULT CMediaPin::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IPin || riid == IID_IUnknown) {
    *object = static_cast<IPin*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

// A pin lives as long as its filter.
ULONG CMediaPin::AddRef() { return owner_.AddRef(); }
ULONG CMediaPin::Release() { return owner_.Release(); }

HRESULT CMediaPin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HRESULT CMediaPin::ConnectedTo(IPin** peer) {
  if (peer == nullptr) return E_POINTER;
  *peer = peer_;
  if (peer_ == nullptr) return VFW_E_NOT_CONNECTED;
  peer_->AddRef();
  return S_OK;
}

HRESULT CMediaPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = &owner_;
  owner_.AddRef();
  info->dir = direction_;
  std::strncpy(info->achName, name_, sizeof(info->achName) - 1);
  return S_OK;
}

HRESULT CMediaPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = new CEnumMediaTypes(types_);
  return S_OK;
}

HRESULT CMediaPin::Disconnect() {
  if (peer_ == nullptr) return S_FALSE;
  // Only this side; the graph's Disconnect is called for each side, as the platform does it.
  CMediaPin* peer = peer_;
  peer_ = nullptr;
  owner_.BreakConnection(*this);
  (void)peer;
  return S_OK;
}

// ---- Filters ----

CMediaFilter::CMediaFilter() = default;
CMediaFilter::~CMediaFilter() = default;

HRESULT CMediaFilter::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IBaseFilter || riid == IID_IUnknown) {
    *object = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG CMediaFilter::AddRef() { return ++references_; }
ULONG CMediaFilter::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT CMediaFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  std::vector<IPin*> list;
  for (auto& pin : pins_) list.push_back(pin.get());
  *pins = new CEnumPins(std::move(list));
  return S_OK;
}

HRESULT CMediaFilter::QueryFilterName(CString& name) {
  name = name_;
  return S_OK;
}

void CMediaFilter::JoinGraph(IFilterGraph* graph, const CString& name) {
  graph_ = graph;
  name_ = name;
}

CMediaPin* CMediaFilter::AddPin(PIN_DIRECTION direction, const char* name) {
  pins_.push_back(std::make_unique<CMediaPin>(*this, direction, name));
  return pins_.back().get();
}

PcmSource* CMediaFilter::UpstreamSamples(CMediaPin& input) {
  CMediaPin* upstream = input.Peer();
  return upstream != nullptr ? upstream->Owner().OutputSamples(*upstream) : nullptr;
}

std::shared_ptr<ByteSource> CMediaFilter::UpstreamBytes(CMediaPin& input) {
  CMediaPin* upstream = input.Peer();
  return upstream != nullptr ? upstream->Owner().OutputBytes(*upstream) : nullptr;
}

CDecoderFilter::CDecoderFilter(const char* inputName, const char* outputName) {
  input_ = AddPin(PINDIR_INPUT, inputName);
  output_ = AddPin(PINDIR_OUTPUT, outputName);
}

HRESULT CDecoderFilter::CompleteInput(CMediaPin& input) {
  std::shared_ptr<ByteSource> bytes = UpstreamBytes(input);
  if (!bytes || input.Peer()->Types().empty()) return VFW_E_NOT_CONNECTED;
  std::unique_ptr<PcmSource> samples = OpenSamples(std::move(bytes), input.Peer()->Types().front());
  if (!samples) return VFW_E_INVALID_FILE_FORMAT;
  output_->Types().assign(1, DecodedAudioType(samples->Format()));
  samples_ = std::move(samples);
  return S_OK;
}

void CDecoderFilter::BreakConnection(CMediaPin& pin) {
  if (&pin != input_) return;
  samples_.reset();
  output_->Types().clear();
}

HRESULT ConnectPins(CMediaPin& output, CMediaPin& input) {
  if (output.Direction() != PINDIR_OUTPUT || input.Direction() != PINDIR_INPUT) return VFW_E_CANNOT_CONNECT;
  if (output.Peer() != nullptr || input.Peer() != nullptr) return VFW_E_ALREADY_CONNECTED;
  HRESULT hr = input.Owner().CheckInput(input, output);
  if (FAILED(hr)) return hr;
  output.SetPeer(&input);
  input.SetPeer(&output);
  hr = input.Owner().CompleteInput(input);
  if (FAILED(hr)) DisconnectPins(input);
  return hr;
}

void DisconnectPins(CMediaPin& pin) {
  CMediaPin* peer = pin.Peer();
  if (peer == nullptr) return;
  pin.SetPeer(nullptr);
  peer->SetPeer(nullptr);
  pin.Owner().BreakConnection(pin);
  peer->Owner().BreakConnection(*peer);
}

CMediaPin* AsMediaPin(IPin* pin) { return dynamic_cast<CMediaPin*>(pin); }
CMediaFilter* AsMediaFilter(IBaseFilter* filter) { return dynamic_cast<CMediaFilter*>(filter); }

}  // namespace qh::media
