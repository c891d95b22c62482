// The filter-graph subset the players use: a graph of filters joined by pins, run by its own streaming
// thread, with media control, events posted to a window, seeking in 100-ns units and a volume in 1/100
// dB. Filters are made by class id (CreateMediaFilter) or, for renderers and plug-ins, found by their
// friendly names in a device category (DeviceEnum.h).
//
// Objects are reference counted: a function that gives out an interface pointer has added a reference
// that the caller releases. Everything but the streaming itself happens on the caller's thread; the
// graph's own thread only pulls samples, renders them and queues events.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

using REFERENCE_TIME = LONGLONG;  // 100-ns units
using LONG_PTR = intptr_t;
using OAFilterState = LONG;
using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;

// ---- Result codes ----
#define VFW_E_INVALIDMEDIATYPE ((HRESULT)0x80040200L)
#define VFW_E_NOT_CONNECTED ((HRESULT)0x80040209L)
#define VFW_E_ALREADY_CONNECTED ((HRESULT)0x80040204L)
#define VFW_E_NOT_STOPPED ((HRESULT)0x80040224L)
#define VFW_E_CANNOT_CONNECT ((HRESULT)0x80040217L)
#define VFW_E_TYPE_NOT_ACCEPTED ((HRESULT)0x8004022AL)
#define VFW_E_NOT_IN_GRAPH ((HRESULT)0x8004025FL)
#define VFW_E_UNKNOWN_FILE_TYPE ((HRESULT)0x80040240L)
#define VFW_E_INVALID_FILE_FORMAT ((HRESULT)0x8004022FL)
#define VFW_E_NO_AUDIO_HARDWARE ((HRESULT)0x80040256L)
#define VFW_E_WRONG_STATE ((HRESULT)0x80040227L)
#define VFW_E_TIMEOUT ((HRESULT)0x8004026EL)
#define E_ABORT_MEDIA ((HRESULT)0x80004004L)
#define HRESULT_FROM_ERRNO(e) ((HRESULT)(0x80070000L | ((e) & 0xFFFF)))

// ---- Event codes ----
#define EC_COMPLETE 0x01
#define EC_USERABORT 0x02
#define EC_ERRORABORT 0x03
#define EC_TIME 0x04
#define EC_REPAINT 0x05
#define EC_STREAM_ERROR_STOPPED 0x06
#define EC_STREAM_ERROR_STILLPLAYING 0x07
#define EC_ERROR_STILLPLAYING 0x08
#define EC_NEED_RESTART 0x14
#define EC_SNDDEV_OUT_ERROR 0x201

