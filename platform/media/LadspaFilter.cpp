#include <dlfcn.h>
#include <dirent.h>
#include <ladspa.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include "platform/media/Ladspa.h"
#include "platform/media/MediaFilter.h"

namespace qh::media {
namespace {

struct PluginEntry {
  const LADSPA_Descriptor* descriptor;
  std::vector<unsigned long> audioIn, audioOut, controlIn, controlOut;
};

std::vector<std::string> SearchFolders() {
  const char* path = std::getenv("LADSPA_PATH");
  std::string list = path != nullptr && *path != '\0' ? path : "/usr/lib/ladspa:/usr/local/lib/ladspa:/usr/lib/x86_64-linux-gnu/ladspa";
  std::vector<std::string> folders;
  std::stringstream stream(list);
  std::string folder;
  while (std::getline(stream, folder, ':'))
    if (!folder.empty()) folders.push_back(folder);
  return folders;
}

void AddLibrary(const std::string& file, std::vector<PluginEntry>& out) {
  void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (library == nullptr) return;
  auto function = reinterpret_cast<LADSPA_Descriptor_Function>(dlsym(library, "ladspa_descriptor"));
  if (function == nullptr) return;
  for (unsigned long i = 0;; ++i) {
    const LADSPA_Descriptor* d = function(i);
    if (d == nullptr) break;
    PluginEntry entry{d, {}, {}, {}, {}};
    for (unsigned long p = 0; p < d->PortCount; ++p) {
      const LADSPA_PortDescriptor port = d->PortDescriptors[p];
      if (LADSPA_IS_PORT_AUDIO(port)) (LADSPA_IS_PORT_INPUT(port) ? entry.audioIn : entry.audioOut).push_back(p);
      else (LADSPA_IS_PORT_INPUT(port) ? entry.controlIn : entry.controlOut).push_back(p);
    }
    if (!entry.audioIn.empty() && entry.audioIn.size() == entry.audioOut.size() && entry.audioIn.size() <= 2)
      out.push_back(entry);
  }
}

// Every usable plug-in, scanned once; libraries stay loaded for the process.
const std::vector<PluginEntry>& Plugins() {
  static std::vector<PluginEntry> plugins;
  static std::once_flag once;
  std::call_once(once, [] {
    for (const std::string& folder : SearchFolders()) {
      DIR* dir = opendir(folder.c_str());
      if (dir == nullptr) continue;
      std::vector<std::string> files;
      while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) files.push_back(folder + "/" + name);
      }
      closedir(dir);
      std::sort(files.begin(), files.end());
      for (const std::string& file : files) AddLibrary(file, plugins);
    }
  });
  return plugins;
}

const PluginEntry* FindPlugin(const CString& name) {
  for (const PluginEntry& entry : Plugins())
    if (name == entry.descriptor->Name) return &entry;
  return nullptr;
}

float DefaultValue(const LADSPA_PortRangeHint& hint, float low, float high) {
  const LADSPA_PortRangeHintDescriptor h = hint.HintDescriptor;
  const bool log = LADSPA_IS_HINT_LOGARITHMIC(h) && low > 0 && high > 0;
  auto between = [&](double weight) {
    return static_cast<float>(log ? std::exp(std::log(low) * (1 - weight) + std::log(high) * weight)
                                  : low * (1 - weight) + high * weight);
  };
  switch (h & LADSPA_HINT_DEFAULT_MASK) {
    case LADSPA_HINT_DEFAULT_MINIMUM: return low;
    case LADSPA_HINT_DEFAULT_LOW: return between(0.25);
    case LADSPA_HINT_DEFAULT_MIDDLE: return between(0.5);
    case LADSPA_HINT_DEFAULT_HIGH: return between(0.75);
    case LADSPA_HINT_DEFAULT_MAXIMUM: return high;
    case LADSPA_HINT_DEFAULT_0: return 0.0f;
    case LADSPA_HINT_DEFAULT_1: return 1.0f;
    case LADSPA_HINT_DEFAULT_100: return 100.0f;
    case LADSPA_HINT_DEFAULT_440: return 440.0f;
    default: return std::clamp(0.0f, low, high);
  }
}

