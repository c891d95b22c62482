// "Please choose a Genre" (dialog 162): six shortcut buttons for the genres with the most songs, and
// every genre by name in a drop-down list.
#pragma once

#include <array>
#include <vector>

#include "jukebox/app/dialogs/RemoteChooserDlg.h"

class tQHDb;

class CGenreChooserDlg : public CRemoteChooserDlg {
 public:
  static constexpr UINT IDD = 162;
  static constexpr int kGenreList = 1011, kSortCheck = 1101;
  // The shortcut buttons in shortcut order.
  static constexpr std::array<int, 6> kShortcuts{1006, 1005, 1007, 1008, 1009, 1010};

  explicit CGenreChooserDlg(tQHDb* database, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  CString m_result;
  std::vector<CString> m_shortcutGenres;
  std::vector<CString> m_genres;
  CString m_comboText;
  BOOL m_sortByAlbum = TRUE;

 protected:
  void OnRemoteKey(int key) override;
  afx_msg void OnShortcut(UINT id);
  afx_msg void OnSortCheck();
  DECLARE_MESSAGE_MAP()

 private:
  void FillShortcuts();
  void FillGenreList();
  static int ShortcutIndex(int controlId);
  CComboBox* GenreList() { return static_cast<CComboBox*>(GetDlgItem(kGenreList)); }

  tQHDb* m_database;
};
