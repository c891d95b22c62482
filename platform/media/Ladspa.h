// LADSPA plug-ins as graph filters: decoded audio in and out, found on LADSPA_PATH (else the usual
// library folders), named by the plug-in's Name. A plug-in whose audio inputs and outputs are one
// each runs once per channel; one with as many as the stream has channels runs once.
#pragma once

#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/media/DShow.h"

namespace qh::media {

// One control port of a plug-in, as its property page shows it.
struct PluginControl {
  CString name;
  float minimum = 0.0f;
  float maximum = 1.0f;
  float value = 0.0f;  // the default until changed
  bool toggled = false;
  bool integer = false;
};

// The Names of the usable plug-ins, each once, in path order.
std::vector<CString> LadspaPluginNames();
// A new filter for a plug-in Name; null when no plug-in carries it.
IBaseFilter* CreateLadspaFilter(const CString& name);

// The control ports of a plug-in filter (empty for other filters), and setting one of them; the
// running stream takes the new value at its next block. False for an index outside the list.
std::vector<PluginControl> GetPluginControls(IBaseFilter* filter);
bool SetPluginControl(IBaseFilter* filter, size_t index, float value);

}  // namespace qh::media
