// The Technical Information dialog: one text for support staff with the program version, the system,
// the song database and engine versions, the audio codecs, the drives and the sound devices.
#pragma once

#include <vector>

#include "platform/ui/Dialog.h"

class CDaoDatabase;

// What the sound layer tells about its codecs and devices (this platform has no wave-out devices to ask).
struct tWaveDeviceInfo {
  CString name;
  int channels = 0;
  bool cdQuality = false;  // 44.1 kHz stereo 16-bit
  std::vector<const char*> capabilities;  // the output devices' capability lines, in the report's order
};
struct tAudioSystemInfo {
  bool haveCodecManager = false;
  unsigned version = 0;  // high byte major, next byte minor, low word build
  std::vector<CString> codecs;
  std::vector<tWaveDeviceInfo> outputs, inputs;
};
tAudioSystemInfo QueryAudioSystem();

// The report: `version` is the "%d.%d.%d" text; the song database is the first open one of the
// default workspace.
CString BuildTechInfoReport(const CString& version, CDaoDatabase* songDatabase, const CString& cdDriveLetters,
                            const tAudioSystemInfo& audio);

class CTechInfoDlg : public CDialog {
 public:
  explicit CTechInfoDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  CString GetReport() const { return m_report; }

 private:
  CString m_report;
};
