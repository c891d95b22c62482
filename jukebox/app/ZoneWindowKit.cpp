#include "jukebox/app/ZoneWindowKit.h"

#include <cstring>

CZoneWindowKit& BuiltInZoneWindowKit();  // ZoneWindowsBuiltIn.cpp or ZoneWindowsMissing.cpp

namespace {
CZoneWindowKit* g_replacement = nullptr;
}

CZoneWindowKit& ZoneWindowKit() { return g_replacement ? *g_replacement : BuiltInZoneWindowKit(); }

CZoneWindowKit* SetZoneWindowKit(CZoneWindowKit* kit) {
  CZoneWindowKit* previous = g_replacement;
  g_replacement = kit;
  return previous;
}

bool IsExstreamerDevice(const CString& device) {
  return device.GetLength() > 5 && std::strncmp(device.GetString(), "__XS:", 5) == 0;
}
