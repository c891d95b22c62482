// Volume in percent, mute, relative steps and timed ramps in steps of 5 percent. The ramp's multimedia
// timer only posts 0x52E/0x52F; every change happens on the window's thread.
#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/app/services/RemoteEvents.h"
#include "jukebox/player/PlayerBase.h"
#include "platform/core/MmTimer.h"

namespace {

constexpr int kRampStep = 5;
constexpr int kDefaultRampTime = 6000;

int RampTime() {
  CJukeboxServices* app = JukeboxServices();
  return app != nullptr ? app->GetVolumeRampTime() : kDefaultRampTime;
}

void RampUpTimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  if (user != 0) ::PostMessage(reinterpret_cast<HWND>(user), WM_PLAYER_RAMPUP, 0, 0);
}

void RampDownTimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  if (user != 0) ::PostMessage(reinterpret_cast<HWND>(user), WM_PLAYER_RAMPDOWN, 0, 0);
}

}  // namespace

void CPlayerBase::SetVolume(int percent) {
  if (percent > 100) percent = 100;
  if (percent < 0) percent = 0;
  m_volume = percent;
  OutputVolume(m_volume);
  FireVolumeChanged(m_streamNumber, m_volume);
}

int CPlayerBase::AdjustVolume(int step) {
  SetVolume(m_volume + step);
  return m_volume;
}

int CPlayerBase::ToggleMute() {
  if (m_savedVolume < 0) {
    m_savedVolume = m_volume;
    SetVolume(0);
    return m_volume;
  }
  SetVolume(m_savedVolume);
  m_savedVolume = -1;
  return m_volume;
}

bool CPlayerBase::RampVolumeUp() {
  if (m_rampTimer != 0) return false;
  bool restores = false;
  if (m_savedVolume < 0) {
    m_rampTarget = 100;
  } else {
    m_rampTarget = m_savedVolume;
    m_savedVolume = -1;
    restores = true;
  }
  if (m_rampTarget < 1) {
    NotifyCommandDone();
    return restores;
  }
  const UINT period = static_cast<UINT>(RampTime() / m_rampTarget);
  m_rampTimer = timeSetEvent(period, 0, RampUpTimerProc, reinterpret_cast<DWORD_PTR>(m_hWnd), TIME_PERIODIC);
  if (m_rampTimer == 0) EndRampAt(m_rampTarget);  // no timer to be had: the ramp ends at once
  return restores;
}

bool CPlayerBase::RampVolumeDown() {
  if (m_rampTimer != 0) return false;
  m_rampTarget = 0;
  // A muted zone keeps the volume it had before the mute, so the ramp up comes back to it.
  if (m_savedVolume < 0) m_savedVolume = m_volume;
  if (m_volume < 1) {
    NotifyCommandDone();
    return true;
  }
  const UINT period = static_cast<UINT>(RampTime() / m_volume);
  m_rampTimer = timeSetEvent(period, 0, RampDownTimerProc, reinterpret_cast<DWORD_PTR>(m_hWnd), TIME_PERIODIC);
  if (m_rampTimer == 0) EndRampAt(0);
  return true;
}

void CPlayerBase::KillRampTimer() {
  if (m_rampTimer == 0) return;
  timeKillEvent(m_rampTimer);
  m_rampTimer = 0;
}

void CPlayerBase::EndRampAt(int volume) {
  KillRampTimer();
  SetVolume(volume);
  NotifyCommandDone();
}

LRESULT CPlayerBase::OnRampUpTick(WPARAM, LPARAM) {
  if (m_rampTimer == 0) return -1;  // a tick posted before the ramp was ended
  const int next = m_volume + kRampStep;
  if (next < m_rampTarget) {
    SetVolume(next);
    return -1;
  }
  EndRampAt(m_rampTarget);
  return -1;
}

LRESULT CPlayerBase::OnRampDownTick(WPARAM, LPARAM) {
  if (m_rampTimer == 0) return -1;
  const int next = m_volume - kRampStep;
  if (next > 0) {
    SetVolume(next);
    return -1;
  }
  EndRampAt(0);
  return -1;
}

void CPlayerBase::FadeOutWithPending(const CString& text, bool flag) {
  m_pendingText = text;
  m_pendingFlag = flag;
  m_pendingFade = true;
  RampVolumeDown();
}
