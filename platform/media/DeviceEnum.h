// The device categories of the graph, as the system device enumerator lists them: the audio renderers
// ("Default DirectSound Device", the host's sound devices through SDL2, "Null Audio Device", and
// wave-file renderers registered for tests or named by QH_WAVE_RENDERERS), and the filters that can be
// created by name (the built-in ones and the LADSPA plug-ins found on LADSPA_PATH). Friendly names are
// compared exactly.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/media/DShow.h"

namespace qh::media {

struct MediaDevice {
  CString friendlyName;
  // Binds the entry to a new filter (one per call); null when it cannot be made.
  std::function<IBaseFilter*()> create;
};

inline constexpr const char* kNullAudioDevice = "Null Audio Device";
// The name a fresh settings store gives its zone: the system's default output, which is the null
// device on a machine without sound output.
inline constexpr const char* kDefaultAudioDevice = "Default DirectSound Device";

// The entries of a category (CLSID_AudioRendererCategory or CLSID_LegacyAmFilterCategory) in a stable
// order; an unknown category has none.
std::vector<MediaDevice> EnumerateDevices(REFCLSID category);

// The names of the filters with decoded audio in and out (what the filter mapper matches for the
// players' plug-ins): the LADSPA plug-ins, then the built-in tee and ACM wrapper.
std::vector<CString> EnumerateAudioTransforms();

// A renderer that writes 16-bit PCM into a WAVE file on the host (tests, captures). A file of the same
// format is continued, so the songs of several graphs follow each other; any other file is replaced.
// QH_WAVE_RENDERERS="Name=/host/path.wav;Other=/host/other.wav" registers more at enumeration.
void RegisterWaveFileRenderer(const CString& friendlyName, const std::string& hostPath);
void ClearWaveFileRenderers();

// A renderer of the program's own (a capture for measurements): each bind makes a renderer around a new
// sink from the factory. Listed after the others; a second registration of a name replaces the first.
class AudioSink;
void RegisterRendererFactory(const CString& friendlyName, std::function<std::unique_ptr<AudioSink>()> factory);

// A new renderer for a configured device name: the system's default output for kDefaultAudioDevice
// and for an empty name, else the entry of exactly that name; null when there is none.
IBaseFilter* CreateAudioRenderer(const CString& name);

// Whether SDL2 sound devices are listed by name: not when QH_SOUND is "none" or SDL finds no real
// device (its "disk" driver counts only with QH_SOUND=sdl). The list is read once per process.
bool SoundDevicesEnabled();

// Whether the system's default output is a sound device: SDL has an output device (also its "dummy"
// driver when SDL_AUDIODRIVER asks for it). When it has none, the default output is the null device.
bool HasSoundOutput();

}  // namespace qh::media
