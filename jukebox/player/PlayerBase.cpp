// The player window's life, its accessors, states and the log helpers both engines share.
#include "jukebox/player/PlayerBase.h"

#include <cstdarg>
#include <ctime>

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/app/services/RemoteEvents.h"
#include "platform/core/FileApi.h"
#include "platform/core/MmTimer.h"
#include "platform/dao/DaoException.h"

BEGIN_MESSAGE_MAP(CPlayerBase, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_TIMER()
  ON_MESSAGE(WM_PLAYER_NEXTSONG, OnNextSongMessage)
  ON_MESSAGE(WM_PLAYER_RAMPUP, OnRampUpTick)
  ON_MESSAGE(WM_PLAYER_RAMPDOWN, OnRampDownTick)
END_MESSAGE_MAP()

namespace {

const char* const kStateNames[] = {"STOPPED", "PLAYING", "HW-PAUSED", "PAUSED"};

CString LoadTextById(UINT id) {
  CString text;
  if (!text.LoadString(id)) text.Format("Message %u", id);
  return text;
}

}  // namespace

CPlayerBase::CPlayerBase() = default;

// The engine's destructor has destroyed the window already (its release runs in OnDestroy); what is
// left here is what a window that was never created still holds.
CPlayerBase::~CPlayerBase() {
  KillRampTimer();
  if (m_songCursor != nullptr) {
    if (m_pSongDb != nullptr) m_pSongDb->CloseSongCursor(m_songCursor);
    m_songCursor = nullptr;
  }
  for (tSong* song : m_queue) delete song;
  m_queue.clear();
}

// ---- Window life ----

int CPlayerBase::OnCreate(LPCREATESTRUCT create) {
  if (CWnd::OnCreate(create) == -1) return -1;
  const int result = [&]() -> int {
    try {
      m_random.Seed(static_cast<std::uint32_t>(std::time(nullptr)));
      ReadAppSettings();
      ResetSongMaps();
      LoadPlaylistNames();
      LoadPictureList();
      ResetPlayState();
      StampStartTime();
      return 0;
    } catch (const std::bad_alloc&) {
      return ReportException(GUARD_CREATE, true);
    } catch (CDaoException* e) {
      m_messageText.Format(LoadTextById(IDS_PLAYER_DATABASE_ERROR), e->m_pErrorInfo != nullptr
                                                                         ? e->m_pErrorInfo->m_strDescription.GetString()
                                                                         : "",
                           static_cast<long>(e->m_pErrorInfo != nullptr ? e->m_pErrorInfo->m_lErrorCode : 0));
      e->Delete();
      WriteMessageText("E");
      return -1;
    } catch (CException* e) {
      e->Delete();
      return ReportException(GUARD_CREATE, false);
    } catch (...) {
      return ReportException(GUARD_CREATE, false);
    }
  }();
  return result == 0 ? 0 : -1;
}

void CPlayerBase::OnDestroy() {
  CWnd::OnDestroy();
  KillTimer(kFetchTimerId);
  // A ramp's timer would go on posting to a window that no longer exists.
  KillRampTimer();
  CloseSongCursor();
  ReleaseOutput();
  ClearCurrentPlaylist(true);
  if (m_pNotifyWindow != nullptr) m_pNotifyWindow->PostMessage(WM_PLAYER_DESTROYED, 0, 0);
}

BOOL CPlayerBase::Shutdown(CWnd* notifyWindow) {
  m_pNotifyWindow = notifyWindow;
  DestroyWindow();
  return TRUE;
}

void CPlayerBase::OnTimer(UINT_PTR id) {
  if (id == kFetchTimerId) {
    KillTimer(kFetchTimerId);
    if (m_songCursor != nullptr && m_loadRunning) FetchSongCursor(false);
  }
  CWnd::OnTimer(id);
}

LRESULT CPlayerBase::OnNextSongMessage(WPARAM wParam, LPARAM lParam) { return OnNextSong(wParam, lParam); }

void CPlayerBase::ReadAppSettings() {
  CJukeboxServices* app = JukeboxServices();
  if (app == nullptr) return;
  m_songFolder = app->GetSongDbPath();
  m_pictureFolder = app->GetRandomPicPath();
  m_startFolder = app->GetStartDirectory();
  m_pSongDb = app->GetSongDatabase();
  m_pStorage = app->GetStorageManager();
}

void CPlayerBase::ResetSongMaps() {
  m_deviceSet.clear();
  m_deviceSet.insert(m_streamNumber);
}

void CPlayerBase::ResetPlayState() {
  m_state = PLAYER_STOPPED;
  m_pCurrentSong = nullptr;
  m_startPosition = m_stopPosition = m_currentPosition = 0;
}

void CPlayerBase::LoadPictureList() {
  if (m_pictureFolder.IsEmpty()) return;
  CString folder = m_pictureFolder;
  if (folder.Right(1) == "\\") folder = folder.Left(folder.GetLength() - 1);
  WIN32_FIND_DATA found;
  HANDLE search = FindFirstFile(folder + "\\*.jpg", &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    m_pictureList.push_back(folder + "\\" + found.cFileName);
    m_pictureShown.push_back(0);
  } while (FindNextFile(search, &found));
  FindClose(search);
}

int CPlayerBase::LoadPlaylistNames() {
  m_playlistNames.clear();
  if (m_pSongDb == nullptr || m_pSongDb->OpenPlaylistNames() != 1) return 0;
  CString name;
  while (m_pSongDb->NextPlaylistName(name) == 1) m_playlistNames.push_back(name);
  return m_pSongDb->ClosePlaylistNames();
}

LONG CPlayerBase::StampStartTime() {
  CJukeboxServices* app = JukeboxServices();
  if (app != nullptr) m_upTime = COleDateTime::GetCurrentTime() - app->GetStartTime();
  ULONGLONG freeBytes = 0;
  LONG songs = 0;
  if (m_pStorage != nullptr) {
    for (int i = 0; i < m_pStorage->GetVolumeCount(); ++i) {
      ULARGE_INTEGER free{}, total{};
      LONG count = 0;
      DWORD serial = 0;
      CString label;
      m_pStorage->GetVolume(i, free, total, count, serial, label);
      freeBytes += free.QuadPart;
      songs += count;
    }
  }
  m_totalMbFree = static_cast<LONG>(freeBytes / 1048576u);
  m_totalSongs = songs;
  return m_totalMbFree;
}

bool CPlayerBase::NotifyCommandDone() {
  CWnd* parent = GetParent();
  if (parent == nullptr) return false;
  parent->PostMessage(WM_PLAYER_COMMANDDONE, 0, 0);
  return true;
}

bool CPlayerBase::PostNextSong() {
  if (m_advancePosted) return false;
  m_advancePosted = true;
  PostMessage(WM_PLAYER_NEXTSONG, 0, 0);
  return true;
}

void CPlayerBase::AnnounceSongStarted(tSong* song) {
  song->SetUserData(1);
  m_state = PLAYER_PLAYING;
  m_pCurrentSong = song;
  m_positionPercent = 0;
  UpdatePosition();
  UpdateVolume();
  RedrawInfo();
  UpdateState();
  ShowAlbumCover();
  FireSongChanged(m_streamNumber, *song);
}

// ---- Accessors and flags ----

void CPlayerBase::SetDeviceName(const CString& name) { m_deviceName = name; }
int CPlayerBase::SetStreamNumber(int number) {
  m_streamNumber = number;
  return number;
}
void CPlayerBase::SetStreamName(const CString& name) { m_streamName = name; }

void CPlayerBase::GetStateName(CString& name) const {
  if (m_state >= 0 && m_state <= 3) name = kStateNames[m_state];
}

void CPlayerBase::SetShuffle(bool on) {
  m_shuffle = on;
  UpdateShuffleButton();
}
void CPlayerBase::ToggleShuffle() { SetShuffle(!m_shuffle); }
void CPlayerBase::SetRepeat(bool on) {
  m_repeat = on;
  UpdateRepeatButton();
}
void CPlayerBase::ToggleRepeat() { SetRepeat(!m_repeat); }

int CPlayerBase::PlayPause() {
  if (m_state == PLAYER_PLAYING) return Pause();
  if (m_state == PLAYER_PAUSED) return Play();
  return -3;
}

int CPlayerBase::Next() {
  OnNextSong(0, 0);
  return -1;
}

LONG CPlayerBase::GetCurrentSongId() const { return m_pCurrentSong != nullptr ? m_pCurrentSong->SongID : 0; }
CString CPlayerBase::GetSelectionName() const { return m_selectionName; }
tSong* CPlayerBase::GetCurrentSong() const { return m_pCurrentSong; }
CString CPlayerBase::GetStreamName() const { return m_streamName; }
int CPlayerBase::GetSongCount() const { return static_cast<int>(m_queue.size()); }
bool CPlayerBase::IsPlaylistEmpty() const { return m_queue.empty(); }
bool CPlayerBase::IsShuffle() const { return m_shuffle; }
bool CPlayerBase::IsRepeat() const { return m_repeat; }
int CPlayerBase::GetVolume() const { return m_volume; }
bool CPlayerBase::UsesPlugins() const { return false; }

tSong* CPlayerBase::GetQueuedSong(int index) const {
  if (index < 0 || index >= static_cast<int>(m_queue.size())) return nullptr;
  return m_queue[static_cast<size_t>(index)];
}

void CPlayerBase::GetStateMap(std::set<LONG>& devices) const { devices = m_deviceSet; }
void CPlayerBase::SetStateMap(const std::set<LONG>& devices) {
  if (&devices != &m_deviceSet) m_deviceSet = devices;
}

void CPlayerBase::AddPlugin(const CString&) {}
void CPlayerBase::ClearPlugins() {}
void CPlayerBase::SetStatusText(const CString&) {}
int CPlayerBase::PlayAdjacentSong(int) { return 0; }
int CPlayerBase::MoveListSelection(int) { return 0; }
void CPlayerBase::PlaySelectedSong() {}

// ---- Documents ----

CString CPlayerBase::GetPlayerStateXml() const {
  CString name;
  GetStateName(name);
  return "<QHPlayerState>" + name + "</QHPlayerState>";
}

CString CPlayerBase::GetSongInfoXml() const {
  return m_pCurrentSong != nullptr ? m_pCurrentSong->GetSongInfoXml() : CString();
}

// ---- Screen hooks ----

void CPlayerBase::CreateControls() {}
void CPlayerBase::DestroyControls() {}
void CPlayerBase::UpdateShuffleButton() {}
void CPlayerBase::UpdateRepeatButton() {}
void CPlayerBase::UpdateVolume() {}
void CPlayerBase::UpdatePosition() { FireSongPosChanged(m_streamNumber, GetPositionMs()); }
void CPlayerBase::UpdateState() {
  CString name;
  GetStateName(name);
  FirePlayerStateChanged(m_streamNumber, name);
}
void CPlayerBase::RedrawInfo() {}
void CPlayerBase::ShowSongCount() {}
void CPlayerBase::ClearSongList() {}
void CPlayerBase::ShowLoadingText(int, int, bool) {}
void CPlayerBase::SelectCurrentSong() {}
void CPlayerBase::ShowAlbumCover() {}

// ---- Logging ----

void CPlayerBase::LogText(const char* severity, UINT id, ...) {
  va_list args;
  va_start(args, id);
  m_messageText.FormatV(LoadTextById(id), args);
  va_end(args);
  LogMessageText(severity);
}

void CPlayerBase::WriteLogText(const char* severity, UINT id, ...) {
  va_list args;
  va_start(args, id);
  m_messageText.FormatV(LoadTextById(id), args);
  va_end(args);
  WriteMessageText(severity);
}

void CPlayerBase::LogMessageText(const char* severity) {
  if (CJukeboxServices* app = JukeboxServices()) app->LogEvent(severity, LogSource(), m_messageText);
}

void CPlayerBase::WriteMessageText(const char* severity) {
  if (CJukeboxServices* app = JukeboxServices()) app->WriteErrorLog(severity, LogSource(), m_messageText);
}

int CPlayerBase::ReportException(int idCode, bool outOfMemory) {
  if (outOfMemory) {
    WriteLogText("E", IDS_PLAYER_NO_MEMORY);
    return -1;
  }
  WriteLogText("E", IDS_PLAYER_UNEXPECTED, idCode);
  return -2;
}
