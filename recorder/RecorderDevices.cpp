#include "recorder/RecorderDevices.h"

#include "platform/cd/CdSource.h"

CString FindCdDriveLetters() { return CString(qh::cd::CdDriveLetters().c_str()); }

unsigned CountWaveInDevices() { return 0; }

std::vector<CString> WaveInDeviceNames() { return {CString("WAVE_MAPPER")}; }
