// The graph on its own: built-in filters by class id, pins and connections, the null and WAVE-file
// renderers, the clock, seeking, volume range and events posted to a window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/core/testing/TestSandbox.h"
#include "platform/media/DeviceEnum.h"
#include "platform/media/DShow.h"
#include "platform/media/Ladspa.h"
#include "platform/media/MediaClock.h"
#include "platform/ui/AfxWin.h"

namespace {

bool Tool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

template <typename T>
T* Make(REFCLSID clsid, REFIID iid) {
  void* object = nullptr;
  EXPECT_EQ(S_OK, CoCreateMediaObject(clsid, iid, &object));
  return static_cast<T*>(object);
}

// The first pin of a direction that is not connected yet.
IPin* PinOf(IBaseFilter* filter, PIN_DIRECTION direction, bool freeOnly = true) {
  IEnumPins* pins = nullptr;
  filter->EnumPins(&pins);
  IPin* pin = nullptr;
  IPin* found = nullptr;
  while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    pin->QueryDirection(&d);
    IPin* peer = nullptr;
    if (d == direction && (!freeOnly || pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED)) found = pin;
    else pin->Release();
    if (peer != nullptr) peer->Release();
  }
  pins->Release();
  return found;
}

IBaseFilter* Renderer(const char* name) {
  for (auto& device : qh::media::EnumerateDevices(CLSID_AudioRendererCategory))
    if (device.friendlyName == name) return device.create();
  return nullptr;
}

class Graph : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QH_SOUND", "none", 1);
    setenv("QH_CLOCK_RATE", "10", 1);
    if (!Tool("command -v sox")) GTEST_SKIP() << "sox is missing";
    folder = sandbox.AddDrive('D', 0x0D15C0DE, "MUSIC");
    ASSERT_TRUE(Tool("sox -n -r 8000 -c 1 -b 16 '" + folder + "/a.wav' synth 1 sine 300"));
    graph = Make<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
  }
  void TearDown() override {
    if (graph != nullptr) graph->Release();
    qh::media::ClearWaveFileRenderers();
  }
  // source -> wave parser -> tee -> renderer `name`
  void BuildPcmChain(const char* rendererName) {
    IBaseFilter* source = nullptr;
    ASSERT_EQ(S_OK, graph->AddSourceFilter("D:\\a.wav", "D:\\a.wav", &source));
    parser = Make<IBaseFilter>(CLSID_WAVEParser, IID_IBaseFilter);
    tee = Make<IBaseFilter>(CLSID_InfTee, IID_IBaseFilter);
    renderer = Renderer(rendererName);
    ASSERT_NE(nullptr, renderer);
    ASSERT_EQ(S_OK, graph->AddFilter(parser, "Wave Parser"));
    ASSERT_EQ(S_OK, graph->AddFilter(tee, "Infinite Pin Tee Filter"));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer, rendererName));
    Connect(source, parser);
    Connect(parser, tee);
    Connect(tee, renderer);
    source->Release();
  }
  void Connect(IBaseFilter* from, IBaseFilter* to) {
    IPin* out = PinOf(from, PINDIR_OUTPUT);
    IPin* in = PinOf(to, PINDIR_INPUT);
    EXPECT_EQ(S_OK, graph->ConnectDirect(out, in, nullptr));
    out->Release();
    in->Release();
  }
  template <typename T>
  T* As(REFIID iid) {
    void* object = nullptr;
    EXPECT_EQ(S_OK, graph->QueryInterface(iid, &object));
    return static_cast<T*>(object);
  }

  qh::testing::TestSandbox sandbox;
  std::string folder;
  IGraphBuilder* graph = nullptr;
  IBaseFilter* parser = nullptr;
  IBaseFilter* tee = nullptr;
  IBaseFilter* renderer = nullptr;
};

