// The local engine's filter graph: creation, the chain for each compression code, the renderers of
// the zone's devices, seeking and release.
#include <algorithm>

#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/player/StreamWindow.h"
#include "platform/media/DecodeProbe.h"
#include "platform/media/DeviceEnum.h"

namespace {

struct StandardFilter {
  IBaseFilter* CStreamWindow::*member;
  const CLSID* clsid;
  const char* graphName;
  const char* label;
};

}  // namespace

void CStreamWindow::CreateGraph() {
  if (m_pGraph != nullptr || m_pControl != nullptr || m_pEvent != nullptr || m_pSeeking != nullptr) ReleaseGraph();
  void* object = nullptr;
  const HRESULT hr = CoCreateMediaObject(CLSID_FilterGraph, IID_IGraphBuilder, &object);
  m_pGraph = static_cast<IGraphBuilder*>(object);
  if (m_pGraph == nullptr) {
    ReleaseGraph();
    LogGraphText("E", IDS_PLAYER_NO_DIRECTX, static_cast<unsigned>(hr));
    return;
  }
  m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pControl));
  m_pGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_pEvent));
  m_pGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_pSeeking));
  if (m_pEvent != nullptr)
    m_pEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), WM_PLAYER_GRAPHEVENT, 0);
  if (m_pSeeking != nullptr) m_pSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  if (!CreateFilter()) return;
  AddFilterByName();
  m_pGraph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m_pAudio));
}

bool CStreamWindow::CreateFilter() {
  static const StandardFilter kFilters[] = {
      {&CStreamWindow::m_pTee, &CLSID_InfTee, "Infinite Pin Tee Filter", "InfPin"},
      {&CStreamWindow::m_pLayer3Decoder, &CLSID_MP3Decoder, "MPEG Layer-3 Decoder", "Layer3Decoder"},
      {&CStreamWindow::m_pMpegDecoder, &CLSID_CMpegAudioCodec, "MPEG Audio Decoder", "MpegDecoder"},
      {&CStreamWindow::m_pMpeg1Splitter, &CLSID_MPEG1Splitter, "MPEG-I Stream Splitter", "MPEG1Splitter"},
      {&CStreamWindow::m_pWaveParser, &CLSID_WAVEParser, "Wave Parser", "WaveParser"},
      {&CStreamWindow::m_pAcmWrapper, &CLSID_ACMWrapper, "ACM Wrapper", "ACMWrapper"},
  };
  for (const StandardFilter& f : kFilters) {
    void* object = nullptr;
    const HRESULT hr = CoCreateMediaObject(*f.clsid, IID_IBaseFilter, &object);
    this->*f.member = static_cast<IBaseFilter*>(object);
    if (FAILED(hr) || object == nullptr) {
      LogGraphText("E", IDS_PLAYER_TRANSFORM_CREATE, static_cast<unsigned>(hr), f.label);
      return false;
    }
  }
  for (const StandardFilter& f : kFilters) {
    const HRESULT hr = m_pGraph->AddFilter(this->*f.member, f.graphName);
    if (FAILED(hr)) {
      LogGraphText("E", IDS_PLAYER_TRANSFORM_ADD, static_cast<unsigned>(hr), f.graphName);
      return false;
    }
  }
  return true;
}

bool CStreamWindow::AddFilterByName() {
  bool allAdded = true;
  for (const CString& name : m_pluginNames) {
    IBaseFilter* filter = FindDeviceByFriendlyName(name);
    if (filter == nullptr || FAILED(m_pGraph->AddFilter(filter, name))) {
      SafeRelease(filter);
      allAdded = false;
      continue;
    }
    if (m_pluginChain.emplace(name, filter).second) continue;  // the chain keeps the creation reference
    // A second filter of a name stays out of the chain and out of the graph.
    m_pGraph->RemoveFilter(filter);
    filter->Release();
  }
  return allAdded;
}

// ---- Pins ----

