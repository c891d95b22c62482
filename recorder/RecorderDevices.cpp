#include "recorder/RecorderDevices.h"

#include "platform/core/FileApi.h"

CString FindCdDriveLetters() {
  CString letters;
  DWORD mask = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if ((mask & (1u << (letter - 'A'))) == 0) continue;
    char root[] = {letter, ':', '\\', 0};
    if (GetDriveType(root) == DRIVE_CDROM) letters += letter;
  }
  return letters;
}

unsigned CountWaveInDevices() { return 0; }

std::vector<CString> WaveInDeviceNames() { return {CString("WAVE_MAPPER")}; }