std::vector<PluginControl> ControlsOf(const PluginEntry& entry) {
  std::vector<PluginControl> controls;
  const LADSPA_Descriptor* d = entry.descriptor;
  for (unsigned long port : entry.controlIn) {
    const LADSPA_PortRangeHint& hint = d->PortRangeHints[port];
    PluginControl control;
    control.name = d->PortNames[port];
    control.toggled = LADSPA_IS_HINT_TOGGLED(hint.HintDescriptor) != 0;
    control.integer = LADSPA_IS_HINT_INTEGER(hint.HintDescriptor) != 0;
    control.minimum = LADSPA_IS_HINT_BOUNDED_BELOW(hint.HintDescriptor) ? hint.LowerBound : 0.0f;
    control.maximum = LADSPA_IS_HINT_BOUNDED_ABOVE(hint.HintDescriptor) ? hint.UpperBound : control.minimum + 1.0f;
    if (control.toggled) control.minimum = 0.0f, control.maximum = 1.0f;
    if (control.maximum < control.minimum) std::swap(control.maximum, control.minimum);
    control.value = DefaultValue(hint, control.minimum, control.maximum);
    // An open upper end gets room for ten times the default on the slider.
    if (!LADSPA_IS_HINT_BOUNDED_ABOVE(hint.HintDescriptor) && !control.toggled)
      control.maximum = std::max(control.maximum, std::max(control.minimum + 10.0f, 10.0f * std::fabs(control.value)));
    controls.push_back(control);
  }
  return controls;
}

// The plug-in running over the upstream samples: one instance per channel, or one for all.
class PluginSamples : public PcmSource {
 public:
  PluginSamples(const PluginEntry& entry, const std::vector<std::atomic<float>>& controls)
      : entry_(entry), controls_(controls), ports_(controls.size()) {}
  ~PluginSamples() override { Release(); }
  void SetUpstream(PcmSource* upstream) {
    upstream_ = upstream;
    Release();
  }
  AudioFormat Format() const override { return upstream_->Format(); }
  long Read(float* out, long frameCount) override {
    const AudioFormat format = upstream_->Format();
    const long got = upstream_->Read(out, frameCount);
    if (got <= 0) return got;
    // The window thread may change a control at any time; the plug-in sees one value per block.
    for (size_t i = 0; i < ports_.size(); ++i) ports_[i] = controls_[i].load(std::memory_order_relaxed);
    if (!(format == format_) && !Instantiate(format)) return got;  // cannot run: the sound passes unchanged
    const int perInstance = static_cast<int>(entry_.audioIn.size());
    input_.resize(static_cast<size_t>(got) * perInstance);
    output_.resize(input_.size());
    for (size_t k = 0; k < instances_.size(); ++k) {
      for (int port = 0; port < perInstance; ++port) {
        const int channel = static_cast<int>(k) * perInstance + port;
        float* in = input_.data() + static_cast<size_t>(port) * got;
        for (long f = 0; f < got; ++f) in[f] = out[f * format.channels + channel];
        entry_.descriptor->connect_port(instances_[k], entry_.audioIn[static_cast<size_t>(port)], in);
        entry_.descriptor->connect_port(instances_[k], entry_.audioOut[static_cast<size_t>(port)],
                                        output_.data() + static_cast<size_t>(port) * got);
      }
      ConnectControls(instances_[k]);
      entry_.descriptor->run(instances_[k], static_cast<unsigned long>(got));
      for (int port = 0; port < perInstance; ++port) {
        const int channel = static_cast<int>(k) * perInstance + port;
        const float* result = output_.data() + static_cast<size_t>(port) * got;
        for (long f = 0; f < got; ++f) out[f * format.channels + channel] = result[f];
      }
    }
    return got;
  }
  HRESULT Seek(REFERENCE_TIME position) override {
    Release();  // delay lines and envelopes start afresh at the new place
    return upstream_->Seek(position);
  }
  REFERENCE_TIME Duration() const override { return upstream_->Duration(); }

