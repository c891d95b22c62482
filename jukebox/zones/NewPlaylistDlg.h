// CNewPlaylistDlg (dialog 198): the name of a new playlist; not empty, at most 30 characters, none of
// < > & ' " * | ?. What a name that already exists means is the caller's.
#pragma once

#include "platform/ui/AfxControls.h"
#include "platform/ui/Dialog.h"

inline constexpr UINT IDD_NEW_PLAYLIST = 198;
inline constexpr UINT IDC_PLAYLIST_NAME = 1067;
inline constexpr UINT IDS_BAD_PLAYLIST_CHARS = 61433;

class CNewPlaylistDlg : public CDialog {
 public:
  explicit CNewPlaylistDlg(CWnd* parent = nullptr);

  static bool HasInvalidChars(const CString& name);

  CButton m_okButton;
  CEdit m_nameField;
  CString m_name;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  void OnOK() override;
  afx_msg void OnChangeName();
  DECLARE_MESSAGE_MAP()
};
