#include "recorder/ImportDlg.h"

#include "platform/ui/AfxControls.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongPicks.h"

BEGIN_MESSAGE_MAP(CImportDlg, CDialog)
  ON_BN_CLICKED(CImportDlg::kImportButton, OnImport)
  ON_BN_CLICKED(CImportDlg::kIndexButton, OnIndex)
END_MESSAGE_MAP()

CImportDlg::CImportDlg(tQHDb* db, CWnd* parent) : CDialog(IDD_IMPORT, parent), m_pDb(db) {}

BOOL CImportDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // "*ALL*" first and chosen: no genre unless the user picks one.
  FillGenreCombo(m_pDb, static_cast<CComboBox*>(GetDlgItem(kGenre)), LoadText(IDS_ALL));
  return TRUE;
}

void CImportDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, kArtist, m_artist);
  DDV_MaxChars(dx, m_artist, kTextLimit);
  DDX_Text(dx, kAlbum, m_album);
  DDV_MaxChars(dx, m_album, kTextLimit);
}

void CImportDlg::Choose(int mode) {
  m_mode = mode;
  auto* genres = static_cast<CComboBox*>(GetDlgItem(kGenre));
  m_genre.Empty();
  const int chosen = genres->GetCurSel();
  if (chosen >= 0) genres->GetLBText(chosen, m_genre);
  if (m_genre == LoadText(IDS_ALL)) m_genre.Empty();
  if (!UpdateData(TRUE)) return;  // a field too long: the dialog stays, the field has the focus
  EndDialog(IDOK);
}

void CImportDlg::OnImport() { Choose(kImport); }
void CImportDlg::OnIndex() { Choose(kIndex); }
