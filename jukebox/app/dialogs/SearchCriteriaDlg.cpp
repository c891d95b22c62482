#include "jukebox/app/dialogs/SearchCriteriaDlg.h"

#include "dblib/QHDb.h"

namespace {
constexpr const char* kAllGenres = "*ALL GENRES*";
}

CSearchCriteriaDlg::CSearchCriteriaDlg(tQHDb* database, CWnd* parent) : CDialog(IDD, parent), m_database(database) {}

BOOL CSearchCriteriaDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  for (int id : {kSong, kArtist, kAlbum}) GetDlgItem(id)->SendMessage(EM_LIMITTEXT, kTextLimit);
  GetDlgItem(kYears)->SendMessage(EM_LIMITTEXT, kYearsLimit);
  GenreList()->AddString(kAllGenres);
  m_genres.assign(1, CString(kAllGenres));
  m_genreCount = 0;
  if (m_database != nullptr) {
    if (m_database->OpenCategoryCounts(1, nullptr) >= 0) {
      CString genre, line;
      LONG count = 0;
      while (m_database->NextCategoryCount(genre, count) > 0) {
        line.Format("%s (%ld Songs)", genre.GetString(), count);
        GenreList()->AddString(line);
        m_genres.push_back(genre);
        ++m_genreCount;
      }
    }
    m_database->CloseCategoryCounts();
  }
  if (m_genreCount > 0) GenreList()->SetCurSel(0);
  return TRUE;
}

CString CSearchCriteriaDlg::ReadEdit(int id, int limit) const {
  CString text;
  GetDlgItemText(id, text);
  return text.Left(limit);
}

void CSearchCriteriaDlg::OnOK() {
  m_song = ReadEdit(kSong, kTextLimit);
  m_artist = ReadEdit(kArtist, kTextLimit);
  m_album = ReadEdit(kAlbum, kTextLimit);
  m_years = ReadEdit(kYears, kYearsLimit);
  m_genre.Empty();
  const int entry = GenreList()->GetCurSel();
  if (entry > 0 && entry < static_cast<int>(m_genres.size())) m_genre = m_genres[static_cast<size_t>(entry)];
  EndDialog(IDOK);
}