// The first pin of a direction in the filter's pin order, or the first one that is not connected.
static IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction, bool unconnectedOnly) {
  if (filter == nullptr) return nullptr;
  IEnumPins* pins = nullptr;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  IPin* found = nullptr;
  IPin* pin = nullptr;
  while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    IPin* peer = nullptr;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction &&
        (!unconnectedOnly || pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED))
      found = pin;
    else
      pin->Release();
    SafeRelease(peer);
  }
  pins->Release();
  return found;
}

IPin* CStreamWindow::FindPin(IBaseFilter* filter, PIN_DIRECTION direction) { return FirstPin(filter, direction, false); }

IPin* CStreamWindow::GetUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  return FirstPin(filter, direction, true);
}

bool CStreamWindow::DisconnectPin(IGraphBuilder* graph, IPin* pin) {
  if (pin == nullptr) return false;
  IPin* peer = nullptr;
  if (pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED) return true;
  const bool done = peer != nullptr && SUCCEEDED(graph->Disconnect(peer)) && SUCCEEDED(graph->Disconnect(pin));
  SafeRelease(peer);
  return done;
}

bool CStreamWindow::ConnectInto(IGraphBuilder* graph, IPin* upstream, IPin* input, const char* label) {
  if (upstream == nullptr || input == nullptr || !DisconnectPin(graph, input)) return false;
  const HRESULT hr = graph->ConnectDirect(upstream, input, nullptr);
  if (FAILED(hr)) {
    LogGraphText("E", IDS_PLAYER_TRANSFORM_CONNECT, static_cast<unsigned>(hr), label);
    return false;
  }
  return true;
}

IPin* CStreamWindow::ConnectStage(IGraphBuilder* graph, IBaseFilter* filter, IPin* upstream, const char* label,
                                  bool cutOutput) {
  IPin* input = FindPin(filter, PINDIR_INPUT);
  if (input == nullptr) return nullptr;
  const bool connected = ConnectInto(graph, upstream, input, label);
  input->Release();
  if (!connected) return nullptr;
  IPin* output = FindPin(filter, PINDIR_OUTPUT);
  if (output != nullptr && cutOutput && !DisconnectPin(graph, output)) SafeRelease(output);
  return output;
}

CStreamWindow::ChainStages CStreamWindow::OwnStages() const {
  return {m_pGraph, m_pWaveParser, m_pAcmWrapper, m_pLayer3Decoder, m_pMpegDecoder, m_pMpeg1Splitter};
}

bool CStreamWindow::AddTee(IPin* upstream) {
  IPin* input = FindPin(m_pTee, PINDIR_INPUT);
  const bool done = ConnectInto(upstream, input, "Transform::Tee");
  SafeRelease(input);
  return done;
}

bool CStreamWindow::AddPluginChain(IPin* upstream) {
  IPin* input = GetFirstPluginPin();
  if (input == nullptr) return false;
  const bool done = ConnectInto(upstream, input, "Transform::PluginChain");
  input->Release();
  return done;
}

bool CStreamWindow::IsLayer3Output(IPin* pin) {
  IEnumMediaTypes* types = nullptr;
  if (pin == nullptr || FAILED(pin->EnumMediaTypes(&types))) return true;
  bool layer3 = false;
  AM_MEDIA_TYPE* type = nullptr;
  while (!layer3 && types->Next(1, &type, nullptr) == S_OK) {
    layer3 = type->majortype == MEDIATYPE_Audio && type->subtype == MEDIASUBTYPE_MP3;
    DeleteMediaType(type);
  }
  types->Release();
  return layer3;
}

