// The administrator's main dialog: six function buttons with help texts that appear while the mouse is
// over them, the database folder and a status line.
#pragma once

#include <array>

#include "platform/ui/Dialog.h"
#include "widgets/HoverButton.h"

class CFileSteps;

class CAdminDlg : public CDialog {
 public:
  explicit CAdminDlg(const CString& databaseFolder, CWnd* parent = nullptr);

  static constexpr UINT kIconId = 128;  // the program's icon

  const CString& DatabaseFolder() const { return m_databaseFolder; }
  CString StatusText() const;
  // The file steps of the whole-file functions (tests make one of them fail).
  void SetFileSteps(CFileSteps* steps) { m_pSteps = steps; }

  // The engine version as the temporary workspace reports it; 0 when the check itself failed.
  static double GetDaoEngineVersion();

 protected:
  BOOL OnInitDialog() override;
  afx_msg void OnCheckDatabase();
  afx_msg void OnBackupDatabase();
  afx_msg void OnRepairDatabase();
  afx_msg void OnEraseDatabase();
  afx_msg void OnChangePrimaryLocation();
  afx_msg void OnUpdateStorage();
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg HCURSOR OnQueryDragIcon();
  DECLARE_MESSAGE_MAP()

 private:
  void SetStatus(const CString& text);
  void ShowFolder();
  void EnableFunctions(bool withDatabase);
  void UseFolderOf(const CString& chosenPath);
  CFileSteps& Steps() const;

  CString m_databaseFolder;
  std::array<CHoverButton, 6> m_buttons;
  HICON m_hIcon = nullptr;
  CFileSteps* m_pSteps = nullptr;
};
