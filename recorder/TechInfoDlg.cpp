#include "recorder/TechInfoDlg.h"

#include <sys/utsname.h>

#include <cstdio>

#include "platform/core/FileApi.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoWorkspace.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderDevices.h"
#include "platform/mm/Acm.h"
#include "platform/mm/WaveIn.h"
#include "recorder/capture/AcmThread.h"
#include "recorder/RecorderIds.h"

namespace {

constexpr const char kEnd[] = "\r\n";

void SystemSection(CString& report) {
  struct utsname host {};
  if (uname(&host) != 0) {
    report += "**Error getting Windows version";
    report += kEnd;
  } else {
    int major = 0, minor = 0, build = 0;
    std::sscanf(host.release, "%d.%d.%d", &major, &minor, &build);
    report.AppendFormat("Platform:\t\t%s%s", host.sysname, kEnd);
    report.AppendFormat("Version:\t\t%d.%d.%d%s", major, minor, build & 0xFFFF, kEnd);
  }
  report += kEnd;
}

void DatabaseSection(CString& report, CDaoDatabase* database) {
  if (database != nullptr && database->IsOpen()) {
    report.AppendFormat("Song Database:\t%s%s", database->GetName().GetString(), kEnd);
    CString engine = database->m_pWorkspace != nullptr ? database->m_pWorkspace->GetVersion() : CString();
    report.AppendFormat("DAO Version:\t%s%s", engine.GetString(), kEnd);
  }
  report += kEnd;
}

void CodecSection(CString& report, const tAudioSystemInfo& audio) {
  if (audio.haveCodecManager)
    report.AppendFormat("ACM Version:\t%u.%02u build %u%s", audio.version >> 24, (audio.version >> 16) & 0xFF,
                        audio.version & 0xFFFF, kEnd);
  else
    report.AppendFormat("ACM Version:\tnot installed%s", kEnd);
  report.AppendFormat("CODECs installed:\t%lu%s", static_cast<unsigned long>(audio.codecs.size()), kEnd);
  report.AppendFormat("List of installed CODECS:%s", kEnd);
  for (const CString& codec : audio.codecs) report.AppendFormat("\t%s%s", codec.GetString(), kEnd);
  report += kEnd;
}

void DriveSection(CString& report) {
  report.AppendFormat("Drive Information:%s", kEnd);
  DWORD mask = GetLogicalDrives();
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    if ((mask & (1u << (letter - 'A'))) == 0) continue;
    char root[] = {letter, ':', '\\', 0};
    const char* type = nullptr;
    switch (GetDriveType(root)) {
      case DRIVE_REMOVABLE: type = "REMOVABLE"; break;
      case DRIVE_FIXED: type = "FIXED DRIVE"; break;
      case DRIVE_REMOTE: type = "NETWORK DRIVE"; break;
      default: continue;
    }
    double freeBytes = 0, totalBytes = 0;
    GetDiskSpace(root, freeBytes, totalBytes);
    double used = totalBytes > 0 ? 100.0 - freeBytes / totalBytes * 100.0 : 0.0;
    report.AppendFormat("  Drive %c:\t%s\tTotal/Free: %.0fM / %.0fM\t(%.0f%%)%s", letter, type, totalBytes / 1048576,
                        freeBytes / 1048576, used, kEnd);
  }
  report += kEnd;
}

void DeviceSection(CString& report, const CString& cdDriveLetters, const tAudioSystemInfo& audio) {
  report.AppendFormat("CDROM Drives:%s", kEnd);
  for (int index = 0; index < cdDriveLetters.GetLength(); ++index)
    report.AppendFormat("  %c:%s", cdDriveLetters[index], kEnd);
  report += kEnd;
  report.AppendFormat("Audio Output Devices:%s", kEnd);
  int number = 0;
  for (const tWaveDeviceInfo& device : audio.outputs) {
    report.AppendFormat("  %d: %s%s", number++, device.name.GetString(), kEnd);
    report.AppendFormat("\tSupports %d channels%s", device.channels, kEnd);
    if (device.cdQuality) report.AppendFormat("\tSupports 44.1Khz 16bit sampling%s", kEnd);
    for (const char* line : device.capabilities) report.AppendFormat("%s%s", line, kEnd);
  }
  report.AppendFormat("Audio Input Devices:%s", kEnd);
  number = 0;
  for (const tWaveDeviceInfo& device : audio.inputs) {
    report.AppendFormat("  %d: %s%s", number++, device.name.GetString(), kEnd);
    report.AppendFormat("\tSupports %d channels%s", device.channels, kEnd);
    if (device.cdQuality) report.AppendFormat("\tSupports 44.1Khz 16bit sampling%s", kEnd);
  }
}

}  // namespace

tAudioSystemInfo QueryAudioSystem() {
  tAudioSystemInfo audio;
  audio.version = acmGetVersion();
  audio.haveCodecManager = audio.version != 0;
  // The codecs this system converts with: the driver behind each compressed format it offers.
  for (WORD tag : {static_cast<WORD>(WAVE_FORMAT_ADPCM)}) {
    HACMDRIVERID driver = CAcmThread::FindAcmCodec(tag);
    ACMDRIVERDETAILS details{};
    details.cbStruct = sizeof details;
    if (driver == nullptr || acmDriverDetails(driver, &details, 0) != MMSYSERR_NOERROR) continue;
    if ((details.fdwSupport & ACMDRIVERDETAILS_SUPPORTF_CODEC) != 0) audio.codecs.push_back(details.szShortName);
  }
  const UINT inputs = waveInGetNumDevs();
  for (UINT index = 0; index < inputs; ++index) {
    WAVEINCAPS caps{};
    if (waveInGetDevCaps(index, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    tWaveDeviceInfo device;
    device.name = caps.szPname;
    device.channels = caps.wChannels;
    device.cdQuality = (caps.dwFormats & WAVE_FORMAT_4S16) != 0;
    audio.inputs.push_back(device);
  }
  return audio;
}

CString BuildTechInfoReport(const CString& version, CDaoDatabase* songDatabase, const CString& cdDriveLetters,
                            const tAudioSystemInfo& audio) {
  CString report;
  report.Format("Quaverhouse Version %s  [%s - %s]%s%s", version.GetString(), __DATE__, __TIME__, kEnd, kEnd);
  SystemSection(report);
  DatabaseSection(report, songDatabase);
  CodecSection(report, audio);
  DriveSection(report);
  DeviceSection(report, cdDriveLetters, audio);
  return report;
}

CTechInfoDlg::CTechInfoDlg(CWnd* parent) : CDialog(IDD_TECH_INFO, parent) {}

BOOL CTechInfoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CRecorderApp* app = GetRecorderApp();
  m_report = BuildTechInfoReport(app->GetVersionText(), app->GetDaoDatabase(), FindCdDriveLetters(), QueryAudioSystem());
  SetDlgItemText(1060, m_report);
  return TRUE;
}
