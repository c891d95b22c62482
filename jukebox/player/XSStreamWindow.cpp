#include "jukebox/player/XSStreamWindow.h"

#include "jukebox/app/services/RemoteEvents.h"


BEGIN_MESSAGE_MAP(CXSStreamWindow, CPlayerBase)
  ON_WM_CREATE()
  ON_MESSAGE(WM_XS_AUDIO_NOTIFY, OnAudioThreadNotify)
  ON_MESSAGE(WM_XS_CONTROL_NOTIFY, OnControlThreadNotify)
  ON_MESSAGE(WM_XS_END_OF_DATA, OnEndOfData)
  ON_MESSAGE(WM_PLAYER_NEXTSONG, OnBoxNextSong)
END_MESSAGE_MAP()

CXSStreamWindow::CXSStreamWindow() { m_volume = 100; }

// The window goes before the engine core: its destruction ends the threads (ReleaseOutput) while
// everything they report to still exists.
CXSStreamWindow::~CXSStreamWindow() {
  if (GetSafeHwnd() != nullptr) DestroyWindow();
}

int CXSStreamWindow::OnCreate(LPCREATESTRUCT create) {
  if (CPlayerBase::OnCreate(create) == -1) return -1;
  CloseSongFile();
  if (!m_box.StartThreads()) {
    m_messageText = "StartThreads: the box's connection threads could not be started for " + m_deviceName;
    WriteMessageText("E");
  }
  return 0;
}

void CXSStreamWindow::SetDeviceName(const CString& name) {
  CString address;
  m_deviceName = XSParseDeviceName(name, address);
  m_box.SetBoxAddress(address);
}

// ---- Transport ----

int CXSStreamWindow::PlaySong(tSong* song) {
  if (song == nullptr) return -1;
  return m_box.PlaySong(song);
}

int CXSStreamWindow::SeekPercent(double) { return 0; }

int CXSStreamWindow::Rewind() {
  return Guarded(GUARD_REWIND, [&]() -> int {
    // Without a song there is nothing to start again.
    if (m_pCurrentSong == nullptr) return -1;
    return PlaySong(m_pCurrentSong);
  });
}

int CXSStreamWindow::Pause() {
  m_box.QueueCommand(kXSCommandPause);
  m_state = PLAYER_PAUSED;
  UpdateState();
  return 0;
}

int CXSStreamWindow::Play() {
  m_box.QueueCommand(kXSCommandPlay);
  m_state = PLAYER_PLAYING;
  UpdateState();
  return 0;
}

int CXSStreamWindow::Stop() {
  if (m_state == PLAYER_STOPPED) return 0;
  // STOPPED follows when the audio connection reports it has closed.
  m_box.StopStream();
  return 0;
}

int CXSStreamWindow::Next() {
  OnBoxNextSong(0, 0);
  return -1;
}

LRESULT CXSStreamWindow::OnBoxNextSong(WPARAM wParam, LPARAM lParam) {
  if (!m_repeat) return OnNextSong(wParam, lParam);
  // Rewind already starts the song again on the box; a Play after it would only repeat "c=1".
  m_advancePosted = false;
  Rewind();
  return -1;
}

int CXSStreamWindow::GetPositionPercent() {
  m_elapsedText = FormatDuration(m_box.GetPositionMs());
  m_positionPercent = m_box.GetPositionPercent();
  return m_positionPercent;
}

LONG CXSStreamWindow::GetPositionMs() { return static_cast<LONG>(m_box.GetPositionMs()); }

BOOL CXSStreamWindow::Shutdown(CWnd* notifyWindow) {
  m_pNotifyWindow = notifyWindow;
  Stop();
  // The window goes when both threads have reported their end (ThreadsGone).
  m_box.CloseThreads();
  return TRUE;
}

// ---- Own operations ----

void CXSStreamWindow::SendVolume(int level) {
  m_box.SendVolume(level);
  UpdateVolume();
}

void CXSStreamWindow::CloseSongFile() {
  m_state = PLAYER_STOPPED;
  m_pCurrentSong = nullptr;
  m_box.CloseSongFile();
}

// ---- Messages ----

LRESULT CXSStreamWindow::OnAudioThreadNotify(WPARAM code, LPARAM record) {
  return m_box.OnAudioThreadNotify(code, record);
}

LRESULT CXSStreamWindow::OnControlThreadNotify(WPARAM code, LPARAM record) {
  return m_box.OnControlThreadNotify(code, record);
}

LRESULT CXSStreamWindow::OnEndOfData(WPARAM wParam, LPARAM) {
  Guarded(GUARD_NEXT_SONG, [&]() -> int {
    m_box.OnEndOfDataNotice(wParam);
    return 0;
  });
  return -1;
}

// ---- What the box engine reports ----

void CXSStreamWindow::SongStarted(tSong* song, const CString& fileType, const CString& lengthText) {
  m_fileTypeText = fileType;
  m_lengthText = lengthText;
  AnnounceSongStarted(song);
}

void CXSStreamWindow::SongPromoted(const tSong& song, int index, const CString& fileType, const CString& lengthText) {
  tSong* queued = GetQueuedSong(index);
  if (queued != nullptr && queued->SongID == song.SongID) {
    m_pCurrentSong = queued;
  } else {
    // The queue no longer holds it (cleared meanwhile): the kept copy stands in, as after a clear.
    m_keptSong = song;
    m_pCurrentSong = &m_keptSong;
  }
  m_fileTypeText = fileType;
  m_lengthText = lengthText;
  m_currentIndex = index;
  SelectCurrentSong();
  m_positionPercent = 0;
  UpdatePosition();
  RedrawInfo();
  ShowAlbumCover();
  // Remote controllers learn of the new song as they do when a song starts.
  FireSongChanged(m_streamNumber, *m_pCurrentSong);
}

void CXSStreamWindow::StreamStopped() {
  CloseSongFile();
  RedrawInfo();
  UpdateState();
}

void CXSStreamWindow::BoxVolumeReported(int volumePercent) {
  m_volume = volumePercent;
  UpdateVolume();
}

void CXSStreamWindow::ThreadsGone() {
  if (GetSafeHwnd() != nullptr) DestroyWindow();
}
