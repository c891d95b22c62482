#pragma once

#include <vector>

#include "dblib/Song.h"
#include "platform/ui/Dialog.h"

// "Export Songs From Database": the MP3 songs of the search list copied into a folder, one song per
// posted step, optionally split into folders of at most a given size.
#define WM_EXPORT_STEP 0x464

class CExportDlg : public CDialog {
 public:
  CExportDlg(std::vector<tSong*> songs, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  CString GetStatusText();
  bool IsFinished() const { return m_next >= m_songs.size() && m_started; }

 protected:
  afx_msg void OnBrowse();
  afx_msg void OnExportSongs();
  afx_msg LRESULT OnExportStep(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void ShowTotals();
  bool ExportOne(tSong& song);

  std::vector<tSong*> m_songs;
  CString m_folder;
  int m_limitMb = 0;
  int m_folderNumber = 0;
  unsigned long long m_folderBytes = 0;
  size_t m_next = 0;
  bool m_started = false;
};
