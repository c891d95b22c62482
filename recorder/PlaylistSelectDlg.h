// Choosing a playlist to edit, deleting one, or naming a new one.
#pragma once

#include "platform/ui/Dialog.h"

class tQHDb;

class CPlaylistSelectDlg : public CDialog {
 public:
  explicit CPlaylistSelectDlg(tQHDb* db, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void GetChoice(CString& name, BOOL& isNew) const {
    name = m_choice;
    isNew = m_isNew;
  }

 protected:
  afx_msg void OnEdit();
  afx_msg void OnDelete();
  afx_msg void OnCreate();
  afx_msg void OnNameChanged();
  DECLARE_MESSAGE_MAP()

 private:
  CComboBox* Names() { return static_cast<CComboBox*>(GetDlgItem(1193)); }
  tQHDb* m_pDb;
  CString m_choice;
  BOOL m_isNew = FALSE;
};

// The playlists that hold one song: Member Of and Available, moved between each other.
class CSongPlaylistsDlg : public CDialog {
 public:
  explicit CSongPlaylistsDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  LONG m_songId = 0;
  BOOL m_readOnly = FALSE;
  CString m_heading;
  CString m_genre;
  CStringArray m_members;  // in on open, out on OK
  CStringArray m_all;

 protected:
  afx_msg void OnAdd();
  afx_msg void OnRemove();
  DECLARE_MESSAGE_MAP()

 private:
  void Move(UINT fromId, UINT toId);
};
