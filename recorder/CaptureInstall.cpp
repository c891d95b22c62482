// The capture dialogs built into Trackwright, installed behind the main dialog's buttons.
#include "recorder/CaptureHooks.h"
#include "recorder/CompressDlg.h"
#include "recorder/RecordFlow.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RipFlow.h"
#include "recorder/SoundFileImport.h"
#include "recorder/UploadDlg.h"
#include "platform/ui/WinApp.h"

void InstallCaptureHooks() {
  tCaptureHooks hooks = GetCaptureHooks();
  hooks.recordNewSong = [](CRecorderDlg& main) { RecordNewSong(main); };
  hooks.compressSongs = [](CRecorderDlg& main) {
    CCompressDlg compress(main.GetSongDatabase(), main.GetStorage(), &main);
    compress.DoModal();
  };
  hooks.upload = [](CRecorderDlg& main) {
    auto* app = dynamic_cast<CRecorderApp*>(AfxGetApp());
    RunUpload(main.GetSongDatabase(), main.GetStorage(), app != nullptr ? app->GetShortVersionText() : CString(),
              &main);
  };
  hooks.importSoundFile = [](CRecorderDlg& main) { RunImportSoundFiles(main); };
  hooks.ripFromCd = [](CRecorderDlg& main) { RunRipFromCd(main); };
  SetCaptureHooks(std::move(hooks));
}