TEST(MediaClock, RateComesFromTheEnvironment) {
  setenv("QH_CLOCK_RATE", "25", 1);
  EXPECT_DOUBLE_EQ(25.0, qh::media::ClockRate());
  for (const char* bad : {"", "abc", "-3", "0"}) {
    setenv("QH_CLOCK_RATE", bad, 1);
    EXPECT_DOUBLE_EQ(1.0, qh::media::ClockRate()) << bad;
  }
  unsetenv("QH_CLOCK_RATE");
  EXPECT_DOUBLE_EQ(1.0, qh::media::ClockRate());
}

TEST(MediaObjects, UnknownClassesAndDevices) {
  void* object = nullptr;
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateMediaObject(CLSID_AudioRendererCategory, IID_IBaseFilter, &object));
  EXPECT_EQ(nullptr, object);
  setenv("QH_WAVE_RENDERERS", "Tape=/tmp/x.wav;broken;=nameless", 1);
  std::vector<CString> names;
  for (auto& device : qh::media::EnumerateDevices(CLSID_AudioRendererCategory)) names.push_back(device.friendlyName);
  unsetenv("QH_WAVE_RENDERERS");
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), CString("Null Audio Device")));
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), CString("Tape")));
  EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), CString("broken")));
  EXPECT_TRUE(qh::media::EnumerateDevices(CLSID_FilterGraph).empty());
}

TEST_F(Graph, PinsConnectOnlyToWhatTheyTake) {
  IBaseFilter* decoder = Make<IBaseFilter>(CLSID_MP3Decoder, IID_IBaseFilter);
  IBaseFilter* source = nullptr;
  ASSERT_EQ(S_OK, graph->AddSourceFilter("D:\\a.wav", "D:\\a.wav", &source));
  ASSERT_EQ(S_OK, graph->AddFilter(decoder, "MPEG Layer-3 Decoder"));
  EXPECT_EQ(VFW_E_WRONG_STATE, graph->AddFilter(decoder, "again"));
  IPin* out = PinOf(source, PINDIR_OUTPUT);
  IPin* in = PinOf(decoder, PINDIR_INPUT);
  EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, graph->ConnectDirect(out, in, nullptr));
  IPin* peer = nullptr;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ConnectedTo(&peer));
  PIN_INFO info;
  ASSERT_EQ(S_OK, in->QueryPinInfo(&info));
  EXPECT_EQ(decoder, info.pFilter);
  info.pFilter->Release();
  out->Release();
  in->Release();
  EXPECT_EQ(S_OK, graph->RemoveFilter(decoder));
  EXPECT_EQ(VFW_E_NOT_IN_GRAPH, graph->RemoveFilter(decoder));
  decoder->Release();
  source->Release();
  IBaseFilter* missing = nullptr;
  EXPECT_TRUE(FAILED(graph->AddSourceFilter("D:\\none.wav", "x", &missing)));
  EXPECT_EQ(nullptr, missing);
}

TEST_F(Graph, RunsToTheEndAtTheClockRateAndPostsTheEvent) {
  const std::string out = folder + "/out.wav";
  qh::media::RegisterWaveFileRenderer("Tape", out);
  BuildPcmChain("Tape");
  IMediaControl* control = As<IMediaControl>(IID_IMediaControl);
  IMediaEventEx* events = As<IMediaEventEx>(IID_IMediaEventEx);
  IMediaSeeking* seeking = As<IMediaSeeking>(IID_IMediaSeeking);
  LONGLONG duration = 0;
  ASSERT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_EQ(10000000, duration);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(S_OK, control->Run());
  LONG code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 5000));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(EC_COMPLETE, code);
  // One second of sound at ten times the speed: a tenth of a second (blocks go out ahead of the clock,
  // the end is told when the clock reaches it).
  EXPECT_GE(took, std::chrono::milliseconds(95));
  EXPECT_LT(took, std::chrono::milliseconds(400));
  LONGLONG position = 0;
  seeking->GetCurrentPosition(&position);
  EXPECT_EQ(duration, position);
  EXPECT_EQ(E_ABORT_MEDIA, events->GetEvent(&code, &p1, &p2, 0));
  // Seeking back plays the rest again.
  LONGLONG half = duration / 2;
  control->Stop();
  ASSERT_EQ(S_OK, seeking->SetPositions(&half, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  control->Run();
  ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 5000));
  EXPECT_EQ(EC_COMPLETE, code);
  std::ifstream file(out, std::ios::binary | std::ios::ate);
  EXPECT_EQ(44 + 2 * (8000 + 4000), static_cast<long>(file.tellg()));
  control->Release();
  events->Release();
  seeking->Release();
  parser->Release();
  tee->Release();
  renderer->Release();
}

