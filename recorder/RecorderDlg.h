// CRecorderDlg: Trackwright's main window, a column of command buttons with hover help, a status line
// and the summary of the library (song counts and free space on the storage volumes).
#pragma once

#include <array>
#include <vector>

#include "platform/ui/Dialog.h"
#include "widgets/HoverButton.h"

class tQHDb;
class tStorage;

// Posted to the main dialog by F4: opens the song search.
#define WM_RECORDER_SEARCH 0x465

class CRecorderDlg : public CDialog {
 public:
  CRecorderDlg();

  static constexpr UINT kIconId = 128;  // the program's icon

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;

  // Recounts the songs by compression code and the free space of the storage volumes.
  void RefreshSummary();
  // The wave-in device index (0 = the wave mapper) and the device names, "WAVE_MAPPER" first.
  int GetWaveInDevice() const { return m_waveInDevice; }
  const std::vector<CString>& GetWaveInDeviceNames() const { return m_waveInNames; }
  char GetCdDriveLetter() const { return m_cdDrive; }
  tQHDb* GetSongDatabase() const { return m_pDb; }
  tStorage* GetStorage() const { return m_pStorage; }

 protected:
  afx_msg void OnRecord();
  afx_msg void OnImport();
  afx_msg void OnRip();
  afx_msg void OnSearch();
  afx_msg void OnCompress();
  afx_msg void OnPlaylist();
  afx_msg void OnUpload();
  afx_msg void OnGenres();
  afx_msg void OnOptions();
  afx_msg void OnTechInfo();
  afx_msg void OnAbout();
  afx_msg LRESULT OnSearchKey(WPARAM, LPARAM);
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg void OnWindowPosChanged(WINDOWPOS* position);
  DECLARE_MESSAGE_MAP()

 private:
  // Runs a button's work under the recorder's handlers; a failure ends the program's dialog.
  void Guarded(const std::function<void()>& work);
  void HideHelp();

  std::array<CHoverButton, 12> m_buttons;
  CString m_programFolder, m_databaseFolder;
  int m_waveInDevice = 0;
  std::vector<CString> m_waveInNames;
  char m_cdDrive = ' ';
  tQHDb* m_pDb = nullptr;
  tStorage* m_pStorage = nullptr;
  bool m_shown = false;
};