// ---- Graph states and seeking ----
enum FILTER_STATE : LONG { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION : int { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
#define AM_SEEKING_NoPositioning 0x0
#define AM_SEEKING_AbsolutePositioning 0x1
#define AM_SEEKING_RelativePositioning 0x2

// ---- Media types ----
struct WAVEFORMATEX {
  WORD wFormatTag = 0;
  WORD nChannels = 0;
  DWORD nSamplesPerSec = 0;
  DWORD nAvgBytesPerSec = 0;
  WORD nBlockAlign = 0;
  WORD wBitsPerSample = 0;
  WORD cbSize = 0;
};
#define WAVE_FORMAT_PCM 0x0001
#define WAVE_FORMAT_ADPCM 0x0002
#define WAVE_FORMAT_IEEE_FLOAT 0x0003
#define WAVE_FORMAT_IMA_ADPCM 0x0011
#define WAVE_FORMAT_MPEG 0x0050
#define WAVE_FORMAT_MPEGLAYER3 0x0055

struct AM_MEDIA_TYPE {
  GUID majortype{};
  GUID subtype{};
  BOOL bFixedSizeSamples = FALSE;
  BOOL bTemporalCompression = FALSE;
  ULONG lSampleSize = 0;
  GUID formattype{};
  IUnknown* pUnk = nullptr;
  ULONG cbFormat = 0;
  BYTE* pbFormat = nullptr;  // a WAVEFORMATEX followed by cbSize extra bytes for audio
};
// Frees a media type's format block and its object (FreeMediaType) and then the structure itself.
void FreeMediaType(AM_MEDIA_TYPE& type);
void DeleteMediaType(AM_MEDIA_TYPE* type);

extern const GUID MEDIATYPE_Audio;
extern const GUID MEDIATYPE_Stream;
extern const GUID MEDIASUBTYPE_PCM;          // decoded samples (the graph's own float samples)
extern const GUID MEDIASUBTYPE_MP3;          // 00000055-0000-0010-8000-00AA00389B71
extern const GUID MEDIASUBTYPE_MPEG1AudioPayload;  // layer 1 or 2 frames
extern const GUID MEDIASUBTYPE_ADPCM;        // IMA or MS ADPCM blocks
extern const GUID MEDIASUBTYPE_WAVE;         // a RIFF WAVE file
extern const GUID MEDIASUBTYPE_MPEG1Audio;   // an MPEG audio file
extern const GUID FORMAT_WaveFormatEx;
// The wave-format subtype GUID of a format tag (tag-0000-0010-8000-00AA00389B71).
GUID WaveSubtype(WORD formatTag);

// ---- Class ids ----
extern const CLSID CLSID_FilterGraph;
extern const CLSID CLSID_InfTee;
extern const CLSID CLSID_MP3Decoder;      // MPEG Layer-3 Decoder
extern const CLSID CLSID_CMpegAudioCodec; // MPEG Audio Decoder
extern const CLSID CLSID_MPEG1Splitter;
extern const CLSID CLSID_WAVEParser;
extern const CLSID CLSID_ACMWrapper;
extern const CLSID CLSID_AsyncReader;     // File Source (Async.)
extern const CLSID CLSID_AudioRendererCategory;
extern const CLSID CLSID_LegacyAmFilterCategory;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEventEx;
extern const IID IID_IMediaEventSink;
extern const IID IID_IMediaSeeking;
extern const IID IID_IBasicAudio;
extern const IID IID_IBaseFilter;
extern const IID IID_IPin;
extern const IID IID_ISpecifyPropertyPages;
extern const GUID TIME_FORMAT_MEDIA_TIME;

// ---- Interfaces ----
struct IBaseFilter;
struct IFilterGraph;

struct IEnumMediaTypes : IUnknown {
  // Gives copies the caller frees with DeleteMediaType; S_FALSE when fewer than `count` were left.
  virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
  virtual HRESULT Reset() = 0;
};

struct PIN_INFO {
  IBaseFilter* pFilter = nullptr;  // a reference the caller releases
  PIN_DIRECTION dir = PINDIR_INPUT;
  char achName[128] = {};
};

struct IPin : IUnknown {
  virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
  // The peer pin (a new reference), or VFW_E_NOT_CONNECTED.
  virtual HRESULT ConnectedTo(IPin** peer) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
  virtual HRESULT Disconnect() = 0;
};

struct IEnumPins : IUnknown {
  virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT Reset() = 0;
};

struct IBaseFilter : IUnknown {
  virtual HRESULT EnumPins(IEnumPins** pins) = 0;
  // The filter's name in its graph (UTF-8 of 1252 text as given to AddFilter).
  virtual HRESULT QueryFilterName(CString& name) = 0;
};

struct IFilterGraph : IUnknown {
  virtual HRESULT AddFilter(IBaseFilter* filter, LPCSTR name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT Disconnect(IPin* pin) = 0;
};

struct IGraphBuilder : IFilterGraph {
  // Adds the file source of a path (a system path); the filter is named `name`.
  virtual HRESULT AddSourceFilter(LPCSTR fileName, LPCSTR name, IBaseFilter** filter) = 0;
};

struct IMediaControl : IUnknown {
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetState(LONG timeoutMs, OAFilterState* state) = 0;
};

struct IMediaEventEx : IUnknown {
  // Takes the next event; E_ABORT_MEDIA when none came within the time-out.
  virtual HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) = 0;
  virtual HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
  // Posts `message` (wParam 0, lParam = instance data) to the window for each queued event; window 0
  // stops the notices.
  virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
};

// What filters (and tests) use to queue an event on their graph, as the streaming thread does.
struct IMediaEventSink : IUnknown {
  virtual HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaSeeking : IUnknown {
  virtual HRESULT SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* position) = 0;
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) = 0;
};

struct IBasicAudio : IUnknown {
  // -10000 (silence) to 0 (full), in 1/100 dB; E_INVALIDARG outside.
  virtual HRESULT put_Volume(long volume) = 0;
  virtual HRESULT get_Volume(long* volume) = 0;
};

// Creates one of the built-in filters by class id (CLSID_InfTee, CLSID_MP3Decoder, ...), or the graph
// itself (CLSID_FilterGraph, as IGraphBuilder). REGDB_E_CLASSNOTREG for other ids.
HRESULT CoCreateMediaObject(REFCLSID clsid, REFIID iid, void** object);

// Releases a pointer and sets it null.
template <typename T>
void SafeRelease(T*& pointer) {
  if (pointer != nullptr) {
    pointer->Release();
    pointer = nullptr;
  }
}
