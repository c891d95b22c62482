// The converter's dialog: it runs the conversion as soon as it opens and keeps the log in its edit box.
#pragma once

#include "maintenance/convert/DatabaseConverter.h"
#include "platform/ui/Dialog.h"

class CCvtDlg : public CDialog {
 public:
  explicit CCvtDlg(const CString& databaseFolder, CWnd* parent = nullptr);

  static constexpr UINT kIconId = 128;  // the program's icon

  const CString& LogText() const { return m_log; }
  CDatabaseConverter::Outcome Outcome() const { return m_outcome; }
  void SetFileSteps(CFileSteps* steps) { m_pSteps = steps; }

 protected:
  BOOL OnInitDialog() override;
  afx_msg LRESULT OnConvert(WPARAM wParam, LPARAM lParam);
  afx_msg void OnSysCommand(UINT id, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  void AddLog(const CString& text);

  CString m_databaseFolder;
  CString m_log;
  CDatabaseConverter::Outcome m_outcome = CDatabaseConverter::kFailed;
  CFileSteps* m_pSteps = nullptr;
};
