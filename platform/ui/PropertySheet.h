// Property sheets: a modal window with a tab per page, OK, Cancel and Apply. A page is made when it is
// first shown; leaving it asks OnKillActive (which may refuse), OK and Apply ask the active page and
// then apply every page that was made.
#pragma once

#include <vector>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/Dialog.h"

#define ID_APPLY_NOW 0x3021
#define AFX_IDC_TAB_CONTROL 0x3020
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_HASHELP 0x00000200
#define PSBTN_OK 1
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5


class CPropertySheet;

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);

  // The page is shown; FALSE keeps the sheet on the page it was on.
  virtual BOOL OnSetActive();
  // The page is being left (another tab, OK, Apply); FALSE refuses. The default validates the page's data.
  virtual BOOL OnKillActive();
  // OK or Apply: the page's changes take effect. The default OnApply runs OnOK.
  virtual BOOL OnApply();
  void OnOK() override;
  void OnCancel() override;
  virtual void OnReset();
  virtual BOOL OnQueryCancel();
  // Enables the sheet's Apply button.
  void SetModified(BOOL changed = TRUE);
  BOOL PreTranslateMessage(MSG* msg) override;
  CString GetCaption() const;

 private:
  friend class CPropertySheet;
  BOOL CreatePage(CPropertySheet& sheet, const RECT& area);
  UINT captionId_;
  CPropertySheet* sheet_ = nullptr;
};

struct PROPSHEETHEADER {
  DWORD dwSize = sizeof(PROPSHEETHEADER);
  DWORD dwFlags = 0;
  HWND hwndParent = nullptr;
  LPCSTR pszCaption = nullptr;
  UINT nStartPage = 0;
};

class CPropertySheet : public CWnd {
 public:
  explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  explicit CPropertySheet(LPCSTR caption, CWnd* parent = nullptr, UINT selectPage = 0);

  void AddPage(CPropertyPage* page);
  void RemovePage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  CPropertyPage* GetPage(int index) const;
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const { return active_; }
  int GetPageIndex(CPropertyPage* page) const;
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
  void SetTitle(LPCSTR title);
  CTabCtrl* GetTabControl() { return &tabs_; }
  // Runs the sheet modally: IDOK, IDCANCEL, or -1 when it could not be made.
  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  void EndDialog(int result);
  // Acts as if the button had been pressed.
  BOOL PressButton(int button);
  BOOL PreTranslateMessage(MSG* msg) override;

  PROPSHEETHEADER m_psh;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  afx_msg void OnClose();
  DECLARE_MESSAGE_MAP()

 private:
  friend class CPropertyPage;
  bool Activate(int index);
  bool LeaveActivePage();
  bool ApplyAll();
  void Cancel();
  void EnableApply(bool enable);
  RECT PageArea() const { return pageArea_; }

  CString caption_;
  CWnd* parent_;
  std::vector<CPropertyPage*> pages_;
  int active_ = -1;
  CTabCtrl tabs_;
  CButton ok_, cancel_, apply_;
  RECT pageArea_{};
};