// The stages of a compression code from the source's output; the last stage's output pin.
bool CStreamWindow::ConnectStages(const ChainStages& stages, char code, IPin* sourceOutput, IPin** lastOutput) {
  auto stage = [&](IBaseFilter* filter, IPin* upstream, const char* label, bool cutOutput) {
    return ConnectStage(stages.graph, filter, upstream, label, cutOutput);
  };
  auto parsed = [&] { return stage(stages.waveParser, sourceOutput, "Source::WaveParser", false); };
  auto layer3 = [&](IPin* upstream) { return stage(stages.layer3Decoder, upstream, "Source::Layer3Decoder", true); };
  IPin* out = nullptr;
  switch (code) {
    case ' ':
    case 'V': out = parsed(); break;
    case 'A': {
      IPin* wave = parsed();
      out = wave != nullptr ? stage(stages.acmWrapper, wave, "Source::ACMWrapper", false) : nullptr;
      SafeRelease(wave);
      break;
    }
    case 'M': {
      IPin* wave = parsed();
      out = wave != nullptr ? layer3(wave) : nullptr;
      SafeRelease(wave);
      break;
    }
    case '3':
    case 'R': {
      IPin* split = stage(stages.mpeg1Splitter, sourceOutput, "Source::Mpeg1Splitter", true);
      if (split != nullptr)
        out = IsLayer3Output(split) ? layer3(split)
                                    : stage(stages.mpegDecoder, split, "Source::MpegAudioDecoder", true);
      SafeRelease(split);
      break;
    }
    default: break;
  }
  *lastOutput = out;
  return out != nullptr;
}

bool CStreamWindow::BuildGraphChain(char code, const CString& path) {
  if (FAILED(m_pGraph->AddSourceFilter(path, path, &m_pSource))) return false;
  IPin* sourceOutput = FindPin(m_pSource, PINDIR_OUTPUT);
  IPin* last = nullptr;
  bool built = ConnectStages(OwnStages(), code, sourceOutput, &last);
  if (built) {
    if (!m_pluginChain.empty()) ConnectPluginFilters(last);
    else built = AddTee(last);
  }
  if (built) built = ConnectRenderer();
  SafeRelease(last);
  SafeRelease(sourceOutput);
  return built;
}

bool CStreamWindow::ReplaceSourceChain(char code, const CString& path) {
  if (m_pSource != nullptr) {
    if (FAILED(m_pGraph->RemoveFilter(m_pSource))) return false;
    SafeRelease(m_pSource);
  }
  if (FAILED(m_pGraph->AddSourceFilter(path, path, &m_pSource))) return false;
  IPin* sourceOutput = FindPin(m_pSource, PINDIR_OUTPUT);
  IPin* last = nullptr;
  bool built = ConnectStages(OwnStages(), code, sourceOutput, &last);
  if (built) built = !m_pluginChain.empty() ? AddPluginChain(last) : AddTee(last);
  SafeRelease(last);
  SafeRelease(sourceOutput);
  return built;
}

namespace {

using StageMember = IBaseFilter* CStreamWindow::ChainStages::*;
struct StageKind {
  StageMember member;
  const CLSID* clsid;
};
const StageKind kStageKinds[] = {{&CStreamWindow::ChainStages::waveParser, &CLSID_WAVEParser},
                                 {&CStreamWindow::ChainStages::acmWrapper, &CLSID_ACMWrapper},
                                 {&CStreamWindow::ChainStages::layer3Decoder, &CLSID_MP3Decoder},
                                 {&CStreamWindow::ChainStages::mpegDecoder, &CLSID_CMpegAudioCodec},
                                 {&CStreamWindow::ChainStages::mpeg1Splitter, &CLSID_MPEG1Splitter}};

}  // namespace

bool CStreamWindow::CreateProbe() {
  // One probe graph for the zone's life: a graph runs a thread of its own, and making and ending one for
  // every song would hold the window thread until that thread has had its turn.
  void* object = nullptr;
  CoCreateMediaObject(CLSID_FilterGraph, IID_IGraphBuilder, &object);
  m_probe.graph = static_cast<IGraphBuilder*>(object);
  bool ready = m_probe.graph != nullptr;
  for (const StageKind& kind : kStageKinds) {
    if (!ready) break;
    void* filter = nullptr;
    CoCreateMediaObject(*kind.clsid, IID_IBaseFilter, &filter);
    m_probe.*kind.member = static_cast<IBaseFilter*>(filter);
    ready = m_probe.*kind.member != nullptr && SUCCEEDED(m_probe.graph->AddFilter(m_probe.*kind.member, nullptr));
  }
  if (!ready) ReleaseProbe();
  return ready;
}

