#include "jukebox/player/tests/ScriptedEngine.h"

namespace jukebox::player_testing {

bool ScriptedEngine::CreateZone(CWnd* parent) {
  const DWORD style = parent != nullptr ? WS_CHILD : WS_POPUP;
  return CreateEx(0, AfxRegisterWndClass(0), "Zone 1 [test]", style, 0, 0, 400, 300,
                  parent != nullptr ? parent->GetSafeHwnd() : nullptr, nullptr) != FALSE;
}

int ScriptedEngine::PlaySong(tSong* song) {
  played.push_back(song->SongID);
  if (failingSongs.count(song->SongID) != 0) return -1;
  song->SetUserData(1);
  m_pCurrentSong = song;
  m_state = PLAYER_PLAYING;
  UpdateState();
  return 0;
}

int ScriptedEngine::Rewind() {
  calls.push_back("rewind");
  return m_pCurrentSong != nullptr ? 0 : -3;
}

int ScriptedEngine::Pause() {
  calls.push_back("pause");
  if (m_pCurrentSong == nullptr) return -3;
  m_state = PLAYER_PAUSED;
  UpdateState();
  return 0;
}

int ScriptedEngine::Play() {
  calls.push_back("play");
  if (m_pCurrentSong == nullptr) return -3;
  m_state = PLAYER_PLAYING;
  UpdateState();
  return 0;
}

int ScriptedEngine::Stop() {
  calls.push_back("stop");
  if (m_state == PLAYER_STOPPED) return 0;
  ResetPlayState();
  RedrawInfo();
  UpdateState();
  return 0;
}

}  // namespace jukebox::player_testing
