// The genre list (table SongType): reserved genres come with every database, user genres are added,
// edited and deleted here; every change is written when the edit dialog ends with OK.
#pragma once

#include "platform/ui/Dialog.h"

class tQHDb;

class CGenreListDlg : public CDialog {
 public:
  enum Action { kEdit = 1, kNew = 2, kDelete = 3 };
  explicit CGenreListDlg(tQHDb* db, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void FillGenreList();
  void DoGenreAction(int row, int action);

 protected:
  afx_msg void OnNew();
  afx_msg void OnEdit();
  afx_msg void OnDelete();
  afx_msg void OnItemChanged(NMHDR* header, LRESULT* result);
  afx_msg void OnDoubleClick(NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(1028)); }
  void Guarded(const std::function<void()>& work);
  tQHDb* m_pDb;
};

class CGenreEditDlg : public CDialog {
 public:
  enum Mode { kView = 0, kEditMode = 1, kNewMode = 2, kViewOnly = 3 };
  explicit CGenreEditDlg(CWnd* parent = nullptr);
  void SetMode(int mode) { m_mode = mode; }
  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* dx) override;

  CString m_description;
  CString m_code;
  int m_minBpm = 50;
  int m_maxBpm = 200;

 private:
  int m_mode = kNewMode;
};
