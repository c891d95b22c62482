// What a headless run of the jukebox can be asked for through its environment, for the demo and its
// test: QH_SNAPSHOT_DIR writes PNG pictures of the main window with each zone shown once start-up has
// settled; QH_STOP_AFTER_STARTUP=1 then shuts the jukebox down as the quit command does.
#pragma once

#include "platform/ui/AfxWin.h"

class CMasterWindow;

class CDemoDriver : public CWnd {
 public:
  void Start(CMasterWindow* master);
  void Stop();

 protected:
  afx_msg void OnTimer(UINT_PTR id);
  DECLARE_MESSAGE_MAP()

 private:
  void WriteSnapshots();
  CMasterWindow* m_master = nullptr;
  bool m_stopAfterStartup = false;
};
