// The local engine's window, PlaySong and the transport over the graph's media control and seeking.
#include "jukebox/player/StreamWindow.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/app/services/RemoteEvents.h"
#include "platform/core/Paths.h"

BEGIN_MESSAGE_MAP(CStreamWindow, CPlayerBase)
  ON_MESSAGE(WM_PLAYER_GRAPHEVENT, OnGraphEventMessage)
END_MESSAGE_MAP()

CStreamWindow::CStreamWindow() = default;

// The window goes first, so OnDestroy still reaches this engine's release.
CStreamWindow::~CStreamWindow() {
  DestroyWindow();
  ReleaseGraph();
  ReleaseProbe();
}

LRESULT CStreamWindow::OnGraphEventMessage(WPARAM wParam, LPARAM lParam) { return OnGraphEvent(wParam, lParam); }

void CStreamWindow::SetFileTypeText(tSong& song) {
  const tSongWaveFormat& wave = song.WaveFormat;
  switch (song.SongCompression) {
    case ' ': m_fileTypeText.Format("PCM %lu Hz", static_cast<unsigned long>(wave.nSamplesPerSec)); break;
    case 'V': m_fileTypeText.Format("UNMANAGED PCM %lu Hz", static_cast<unsigned long>(wave.nSamplesPerSec)); break;
    case 'A': m_fileTypeText = "ADPCM"; break;
    case 'M': m_fileTypeText.Format("RIFF-MP3 %lukbs", static_cast<unsigned long>(wave.nAvgBytesPerSec) * 8 / 1000); break;
    case '3': m_fileTypeText.Format("UNMANAGED MP3 %ldkbs", static_cast<long>(song.BitRate / 1000)); break;
    case 'R': m_fileTypeText.Format("MP3 %ldkbs", static_cast<long>(song.BitRate / 1000)); break;
    default: break;
  }
}