TEST_F(Graph, VolumeRangeAndTheTeeGrowsAnOutputPerRenderer) {
  BuildPcmChain("Null Audio Device");
  IBasicAudio* audio = As<IBasicAudio>(IID_IBasicAudio);
  EXPECT_EQ(E_INVALIDARG, audio->put_Volume(1));
  EXPECT_EQ(E_INVALIDARG, audio->put_Volume(-10001));
  EXPECT_EQ(S_OK, audio->put_Volume(-602));
  long level = 0;
  audio->get_Volume(&level);
  EXPECT_EQ(-602, level);
  IBaseFilter* second = Renderer("Null Audio Device");
  ASSERT_EQ(S_OK, graph->AddFilter(second, "second"));
  Connect(tee, second);
  int outputs = 0, free = 0;
  IEnumPins* pins = nullptr;
  tee->EnumPins(&pins);
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    pin->QueryDirection(&d);
    IPin* peer = nullptr;
    if (d == PINDIR_OUTPUT) {
      ++outputs;
      if (pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED) ++free;
    }
    if (peer != nullptr) peer->Release();
    pin->Release();
  }
  pins->Release();
  EXPECT_EQ(3, outputs);
  EXPECT_EQ(1, free);
  // Connections change only while the graph is stopped.
  IMediaControl* control = As<IMediaControl>(IID_IMediaControl);
  control->Run();
  IPin* in = PinOf(second, PINDIR_INPUT, false);
  EXPECT_EQ(VFW_E_NOT_STOPPED, graph->Disconnect(in));
  control->Stop();
  EXPECT_EQ(S_OK, graph->Disconnect(in));
  in->Release();
  control->Release();
  second->Release();
  audio->Release();
  parser->Release();
  tee->Release();
  renderer->Release();
}

TEST_F(Graph, EventsArePostedToTheNotifyWindow) {
  BuildPcmChain("Null Audio Device");
  CWnd window;
  ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  IMediaEventEx* events = As<IMediaEventEx>(IID_IMediaEventEx);
  IMediaEventSink* sink = As<IMediaEventSink>(IID_IMediaEventSink);
  events->SetNotifyWindow(reinterpret_cast<OAHWND>(window.m_hWnd), 0x52C, 7);
  sink->Notify(EC_ERRORABORT, 5, 6);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, window.m_hWnd, 0x52C, 0x52C, PM_REMOVE));
  EXPECT_EQ(7, msg.lParam);
  events->SetNotifyWindow(0, 0, 0);
  sink->Notify(EC_COMPLETE, 0, 0);
  EXPECT_FALSE(PeekMessage(&msg, window.m_hWnd, 0x52C, 0x52C, PM_REMOVE));
  LONG code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 0));
  EXPECT_EQ(EC_ERRORABORT, code);
  EXPECT_EQ(5, p1);
  EXPECT_EQ(6, p2);
  ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 0));
  EXPECT_EQ(EC_COMPLETE, code);
  events->Release();
  sink->Release();
  parser->Release();
  tee->Release();
  renderer->Release();
}

