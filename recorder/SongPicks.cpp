#include "recorder/SongPicks.h"

#include "dblib/QHDb.h"
#include "platform/media/DShow.h"
#include "platform/media/DeviceEnum.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/MessageBox.h"


std::unique_ptr<tSong> LoadSongById(tQHDb* db, tStorage* storage, LONG songId) {
  auto song = std::make_unique<tSong>();
  if (song->Attach(db, storage) < 0 || song->LoadById(songId) <= 0) return nullptr;
  return song;
}

void FillGenreCombo(tQHDb* db, CComboBox* combo, const CString& first) {
  combo->ResetContent();
  if (!first.IsEmpty()) combo->AddString(first);
  if (db->OpenSongTypes("")) {
    CString code, description;
    SHORT minBpm = 0, maxBpm = 0;
    LONG reserved = 0;
    while (db->NextSongType(code, description, minBpm, maxBpm, reserved)) combo->AddString(code);
    db->CloseSongTypes();
  }
  if (combo->GetCount() > 0) combo->SetCurSel(0);
}

void FillReportKinds(CComboBox* combo) {
  combo->AddString("Summary");
  combo->AddString("Detail");
  combo->SetCurSel(0);
}

namespace {

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  IEnumPins* pins = nullptr;
  if (filter == nullptr || FAILED(filter->EnumPins(&pins))) return nullptr;
  IPin* found = nullptr;
  IPin* pin = nullptr;
  while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction)
      found = pin;
    else
      pin->Release();
  }
  pins->Release();
  return found;
}

// Adds the filter to the graph and joins the upstream output to its input; its output pin (a new
// reference), or null with the failing result in `hr`.
IPin* AddStage(IGraphBuilder* graph, IBaseFilter* filter, const char* name, IPin* upstream, HRESULT& hr) {
  if (filter == nullptr) {
    hr = E_FAIL;
    return nullptr;
  }
  hr = graph->AddFilter(filter, name);
  IPin* input = SUCCEEDED(hr) ? FirstPin(filter, PINDIR_INPUT) : nullptr;
  if (SUCCEEDED(hr) && input == nullptr) hr = E_FAIL;
  if (SUCCEEDED(hr)) hr = graph->ConnectDirect(upstream, input, nullptr);
  SafeRelease(input);
  IPin* output = SUCCEEDED(hr) ? FirstPin(filter, PINDIR_OUTPUT) : nullptr;
  filter->Release();
  return output;
}

IBaseFilter* Builtin(REFCLSID clsid) {
  void* object = nullptr;
  return SUCCEEDED(CoCreateMediaObject(clsid, IID_IBaseFilter, &object)) ? static_cast<IBaseFilter*>(object) : nullptr;
}

// The decoders between the source and the renderer, by compression code.
std::vector<std::pair<const CLSID*, const char*>> DecoderChain(char code) {
  switch (code) {
    case ' ':
    case 'V': return {{&CLSID_WAVEParser, "Wave Parser"}};
    case 'A': return {{&CLSID_WAVEParser, "Wave Parser"}, {&CLSID_ACMWrapper, "ACM Wrapper"}};
    case 'M': return {{&CLSID_WAVEParser, "Wave Parser"}, {&CLSID_MP3Decoder, "MPEG Layer-3 Decoder"}};
    case '3':
    case 'R': return {{&CLSID_MPEG1Splitter, "MPEG-I Stream Splitter"}, {&CLSID_MP3Decoder, "MPEG Layer-3 Decoder"}};
    default: return {};
  }
}

}  // namespace

