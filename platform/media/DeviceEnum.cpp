#include "platform/media/DeviceEnum.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

#include "platform/media/AudioSinks.h"
#include "platform/media/Ladspa.h"
#include "platform/media/MediaFilter.h"

namespace qh::media {
namespace {

std::mutex& WaveMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<std::pair<CString, std::string>>& WaveRenderers() {
  static std::vector<std::pair<CString, std::string>> list;
  return list;
}

std::vector<std::pair<CString, std::function<std::unique_ptr<AudioSink>()>>>& Factories() {
  static std::vector<std::pair<CString, std::function<std::unique_ptr<AudioSink>()>>> list;
  return list;
}

// "Name=/path;Name2=/path2" from QH_WAVE_RENDERERS.
std::vector<std::pair<CString, std::string>> WaveRenderersFromEnvironment() {
  std::vector<std::pair<CString, std::string>> list;
  const char* text = std::getenv("QH_WAVE_RENDERERS");
  if (text == nullptr) return list;
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ';')) {
    const size_t equals = item.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == item.size()) continue;
    list.emplace_back(CString(item.substr(0, equals)), item.substr(equals + 1));
  }
  return list;
}

struct SoundOutputs {
  bool defaultOutput = false;      // SDL opens a default output device
  std::vector<std::string> names;  // the devices listed by name
};

// What SDL offers, once per process (a device added later needs a restart).
const SoundOutputs& ProbeSoundOutputs() {
  static SoundOutputs outputs;
  static std::once_flag once;
  std::call_once(once, [] {
    const char* choice = std::getenv("QH_SOUND");
    if (choice != nullptr && std::strcmp(choice, "none") == 0) return;
    // SDL would otherwise take SIGINT and SIGTERM for an event queue that nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    // SDL's file-writing driver counts only when asked for by name (QH_SOUND=sdl, for tests).
    const bool forced = choice != nullptr && std::strcmp(choice, "sdl") == 0;
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr || (std::strcmp(driver, "disk") == 0 && !forced)) return;
    const int count = SDL_GetNumAudioDevices(0);
    // The dummy driver is chosen only by SDL_AUDIODRIVER: it is the default output then, listed by no name.
    outputs.defaultOutput = count > 0;
    if (std::strcmp(driver, "dummy") == 0) return;
    for (int i = 0; i < count; ++i)
      if (const char* name = SDL_GetAudioDeviceName(i, 0)) outputs.names.emplace_back(name);
  });
  return outputs;
}

IBaseFilter* NewDefaultRenderer() {
  return NewRenderer(ProbeSoundOutputs().defaultOutput ? NewSdlSink(std::string()) : NewNullSink());
}

void AddRenderers(std::vector<MediaDevice>& devices) {
  devices.push_back({kDefaultAudioDevice, NewDefaultRenderer});
  for (const std::string& name : ProbeSoundOutputs().names)
    devices.push_back({CString(name), [name] { return NewRenderer(NewSdlSink(name)); }});
  devices.push_back({kNullAudioDevice, [] { return NewRenderer(NewNullSink()); }});
  std::vector<std::pair<CString, std::string>> waves;
  {
    std::lock_guard lock(WaveMutex());
    waves = WaveRenderers();
  }
  for (auto& entry : WaveRenderersFromEnvironment()) waves.push_back(entry);
  for (const auto& [name, path] : waves)
    devices.push_back({name, [path] { return NewRenderer(NewWaveFileSink(path)); }});
  std::lock_guard lock(WaveMutex());
  for (const auto& [name, factory] : Factories())
    devices.push_back({name, [factory] { return NewRenderer(factory()); }});
}

IBaseFilter* Builtin(REFCLSID clsid) {
  void* object = nullptr;
  return SUCCEEDED(CoCreateMediaObject(clsid, IID_IBaseFilter, &object)) ? static_cast<IBaseFilter*>(object) : nullptr;
}

void AddFilters(std::vector<MediaDevice>& devices) {
  devices.push_back({"Infinite Pin Tee Filter", [] { return Builtin(CLSID_InfTee); }});
  devices.push_back({"ACM Wrapper", [] { return Builtin(CLSID_ACMWrapper); }});
  devices.push_back({"MPEG Layer-3 Decoder", [] { return Builtin(CLSID_MP3Decoder); }});
  devices.push_back({"MPEG Audio Decoder", [] { return Builtin(CLSID_CMpegAudioCodec); }});
  devices.push_back({"MPEG-I Stream Splitter", [] { return Builtin(CLSID_MPEG1Splitter); }});
  devices.push_back({"Wave Parser", [] { return Builtin(CLSID_WAVEParser); }});
  for (const CString& name : LadspaPluginNames())
    devices.push_back({name, [name] { return CreateLadspaFilter(name); }});
}

}  // namespace

std::vector<MediaDevice> EnumerateDevices(REFCLSID category) {
  std::vector<MediaDevice> devices;
  if (category == CLSID_AudioRendererCategory) AddRenderers(devices);
  else if (category == CLSID_LegacyAmFilterCategory) AddFilters(devices);
  return devices;
}

std::vector<CString> EnumerateAudioTransforms() {
  std::vector<CString> names = LadspaPluginNames();
  names.push_back("Infinite Pin Tee Filter");
  names.push_back("ACM Wrapper");
  return names;
}

void RegisterWaveFileRenderer(const CString& friendlyName, const std::string& hostPath) {
  std::lock_guard lock(WaveMutex());
  for (auto& entry : WaveRenderers())
    if (entry.first == friendlyName) {
      entry.second = hostPath;
      return;
    }
  WaveRenderers().emplace_back(friendlyName, hostPath);
}

void RegisterRendererFactory(const CString& friendlyName, std::function<std::unique_ptr<AudioSink>()> factory) {
  std::lock_guard lock(WaveMutex());
  for (auto& entry : Factories())
    if (entry.first == friendlyName) {
      entry.second = std::move(factory);
      return;
    }
  Factories().emplace_back(friendlyName, std::move(factory));
}

void ClearWaveFileRenderers() {
  std::lock_guard lock(WaveMutex());
  WaveRenderers().clear();
}

IBaseFilter* CreateAudioRenderer(const CString& name) {
  if (name.IsEmpty()) return NewDefaultRenderer();
  for (const MediaDevice& device : EnumerateDevices(CLSID_AudioRendererCategory))
    if (device.friendlyName == name) return device.create();
  return nullptr;
}

bool SoundDevicesEnabled() { return !ProbeSoundOutputs().names.empty(); }

bool HasSoundOutput() { return ProbeSoundOutputs().defaultOutput; }

}  // namespace qh::media
