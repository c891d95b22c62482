// The main dialog's doors to recording, import, ripping, compressing and upload. Those dialogs belong to
// the capture part of the recorder, which installs them here when it is built into the program; until
// then each button says that the function is not installed.
#pragma once

#include <functional>

class CRecorderDlg;

struct tCaptureHooks {
  std::function<void(CRecorderDlg&)> recordNewSong;
  std::function<void(CRecorderDlg&)> importSoundFile;
  std::function<void(CRecorderDlg&)> ripFromCd;
  std::function<void(CRecorderDlg&)> compressSongs;
  std::function<void(CRecorderDlg&)> upload;
};

void SetCaptureHooks(tCaptureHooks hooks);
const tCaptureHooks& GetCaptureHooks();

// Installs the capture dialogs that are built into this program (CaptureInstall.cpp).
void InstallCaptureHooks();