void CStreamWindow::ReleaseProbe() {
  for (const StageKind& kind : kStageKinds) SafeRelease(m_probe.*kind.member);
  SafeRelease(m_probe.graph);
}

bool CStreamWindow::ProbeSong(char code, const CString& path) {
  // Four frames of an MP3: a file whose audio cannot be decoded gives none, a good one gives them at once.
  constexpr long kProbeFrames = 4608;
  if (m_probe.graph == nullptr && !CreateProbe()) return false;
  IBaseFilter* source = nullptr;
  if (FAILED(m_probe.graph->AddSourceFilter(path, nullptr, &source))) return false;
  IPin* sourceOutput = FindPin(source, PINDIR_OUTPUT);
  IPin* last = nullptr;
  const bool decodes =
      ConnectStages(m_probe, code, sourceOutput, &last) && qh::media::ReadDecodedFrames(last, kProbeFrames) > 0;
  SafeRelease(last);
  SafeRelease(sourceOutput);
  // Every filter leaves the graph and comes back unconnected, so the next probe starts from nothing.
  m_probe.graph->RemoveFilter(source);
  SafeRelease(source);
  for (const StageKind& kind : kStageKinds) {
    IBaseFilter* filter = m_probe.*kind.member;
    if (FAILED(m_probe.graph->RemoveFilter(filter)) || FAILED(m_probe.graph->AddFilter(filter, nullptr))) {
      ReleaseProbe();
      break;
    }
  }
  return decodes;
}

int CStreamWindow::ConnectPluginFilters(IPin* upstream) {
  if (upstream == nullptr) return 0;
  upstream->AddRef();
  int connected = 0;
  for (auto& [name, filter] : m_pluginChain) {
    IPin* input = FindPin(filter, PINDIR_INPUT);
    const bool joined = input != nullptr && DisconnectPin(input) && SUCCEEDED(m_pGraph->ConnectDirect(upstream, input, nullptr));
    SafeRelease(input);
    IPin* output = joined ? FindPin(filter, PINDIR_OUTPUT) : nullptr;
    if (output == nullptr || !DisconnectPin(output)) {
      SafeRelease(output);
      upstream->Release();
      return connected;
    }
    upstream->Release();
    upstream = output;
    ++connected;
  }
  AddTee(upstream);
  upstream->Release();
  return connected;
}

// ---- Renderers ----

IBaseFilter* CStreamWindow::CreateRendererByName(const CString& name) { return qh::media::CreateAudioRenderer(name); }

bool CStreamWindow::ConnectRenderer() {
  DisconnectRenderers();
  if (m_deviceSet.empty()) {
    m_messageText = "There is no playback device for this stream. Please reset the audio matrix before attempting to "
                    "play this stream";
    LogMessageText("E");
    return false;  // a song without any output never ends: it does not count as started
  }
  CJukeboxServices* app = JukeboxServices();
  for (LONG index : m_deviceSet) {
    const CString name = app != nullptr ? app->GetZoneDevice(index) : CString();
    if (name.IsEmpty()) continue;
    IBaseFilter* renderer = CreateRendererByName(name);
    if (renderer == nullptr) continue;
    HRESULT hr = m_pGraph->AddFilter(renderer, name);
    if (FAILED(hr)) {
      LogGraphText("E", IDS_PLAYER_DEVICE_ERROR, static_cast<unsigned>(hr), name.GetString());
      renderer->Release();
      return false;
    }
    IPin* teeOutput = GetUnconnectedPin(m_pTee, PINDIR_OUTPUT);
    IPin* input = FindPin(renderer, PINDIR_INPUT);
    bool stop = false;
    if (teeOutput == nullptr || input == nullptr) {
      LogGraphText("E", IDS_PLAYER_PIN_MISSING, teeOutput == nullptr ? "Tee::Output" : "Renderer::Input");
      stop = true;
    } else if (FAILED(hr = m_pGraph->ConnectDirect(teeOutput, input, nullptr))) {
      LogGraphText("E", IDS_PLAYER_RENDERER_CONNECT, static_cast<unsigned>(hr), m_deviceName.GetString());
      stop = true;
    }
    if (stop) m_pGraph->RemoveFilter(renderer);
    SafeRelease(teeOutput);
    SafeRelease(input);
    renderer->Release();
    if (stop) break;
  }
  // Without a renderer nothing would be heard and no end of song would ever come.
  if (CountRenderers() == 0) {
    m_messageText.Format("No sound device of stream %d [%s] could be opened.", m_streamNumber + 1,
                         m_deviceName.GetString());
    LogMessageText("E");
    return false;
  }
  return true;
}

