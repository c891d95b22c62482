#include "recorder/RecorderDevices.h"

#include "platform/cd/CdSource.h"
#include "platform/mm/WaveIn.h"

CString FindCdDriveLetters() { return CString(qh::cd::CdDriveLetters().c_str()); }

unsigned CountWaveInDevices() { return waveInGetNumDevs(); }

std::vector<CString> WaveInDeviceNames() {
  std::vector<CString> names{CString("WAVE_MAPPER")};
  for (UINT device = 0; device < waveInGetNumDevs(); ++device) {
    WAVEINCAPS caps{};
    if (waveInGetDevCaps(device, &caps, sizeof caps) == MMSYSERR_NOERROR) names.emplace_back(caps.szPname);
  }
  return names;
}