 private:
  bool Instantiate(const AudioFormat& format) {
    Release();
    const int perInstance = static_cast<int>(entry_.audioIn.size());
    if (format.channels % perInstance != 0) return false;
    const LADSPA_Descriptor* d = entry_.descriptor;
    for (int k = 0; k < format.channels / perInstance; ++k) {
      LADSPA_Handle handle = d->instantiate(d, static_cast<unsigned long>(format.rate));
      if (handle == nullptr) {
        Release();
        return false;
      }
      instances_.push_back(handle);
      ConnectControls(handle);
      if (d->activate != nullptr) d->activate(handle);
    }
    format_ = format;
    return true;
  }
  void ConnectControls(LADSPA_Handle handle) {
    for (size_t i = 0; i < entry_.controlIn.size(); ++i)
      entry_.descriptor->connect_port(handle, entry_.controlIn[i], &ports_[i]);
    outputs_.resize(entry_.controlOut.size());
    for (size_t i = 0; i < entry_.controlOut.size(); ++i)
      entry_.descriptor->connect_port(handle, entry_.controlOut[i], &outputs_[i]);
  }
  void Release() {
    for (LADSPA_Handle handle : instances_) {
      if (entry_.descriptor->deactivate != nullptr) entry_.descriptor->deactivate(handle);
      entry_.descriptor->cleanup(handle);
    }
    instances_.clear();
    format_ = AudioFormat{};
  }

  const PluginEntry& entry_;
  const std::vector<std::atomic<float>>& controls_;
  std::vector<float> ports_;
  PcmSource* upstream_ = nullptr;
  AudioFormat format_;
  std::vector<LADSPA_Handle> instances_;
  std::vector<float> input_, output_, outputs_;
};

class CLadspaFilter : public CMediaFilter {
 public:
  explicit CLadspaFilter(const PluginEntry& entry)
      : entry_(entry), controls_(ControlsOf(entry)), controlValues_(controls_.size()), samples_(entry, controlValues_) {
    for (size_t i = 0; i < controls_.size(); ++i) controlValues_[i] = controls_[i].value;
    input_ = AddPin(PINDIR_INPUT, "Input");
    output_ = AddPin(PINDIR_OUTPUT, "Output");
  }
  HRESULT CheckInput(CMediaPin&, CMediaPin& upstream) override {
    for (const PinMediaType& type : upstream.Types())
      if (type.majortype == MEDIATYPE_Audio && type.subtype == MEDIASUBTYPE_PCM) return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CompleteInput(CMediaPin& input) override {
    PcmSource* upstream = UpstreamSamples(input);
    if (upstream == nullptr) return VFW_E_NOT_CONNECTED;
    samples_.SetUpstream(upstream);
    output_->Types() = input.Peer()->Types();
    return S_OK;
  }
  void BreakConnection(CMediaPin& pin) override {
    if (&pin == input_) samples_.SetUpstream(nullptr);
  }
  PcmSource* OutputSamples(CMediaPin&) override { return input_->Peer() != nullptr ? &samples_ : nullptr; }

  std::vector<PluginControl> Controls() const {
    std::vector<PluginControl> controls = controls_;
    for (size_t i = 0; i < controls.size(); ++i) controls[i].value = controlValues_[i];
    return controls;
  }
  bool SetControl(size_t index, float value) {
    if (index >= controlValues_.size()) return false;
    controlValues_[index] = std::clamp(value, controls_[index].minimum, controls_[index].maximum);
    return true;
  }

 private:
  const PluginEntry& entry_;
  std::vector<PluginControl> controls_;
  std::vector<std::atomic<float>> controlValues_;
  PluginSamples samples_;
  CMediaPin* input_;
  CMediaPin* output_;
};

}  // namespace

std::vector<CString> LadspaPluginNames() {
  std::vector<CString> names;
  for (const PluginEntry& entry : Plugins()) {
    CString name = entry.descriptor->Name;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

IBaseFilter* CreateLadspaFilter(const CString& name) {
  const PluginEntry* entry = FindPlugin(name);
  return entry != nullptr ? new CLadspaFilter(*entry) : nullptr;
}

std::vector<PluginControl> GetPluginControls(IBaseFilter* filter) {
  auto* plugin = dynamic_cast<CLadspaFilter*>(filter);
  return plugin != nullptr ? plugin->Controls() : std::vector<PluginControl>{};
}

bool SetPluginControl(IBaseFilter* filter, size_t index, float value) {
  auto* plugin = dynamic_cast<CLadspaFilter*>(filter);
  return plugin != nullptr && plugin->SetControl(index, value);
}

}  // namespace qh::media
