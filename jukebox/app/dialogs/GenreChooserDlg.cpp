#include "jukebox/app/dialogs/GenreChooserDlg.h"

#include "dblib/QHDb.h"
#include "dblib/TextUtil.h"

BEGIN_MESSAGE_MAP(CGenreChooserDlg, CRemoteChooserDlg)
  ON_COMMAND_RANGE(1005, 1010, OnShortcut)
  ON_BN_CLICKED(CGenreChooserDlg::kSortCheck, OnSortCheck)
END_MESSAGE_MAP()

CGenreChooserDlg::CGenreChooserDlg(tQHDb* database, CWnd* parent)
    : CRemoteChooserDlg(IDD, parent), m_database(database) {}

BOOL CGenreChooserDlg::OnInitDialog() {
  CRemoteChooserDlg::OnInitDialog();
  CheckDlgButton(kSortCheck, m_sortByAlbum ? BST_CHECKED : BST_UNCHECKED);
  FillShortcuts();
  FillGenreList();
  return TRUE;
}

void CGenreChooserDlg::FillShortcuts() {
  m_shortcutGenres.clear();
  if (m_database == nullptr) return;
  if (m_database->OpenCategoryCounts(1, nullptr) >= 0) {
    CString genre, label;
    LONG count = 0;
    // Seven rows at most are read; the seventh only tells that more genres exist.
    for (int row = 0; row < 7 && m_database->NextCategoryCount(genre, count) > 0; ++row) {
      if (row >= static_cast<int>(kShortcuts.size())) continue;
      label.Format("&%d: %s\r\n(%ld Songs)", row + 1, DoubleAmpersands(genre).GetString(), count);
      CWnd* button = GetDlgItem(kShortcuts[static_cast<size_t>(row)]);
      button->SetWindowText(label);
      button->EnableWindow(TRUE);
      m_shortcutGenres.push_back(genre);
    }
  }
  m_database->CloseCategoryCounts();
}

void CGenreChooserDlg::FillGenreList() {
  m_genres.clear();
  if (m_database == nullptr) return;
  if (m_database->OpenCategoryCounts(0, nullptr) >= 0) {
    CString genre, line;
    LONG count = 0;
    while (m_database->NextCategoryCount(genre, count) > 0) {
      line.Format("%s - (%ld Songs)", genre.GetString(), count);
      GenreList()->AddString(line);
      m_genres.push_back(genre);
    }
  }
  m_database->CloseCategoryCounts();
  if (!m_genres.empty()) GenreList()->SetCurSel(0);
}

int CGenreChooserDlg::ShortcutIndex(int controlId) {
  for (size_t index = 0; index < kShortcuts.size(); ++index)
    if (kShortcuts[index] == controlId) return static_cast<int>(index);
  return -1;
}

void CGenreChooserDlg::OnShortcut(UINT id) {
  const int index = ShortcutIndex(static_cast<int>(id));
  if (index < 0 || index >= static_cast<int>(m_shortcutGenres.size())) return;
  m_result = m_shortcutGenres[static_cast<size_t>(index)];
  OnOK();
}

void CGenreChooserDlg::OnSortCheck() { m_sortByAlbum = IsDlgButtonChecked(kSortCheck) == BST_CHECKED; }

void CGenreChooserDlg::OnOK() {
  if (m_result.IsEmpty()) {
    const int entry = GenreList()->GetCurSel();
    if (entry < 0 || entry >= static_cast<int>(m_genres.size())) return;
    m_result = m_genres[static_cast<size_t>(entry)];
    GenreList()->GetLBText(entry, m_comboText);
  }
  EndDialog(IDOK);
}

void CGenreChooserDlg::OnRemoteKey(int key) {
  const int focused = FocusedControlId();
  switch (key) {
    case kKeyUp: StepSelection(kGenreList, -1); break;
    case kKeyDown: StepSelection(kGenreList, 1); break;
    case kKeyLeft: PrevDlgCtrl(); break;
    case kKeyRight:
      if (focused != 0) NextDlgCtrl();
      break;
    case kKeyExit: EndDialog(IDCANCEL); break;
    case kKeySelect:
      if (focused == 0) break;
      if (ShortcutIndex(focused) >= 0) {
        OnShortcut(static_cast<UINT>(focused));
      } else if (focused == kSortCheck) {
        CheckDlgButton(kSortCheck, IsDlgButtonChecked(kSortCheck) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        OnSortCheck();
      } else {
        OnOK();
      }
      break;
    default: break;
  }
}
