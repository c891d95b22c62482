// The tip of the day: one tip at a time from "tips.txt" in the program folder, continuing where the
// previous showing stopped (profile values FilePos and TimeStamp of section "Tip").
#pragma once

#include <cstdio>

#include "platform/ui/Dialog.h"

// Reads tips from the file: lines that start with a blank, a tab, a line end or ';' are skipped, the
// others are tips; at the end it goes on from the start. A file without a single tip gives no tip after
// one full pass instead of reading on for ever.
class CTipsFile {
 public:
  ~CTipsFile() { Close(); }
  bool Open(const CString& path);
  void Close();
  bool IsOpen() const { return m_file != nullptr; }
  // The file's modification time as a 24-character time text.
  CString TimeStampText() const { return m_timeStamp; }
  bool Seek(long offset);
  long Tell() const;
  // false when the file holds no tip at all (or a seek failed).
  bool ReadNextTip(CString& tip);

 private:
  std::FILE* m_file = nullptr;
  CString m_timeStamp;
};

class CTipDlg : public CDialog {
 public:
  explicit CTipDlg(CWnd* parent = nullptr);
  ~CTipDlg() override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  CString GetTip() const { return m_tip; }

 protected:
  afx_msg void OnNextTip();
  afx_msg void OnPaint();
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void ShowNextTip();
  CTipsFile m_tips;
  CString m_tip;
  BOOL m_startUp = TRUE;
};
