// "Choose an artist from the list" (dialog 163): artists, or albums with their artists, whose names
// begin with a letter, or sort before "A" ("NUM"), with their song counts.
#pragma once

#include <vector>

#include "jukebox/app/dialogs/RemoteChooserDlg.h"

class tQHDb;

class CArtistChooserDlg : public CRemoteChooserDlg {
 public:
  enum Mode { kArtists = 0, kAlbums = 1 };
  static constexpr UINT IDD = 163;
  static constexpr int kFirstLetter = 1012, kLastLetter = 1037, kNumbers = 1038, kAlbumCheck = 1100, kList = 1039;

  explicit CArtistChooserDlg(tQHDb* database, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  int m_mode = kArtists;  // set by the caller before the run
  CString m_result;       // the chosen artist, or album without its artist
  CString m_filter;       // "A".."Z", or "9" for the names before "A"
  std::vector<CString> m_names;
  int m_rows = 0;
  BOOL m_album = TRUE;

 protected:
  void OnRemoteKey(int key) override;
  afx_msg void OnLetter(UINT id);
  afx_msg void OnAlbumCheck();
  DECLARE_MESSAGE_MAP()

 private:
  void Refill();
  CListBox* List() { return static_cast<CListBox*>(GetDlgItem(kList)); }

  tQHDb* m_database;
};
