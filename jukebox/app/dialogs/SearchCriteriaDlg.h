// "Enter Search Criteria" (dialog 164): song, artist and album texts, a year range and one genre or
// all genres. The remote control does not drive it.
#pragma once

#include <vector>

#include "platform/ui/Dialog.h"

class tQHDb;

class CSearchCriteriaDlg : public CDialog {
 public:
  static constexpr UINT IDD = 164;
  static constexpr int kGenreList = 1011, kSong = 1041, kArtist = 1042, kAlbum = 1043, kYears = 1044;
  static constexpr int kTextLimit = 50, kYearsLimit = 20;

  explicit CSearchCriteriaDlg(tQHDb* database, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  CString m_song, m_artist, m_album, m_years;
  CString m_genre;  // empty: all genres
  std::vector<CString> m_genres;
  int m_genreCount = 0;

 private:
  CString ReadEdit(int id, int limit) const;
  CComboBox* GenreList() { return static_cast<CComboBox*>(GetDlgItem(kGenreList)); }

  tQHDb* m_database;
};
