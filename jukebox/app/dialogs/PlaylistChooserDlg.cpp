#include "jukebox/app/dialogs/PlaylistChooserDlg.h"

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxIds.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr UINT kSelectAnItem = 61288;
constexpr int kPlaylistSizes = 6;
}  // namespace

BEGIN_MESSAGE_MAP(CPlaylistChooserDlg, CRemoteChooserDlg)
  ON_LBN_DBLCLK(CPlaylistChooserDlg::kList, OnOK)
END_MESSAGE_MAP()

CPlaylistChooserDlg::CPlaylistChooserDlg(tQHDb* database, CWnd* parent)
    : CRemoteChooserDlg(IDD, parent), m_database(database) {}

BOOL CPlaylistChooserDlg::OnInitDialog() {
  CRemoteChooserDlg::OnInitDialog();
  m_names.clear();
  if (m_database != nullptr) {
    if (m_database->OpenCategoryCounts(kPlaylistSizes, nullptr) >= 0) {
      CString name, line;
      LONG count = 0;
      while (m_database->NextCategoryCount(name, count) > 0) {
        line.Format("%s - (%ld Songs)", name.GetString(), count);
        List()->AddString(line);
        m_names.push_back(name);
      }
    }
    // The sizes come from the grouped counts, so that is the recordset to close.
    m_database->CloseCategoryCounts();
  }
  if (!m_names.empty()) {
    List()->SetCurSel(0);
    GotoDlgCtrl(List());
    return FALSE;
  }
  return TRUE;
}

void CPlaylistChooserDlg::OnOK() {
  const int row = List()->GetCurSel();
  if (row < 0 || row >= static_cast<int>(m_names.size())) {
    AfxMessageBox(jukebox::LoadText(kSelectAnItem), MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(List());
    return;
  }
  List()->GetText(row, m_listText);
  m_result = m_names[static_cast<size_t>(row)];
  EndDialog(IDOK);
}

void CPlaylistChooserDlg::OnRemoteKey(int key) {
  switch (key) {
    case kKeyUp: StepSelection(kList, -1); break;
    case kKeyDown: StepSelection(kList, 1); break;
    case kKeyExit: EndDialog(IDCANCEL); break;
    case kKeySelect: OnOK(); break;
    default: break;  // left and right do nothing here
  }
}
