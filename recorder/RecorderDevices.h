// The sound and CD devices the recorder offers. The CD drives are the drives of CD-ROM type in the
// drive table, or the one drive the CD layer offers for a configured disc source (QH_CDROM) when the
// table has none, so the recorder sees the same drives as the CD extraction. The wave-in devices are
// those of the recording layer: the host's capture devices and, when configured, the file input.
#pragma once

#include <vector>

#include "platform/core/CString.h"

// One letter per CD-ROM drive, in drive order.
CString FindCdDriveLetters();
// "WAVE_MAPPER" first, then the product name of each wave-in device.
std::vector<CString> WaveInDeviceNames();
unsigned CountWaveInDevices();
