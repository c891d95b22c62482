// The start-up readers of the registry profile (HKEY_CURRENT_USER\Software\Tallowmere\Quaverhouse):
// the song and album databases with their folders, the remote settings and the zones.
#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "platform/core/CrtNumbers.h"

using namespace jukebox;

namespace {

CString DatabaseOpenMessage(LONG code, const CString& text) {
  switch (code) {
    case 3024: return LoadText(IDS_DB_NOT_FOUND);
    case 3045: return LoadText(IDS_DB_IN_USE);
    case 3049:
    case 3197:
    case 3343: return LoadText(IDS_DB_CORRUPT);
    default: return FormatText(IDS_DB_INIT, text.GetString(), static_cast<LONG>(code));
  }
}

}  // namespace

BOOL CJukeboxApp::ReadConfiguration() {
  m_songDbPath = GetProfileString("", "SongDbPath", "");
  if (m_songDbPath.IsEmpty()) {
    LogEvent("E", "Main", LoadText(IDS_NO_DB_FOLDER));
    return FALSE;
  }
  m_songsFolder = m_songDbPath + "\\Songs";

  m_songDb = std::make_unique<tQHDb>();
  if (!m_songDb->Open((m_songDbPath + "\\Quaverhouse.qhd").GetString(), TRUE, FALSE)) {
    CString text;
    const LONG code = m_songDb->GetLastError(text);
    LogEvent("S", "Main", DatabaseOpenMessage(code, text));
    return FALSE;
  }

  const double engineVersion = qh_atof(m_songDb->GetEngineVersion().GetString());
  if (engineVersion < 3.5) {
    LogEvent("E", "Main", FormatText(IDS_OLD_ENGINE, engineVersion));
    return FALSE;
  }

  m_albumDb = std::make_unique<tQHFRDb>();
  if (!m_albumDb->Open(m_songDbPath + "\\vezevavov.fdb", TRUE, TRUE)) {
    m_albumDb->Close();
    m_albumDb.reset();
  }

  m_uploadPath = GetProfileString("Jukebox", "UploadPath", "");
  if (m_uploadPath.IsEmpty()) m_uploadPath = m_songDbPath + "\\Uploads";
  m_randomPicPath = GetProfileString("Jukebox", "RandomPicPath", "");
  m_tvOutput = GetProfileInt("Jukebox", "TVOutput", 0) != 0 ? 1 : 0;
  m_compressOnExit = GetProfileInt("Jukebox", "CompressOnExit", 1) != 0 ? 1 : 0;
  ComputeUploadMergeTime();
  return TRUE;
}

void CJukeboxApp::ComputeUploadMergeTime() {
  CString text = GetProfileString("Jukebox", "UploadMergeTime", "");
  if (text.IsEmpty()) text = "04:00:00";
  COleDateTime timeOfDay;
  if (!timeOfDay.ParseDateTime(text.GetString(), VAR_TIMEVALUEONLY)) {
    m_nextUploadMerge.SetStatus(COleDateTime::null);
    CString line;
    line.Format("Invalid time valude for Upload Merge [%s]. Upload Merge is DISABLED.", text.GetString());
    WriteErrorLog("E", "Main", line);
    return;
  }
  m_uploadMergeTimeOfDay = timeOfDay;
  WriteErrorLog("I", "Main", "Upload Merge is scheduled to run daily at " + text);
  const COleDateTime now = COleDateTime::GetCurrentTime();
  m_nextUploadMerge.SetDateTime(now.GetYear(), now.GetMonth(), now.GetDay(), timeOfDay.GetHour(),
                                timeOfDay.GetMinute(), timeOfDay.GetSecond());
  if (m_nextUploadMerge > now)
    WriteErrorLog("I", "Main", "Next Upload Merge time: " + m_nextUploadMerge.Format("%c"));
  else
    ScheduleUploadMerge();
}

int CJukeboxApp::ReadRemoteSettings() {
  m_webControlEnable = static_cast<int>(GetProfileInt("Remote", "WebControlEnable", 1));
  m_serverPort = static_cast<int>(GetProfileInt("Remote", "SocketNumber", 12130));
  return m_serverPort;
}

void CJukeboxApp::ReadZoneSettings() {
  m_zoneDevices.RemoveAll();
  m_zoneDescriptions.RemoveAll();
  for (int n = 1; n <= kMaxZones; ++n) {
    CString key;
    key.Format("Zone%d", n);
    const CString device = GetProfileString("Jukebox", key.GetString(), "");
    if (device.IsEmpty()) break;
    m_zoneDevices.Add(device);
    key.Format("ZoneDesc%d", n);
    m_zoneDescriptions.Add(GetProfileString("Jukebox", key.GetString(), ""));
  }
  m_zoneCount = static_cast<int>(m_zoneDevices.GetSize());
  if (m_zoneCount == 0) {
    m_zoneDevices.Add(CString("Default DirectSound Device"));
    m_zoneDescriptions.Add(CString("Default Zone"));
    m_zoneCount = 1;
  }
}
