// The capture dialogs built into Trackwright, installed behind the main dialog's buttons.
#include "recorder/CaptureHooks.h"
#include "recorder/CompressDlg.h"
#include "recorder/RecorderDlg.h"

void InstallCaptureHooks() {
  tCaptureHooks hooks = GetCaptureHooks();
  hooks.compressSongs = [](CRecorderDlg& main) {
    CCompressDlg compress(main.GetSongDatabase(), main.GetStorage(), &main);
    compress.DoModal();
  };
  SetCaptureHooks(std::move(hooks));
}
