// Graph events (0x52C): the end of a song pauses the graph and asks for the next song once; errors are
// logged and leave the zone HW-PAUSED for the zone window to move on.
#include <ctime>

#include "jukebox/player/StreamWindow.h"

LRESULT CStreamWindow::OnGraphEvent(WPARAM, LPARAM) {
  if (m_pEvent == nullptr) return 0;
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (m_pEvent != nullptr && SUCCEEDED(m_pEvent->GetEvent(&code, &param1, &param2, 0))) {
    m_pEvent->FreeEventParams(code, param1, param2);
    ReportGraphEvent(code, param1, param2);
  }
  return 0;
}

void CStreamWindow::ReportGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  auto hardwarePause = [&] {
    m_state = PLAYER_HW_PAUSED;
    m_stateTime = std::time(nullptr);
  };
  auto logLine = [&](const char* name, bool withStatus) {
    m_messageText.Format("DirectShow Event: %s", name);
    if (withStatus) m_messageText.AppendFormat(" - HR: %x", static_cast<unsigned>(param1));
    WriteMessageText("E");
  };
  switch (code) {
    case EC_COMPLETE:
    case EC_USERABORT:
      if (m_pControl == nullptr) return;
      m_pControl->Pause();
      hardwarePause();
      PostNextSong();
      break;
    case EC_ERRORABORT:
      hardwarePause();
      logLine("EC_ERRORABORT", true);
      break;
    case EC_STREAM_ERROR_STOPPED:
      hardwarePause();
      logLine("EC_STREAM_ERROR_STOPPED", true);
      break;
    case EC_STREAM_ERROR_STILLPLAYING: logLine("EC_STREAM_ERROR_STILLPLAYING", true); break;
    case EC_ERROR_STILLPLAYING: logLine("EC_ERROR_STILLPLAYING", true); break;
    case EC_NEED_RESTART:
      hardwarePause();
      logLine("EC_NEED_RESTART", false);
      break;
    case EC_SNDDEV_OUT_ERROR:
      hardwarePause();
      m_messageText.Format("DirectShow Event: EC_SNDDEV_OUT_ERROR - Cmd: %ld Code: %ld", static_cast<long>(param1),
                           static_cast<long>(param2));
      WriteMessageText("E");
      break;
    default: break;
  }
}