int CStreamWindow::PlaySong(tSong* song) {
  if (song == nullptr) return -1;
  CJukeboxServices* app = JukeboxServices();
  if (app != nullptr && app->IsSongLocked(song->SongID)) {
    WriteLogText("E", IDS_PLAYER_SONG_LOCKED, static_cast<long>(song->SongID));
    return -1;
  }
  m_advancePosted = false;
  const CString path = song->GetMediaFileName();
  const std::string hostPath = qh::HostPathOf(path);
  if (std::FILE* file = hostPath.empty() ? nullptr : std::fopen(hostPath.c_str(), "rb")) {
    std::fclose(file);
  } else {
    // A file that cannot be read cannot replace anything: the song playing now plays on.
    WriteLogText("E", IDS_PLAYER_SOURCE_ERROR, song->SongName.GetString(), static_cast<long>(song->SongID));
    return -1;
  }
  // The song's own code chooses the chain: the file scan knows fewer formats (IMA ADPCM reads as
  // unknown there) and must not turn a playable song into an unplayable one.
  const char code = song->SongCompression;
  song->ReadMediaInfo();
  if (song->SongCompression == '?') song->SongCompression = code;
  // A file that opens but whose audio cannot be decoded (damaged, or no audio at all) is found out on a
  // graph of its own, so the song playing now plays on instead of being stopped for nothing.
  if (!ProbeSong(code, path)) {
    WriteLogText("E", IDS_PLAYER_SOURCE_ERROR, song->SongName.GetString(), static_cast<long>(song->SongID));
    return -1;
  }
  SetFileTypeText(*song);
  if (m_pGraph == nullptr) {
    CreateGraph();
    if (m_pGraph == nullptr || !BuildGraphChain(code, path)) {
      ReleaseGraph();
      return -1;
    }
  } else {
    if (m_pControl != nullptr) m_pControl->Stop();
    if (!ReplaceSourceChain(code, path)) {
      WriteLogText("E", IDS_PLAYER_SOURCE_ERROR, song->SongName.GetString(), static_cast<long>(song->SongID));
      ReleaseGraph();
      // Nothing plays now: say so instead of showing the old song as playing.
      if (m_state != PLAYER_STOPPED) {
        ResetPlayState();
        UpdateState();
      }
      return -1;
    }
  }
  SetGraphVolume(m_volume >= 1 ? 20.0 * std::log10(m_volume * 0.01) : -100.0);
  m_startPosition = 0;
  if (m_pSeeking != nullptr) {
    LONGLONG duration = 0;
    m_pSeeking->GetDuration(&duration);
    m_stopPosition = duration;
    m_lengthText = FormatTimeText(duration, 0, duration);
    LONGLONG start = m_startPosition;
    m_pSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  if (m_pControl != nullptr) m_pControl->Run();
  m_volume = std::clamp(DbToLinear(), 0, 100);
  AnnounceSongStarted(song);
  return 0;
}

int CStreamWindow::Play() {
  return Guarded(GUARD_PLAY, [&]() -> int {
    if (m_pControl == nullptr || FAILED(m_pControl->Run())) return -3;
    m_state = PLAYER_PLAYING;
    UpdateState();
    return 0;
  });
}

int CStreamWindow::Pause() {
  return Guarded(GUARD_PAUSE, [&]() -> int {
    if (m_pControl == nullptr || FAILED(m_pControl->Pause())) return -3;
    m_state = PLAYER_PAUSED;
    UpdateState();
    return 0;
  });
}

int CStreamWindow::Stop() {
  return Guarded(GUARD_STOP, [&]() -> int {
    if (m_state == PLAYER_STOPPED) return 0;
    ReleaseGraph();
    ResetPlayState();
    RedrawInfo();
    UpdateState();
    return 0;
  });
}

int CStreamWindow::Rewind() {
  return Guarded(GUARD_REWIND, [&]() -> int { return SeekToPosition(0); });
}

int CStreamWindow::SeekPercent(double percent) {
  if (m_pCurrentSong == nullptr) return 0;
  // 0 to 100 % map to the start and the end of the song.
  const double clamped = std::clamp(percent, 0.0, 100.0);
  LONG lengthMs = m_pCurrentSong->SongLengthMS;
  if (lengthMs <= 0) lengthMs = static_cast<LONG>(m_stopPosition / 10000);
  return SeekToPosition(static_cast<LONG>(clamped * 0.01 * lengthMs));
}

LONG CStreamWindow::GetPositionMs() {
  if (m_pSeeking == nullptr) return 0;
  m_pSeeking->GetCurrentPosition(&m_currentPosition);
  return static_cast<LONG>(m_currentPosition / 10000);
}

int CStreamWindow::GetPositionPercent() {
  if (m_pSeeking != nullptr) m_pSeeking->GetCurrentPosition(&m_currentPosition);
  m_elapsedText = FormatTimeText(m_currentPosition, m_startPosition, m_stopPosition);
  const LONGLONG stopSeconds = m_stopPosition / 10000000;
  // A song shorter than a second (or none) has no whole seconds to divide by.
  int percent = 0;
  if (stopSeconds > 0)
    percent = static_cast<int>(static_cast<double>(m_currentPosition / 10000000) / static_cast<double>(stopSeconds) * 100);
  m_positionPercent = std::clamp(percent, 0, 100);
  return m_positionPercent;
}

CString CStreamWindow::FormatTimeText(LONGLONG position, LONGLONG start, LONGLONG stop) {
  if (position > stop) position = stop;
  if (position < start) position = start;
  const LONGLONG value = position - start;
  CString text;
  text.Format("%02lld:%02lld", value / 600000000, (value % 600000000) / 10000000);
  return text;
}

void CStreamWindow::OutputVolume(int percent) {
  SetGraphVolume(percent >= 1 ? 20.0 * std::log10(percent * 0.01) : -HUGE_VAL);
}

void CStreamWindow::SetGraphVolume(double decibels) {
  if (m_pAudio == nullptr) return;
  double level = decibels * 100.0;
  if (std::isnan(level) || level < -10000.0) level = -10000.0;
  if (level > 0.0) level = 0.0;
  if (SUCCEEDED(m_pAudio->put_Volume(static_cast<long>(std::trunc(level))))) UpdateVolume();
}

long CStreamWindow::GetGraphVolumeLevel() {
  long level = 1;
  if (m_pAudio != nullptr) m_pAudio->get_Volume(&level);
  return level;
}

HRESULT CStreamWindow::QueryGraphInterface(REFIID iid, void** object) {
  if (m_pGraph == nullptr) return E_NOINTERFACE;
  return m_pGraph->QueryInterface(iid, object);
}

int CStreamWindow::DbToLinear() {
  long level = 0;
  if (m_pAudio == nullptr || FAILED(m_pAudio->get_Volume(&level))) return 0;
  return static_cast<int>(100.0 * std::pow(10.0, level * 0.01 * 0.05));
}

void CStreamWindow::LogGraphText(const char* severity, UINT id, ...) {
  CString format;
  if (!format.LoadString(id)) format.Format("Message %u", id);
  va_list args;
  va_start(args, id);
  m_messageText.FormatV(format, args);
  va_end(args);
  LogMessageText(severity);
}