int CStreamWindow::CountRenderers() {
  if (m_pTee == nullptr) return 0;
  int count = 0;
  IEnumPins* pins = nullptr;
  if (FAILED(m_pTee->EnumPins(&pins))) return 0;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    IPin* peer = nullptr;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == PINDIR_OUTPUT && SUCCEEDED(pin->ConnectedTo(&peer))) ++count;
    SafeRelease(peer);
    pin->Release();
  }
  pins->Release();
  return count;
}

bool CStreamWindow::DisconnectRenderers() {
  if (m_pTee == nullptr || m_pGraph == nullptr) return true;
  std::vector<IPin*> outputs;
  IEnumPins* pins = nullptr;
  if (FAILED(m_pTee->EnumPins(&pins))) return true;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) outputs.push_back(pin);
  pins->Release();
  for (IPin* output : outputs) {
    PIN_DIRECTION d;
    IPin* peer = nullptr;
    if (SUCCEEDED(output->QueryDirection(&d)) && d == PINDIR_OUTPUT && SUCCEEDED(output->ConnectedTo(&peer))) {
      PIN_INFO info;
      peer->QueryPinInfo(&info);
      DisconnectPin(output);
      if (info.pFilter != nullptr) {
        m_pGraph->RemoveFilter(info.pFilter);
        info.pFilter->Release();
      }
    }
    SafeRelease(peer);
    output->Release();
  }
  return true;
}

// ---- Seeking and release ----

int CStreamWindow::SeekToPosition(LONG ms) {
  LONGLONG position = static_cast<LONGLONG>(ms) * 10000;
  position = std::clamp(position, m_startPosition, std::max(m_startPosition, m_stopPosition));
  if (m_pControl == nullptr || FAILED(m_pControl->Stop())) return -3;
  // Seeking keeps the song as it was: a paused song stays paused.
  const bool resume = m_state == PLAYER_PLAYING;
  const bool placed = m_pSeeking != nullptr &&
                      SUCCEEDED(m_pSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                         AM_SEEKING_NoPositioning));
  if (resume) m_pControl->Run();
  else m_pControl->Pause();
  if (!placed) return -3;
  UpdatePosition();
  UpdateState();
  return 0;
}

void CStreamWindow::ReleaseGraph() {
  if (m_pGraph != nullptr && m_pTee != nullptr) DisconnectRenderers();
  SafeRelease(m_pTee);
  SafeRelease(m_pLayer3Decoder);
  SafeRelease(m_pMpegDecoder);
  SafeRelease(m_pMpeg1Splitter);
  SafeRelease(m_pWaveParser);
  SafeRelease(m_pAcmWrapper);
  if (m_pControl != nullptr) m_pControl->Stop();
  SafeRelease(m_pControl);
  SafeRelease(m_pSeeking);
  if (m_pEvent != nullptr) m_pEvent->SetNotifyWindow(0, 0, 0);
  SafeRelease(m_pEvent);
  SafeRelease(m_pSource);
  SafeRelease(m_pAudio);
  SafeRelease(m_pGraph);
  // The chain becomes names again, so the next graph has the same plug-ins.
  if (!m_pluginChain.empty()) {
    ClearPlugins();
    for (auto& [name, filter] : m_pluginChain) {
      AddPlugin(name);
      filter->Release();
    }
    m_pluginChain.clear();
  }
}