// The device a fresh settings store names, and an empty name, are the system's default output: SDL's
// default device when SDL has one (here its file-writing driver), else the null device. Each case runs
// in its own process, as the device list is read once per process.
class DefaultOutput : public Graph {
 protected:
  void PlayOn(const char* rendererName) {
    BuildPcmChain(rendererName);
    IMediaControl* control = As<IMediaControl>(IID_IMediaControl);
    IMediaEventEx* events = As<IMediaEventEx>(IID_IMediaEventEx);
    ASSERT_EQ(S_OK, control->Run());
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 20000));
    EXPECT_EQ(EC_COMPLETE, code);
    control->Stop();
    control->Release();
    events->Release();
    parser->Release();
    tee->Release();
    renderer->Release();
  }
  static std::vector<CString> RendererNames() {
    std::vector<CString> names;
    for (auto& device : qh::media::EnumerateDevices(CLSID_AudioRendererCategory)) names.push_back(device.friendlyName);
    return names;
  }
};

TEST_F(DefaultOutput, IsSdlsDefaultDeviceWhenThereIsOne) {
  const std::string out = folder + "/default.raw";
  setenv("QH_SOUND", "sdl", 1);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  if (!qh::media::HasSoundOutput()) GTEST_SKIP() << "SDL has no disk audio driver here";
  const std::vector<CString> names = RendererNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(CString("Default DirectSound Device"), names.front());
  for (const char* name : {"Default DirectSound Device", ""}) {
    IBaseFilter* made = qh::media::CreateAudioRenderer(name);
    EXPECT_NE(nullptr, made) << "'" << name << "'";
    if (made != nullptr) made->Release();
  }
  EXPECT_EQ(nullptr, qh::media::CreateAudioRenderer("default directsound device")) << "names match exactly";
  PlayOn("Default DirectSound Device");
  // The device takes its queue at its own pace: wait (bounded) for half a second of 8 kHz mono floats.
  long size = 0;
  for (int i = 0; i < 500 && size < 8000L * 4 / 2; ++i) {
    std::ifstream file(out, std::ios::binary | std::ios::ate);
    size = file ? static_cast<long>(file.tellg()) : 0;
    if (size < 8000L * 4 / 2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GE(size, 8000L * 4 / 2) << "the default output did not reach SDL's device";
}

TEST_F(DefaultOutput, IsTheDummyDriversDeviceWhenSdlIsAskedForIt) {
  unsetenv("QH_SOUND");
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_TRUE(qh::media::HasSoundOutput());
  // The dummy driver's device is the default output, not a device of its own name.
  EXPECT_FALSE(qh::media::SoundDevicesEnabled());
  PlayOn("Default DirectSound Device");
}

TEST_F(DefaultOutput, IsTheNullDeviceWithoutSound) {
  EXPECT_FALSE(qh::media::HasSoundOutput());
  const std::vector<CString> names = RendererNames();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(CString("Default DirectSound Device"), names[0]);
  EXPECT_EQ(CString("Null Audio Device"), names[1]);
  PlayOn("Default DirectSound Device");
}

TEST(Ladspa, PluginsAreFoundByNameWithTheirControls) {
  IBaseFilter* amp = qh::media::CreateLadspaFilter("Mono Amplifier");
  if (amp == nullptr) GTEST_SKIP() << "ladspa-sdk is missing";
  const auto controls = qh::media::GetPluginControls(amp);
  ASSERT_EQ(1u, controls.size());
  EXPECT_EQ("Gain", controls[0].name.str());
  EXPECT_FLOAT_EQ(1.0f, controls[0].value);
  EXPECT_TRUE(qh::media::SetPluginControl(amp, 0, 2.0f));
  EXPECT_FALSE(qh::media::SetPluginControl(amp, 1, 2.0f));
  EXPECT_FLOAT_EQ(2.0f, qh::media::GetPluginControls(amp)[0].value);
  amp->Release();
  EXPECT_EQ(nullptr, qh::media::CreateLadspaFilter("No Such Plugin"));
  const auto names = qh::media::LadspaPluginNames();
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), CString("Stereo Amplifier")));
}

}  // namespace