long CSongPreview::Build(tSong& song) {
  void* object = nullptr;
  HRESULT hr = CoCreateMediaObject(CLSID_FilterGraph, IID_IGraphBuilder, &object);
  if (FAILED(hr)) return hr;
  m_pGraph = static_cast<IGraphBuilder*>(object);
  auto chain = DecoderChain(song.SongCompression);
  if (chain.empty()) return E_FAIL;
  IBaseFilter* source = nullptr;
  hr = m_pGraph->AddSourceFilter(song.GetMediaFileName(), "Source", &source);
  if (FAILED(hr)) return hr;
  IPin* out = FirstPin(source, PINDIR_OUTPUT);
  source->Release();
  for (auto [clsid, name] : chain) {
    IPin* next = out != nullptr ? AddStage(m_pGraph, Builtin(*clsid), name, out, hr) : nullptr;
    SafeRelease(out);
    out = next;
    if (out == nullptr) return FAILED(hr) ? hr : E_FAIL;
  }
  auto devices = qh::media::EnumerateDevices(CLSID_AudioRendererCategory);
  IBaseFilter* renderer = devices.empty() ? nullptr : devices.front().create();
  const CString name = devices.empty() ? CString() : devices.front().friendlyName;
  if (renderer != nullptr) hr = m_pGraph->AddFilter(renderer, name);
  IPin* input = renderer != nullptr && SUCCEEDED(hr) ? FirstPin(renderer, PINDIR_INPUT) : nullptr;
  hr = input != nullptr ? m_pGraph->ConnectDirect(out, input, nullptr) : E_FAIL;
  SafeRelease(input);
  SafeRelease(renderer);
  SafeRelease(out);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = m_pGraph->QueryInterface(IID_IMediaControl, &object))) return hr;
  m_pControl = static_cast<IMediaControl*>(object);
  if (FAILED(hr = m_pGraph->QueryInterface(IID_IMediaEventEx, &object))) return hr;
  m_pEvents = static_cast<IMediaEventEx*>(object);
  if (SUCCEEDED(m_pGraph->QueryInterface(IID_IMediaSeeking, &object))) {
    m_pSeeking = static_cast<IMediaSeeking*>(object);
    m_pSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  }
  return S_OK;
}

bool CSongPreview::Play(tSong& song, CWnd* owner) {
  if (!Open(song, owner)) return false;
  long hr = m_pControl->Run();
  if (SUCCEEDED(hr)) return true;
  Report(hr);
  return false;
}

bool CSongPreview::Open(tSong& song, CWnd* owner) {
  Stop();
  long hr = Build(song);
  if (SUCCEEDED(hr) && owner != nullptr)
    hr = m_pEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(owner->m_hWnd), WM_PREVIEW_EVENT, 0);
  if (SUCCEEDED(hr)) return true;
  Report(hr);
  return false;
}

void CSongPreview::Report(long hr) {
  Stop();
  CString text;
  text.Format("DX Err %08X", static_cast<unsigned int>(hr));
  AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

void CSongPreview::Run() {
  if (m_pControl != nullptr) m_pControl->Run();
}

void CSongPreview::Halt() {
  if (m_pControl != nullptr) m_pControl->Stop();
}

bool CSongPreview::Seek(LONG milliseconds) {
  if (m_pSeeking == nullptr) return false;
  LONGLONG position = static_cast<LONGLONG>(milliseconds) * 10000;
  return SUCCEEDED(m_pSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
}

LONG CSongPreview::GetPosition() const {
  LONGLONG position = 0;
  if (m_pSeeking == nullptr || FAILED(m_pSeeking->GetCurrentPosition(&position))) return 0;
  return static_cast<LONG>(position / 10000);
}

LONG CSongPreview::GetDuration() const {
  LONGLONG duration = 0;
  if (m_pSeeking == nullptr || FAILED(m_pSeeking->GetDuration(&duration))) return 0;
  return static_cast<LONG>(duration / 10000);
}

CString CSongPreview::GetModeText() const {
  OAFilterState state = State_Stopped;
  if (m_pControl == nullptr || FAILED(m_pControl->GetState(0, &state))) return "not ready";
  if (state == State_Running) return "playing";
  return state == State_Paused ? "paused" : "stopped";
}

void CSongPreview::Pause() {
  if (m_pControl != nullptr) m_pControl->Pause();
}

void CSongPreview::Stop() {
  if (m_pControl != nullptr) m_pControl->Stop();
  if (m_pEvents != nullptr) m_pEvents->SetNotifyWindow(0, 0, 0);
  SafeRelease(m_pSeeking);
  SafeRelease(m_pEvents);
  SafeRelease(m_pControl);
  SafeRelease(m_pGraph);
}

int CSongPreview::TakeEvents() {
  int result = 0;
  LONG code = 0;
  LONG_PTR first = 0, second = 0;
  while (m_pEvents != nullptr && m_pEvents->GetEvent(&code, &first, &second, 0) == S_OK) {
    if (code == EC_COMPLETE) result = 1;
    if (code == EC_USERABORT && result == 0) result = 2;
    m_pEvents->FreeEventParams(code, first, second);
  }
  return result;
}
