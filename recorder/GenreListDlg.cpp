#include "recorder/GenreListDlg.h"

#include <algorithm>

#include "dblib/QHDb.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongCriteria.h"

namespace {
constexpr UINT kList = 1028, kNewButton = 1050, kEditButton = 1046, kDeleteButton = 1052;
constexpr UINT kCode = 1053, kDescription = 1054, kMinBpm = 1206, kMaxBpm = 1207, kMinSpin = 1204, kMaxSpin = 1205;
// A genre code is as wide as the SongType column, so that every default genre name fits.
constexpr int kGenreCodeWidth = 30;

struct GenreRow {
  CString code, description;
  SHORT minBpm = 50, maxBpm = 200;
};
}  // namespace

BEGIN_MESSAGE_MAP(CGenreListDlg, CDialog)
  ON_BN_CLICKED(1050, OnNew)
  ON_BN_CLICKED(1046, OnEdit)
  ON_BN_CLICKED(1052, OnDelete)
  ON_NOTIFY(LVN_ITEMCHANGED, 1028, OnItemChanged)
  ON_NOTIFY(NM_DBLCLK, 1028, OnDoubleClick)
END_MESSAGE_MAP()

CGenreListDlg::CGenreListDlg(tQHDb* db, CWnd* parent) : CDialog(IDD_GENRE_LIST, parent), m_pDb(db) {}

void CGenreListDlg::Guarded(const std::function<void()>& work) {
  if (!RunRecorderGuarded(work)) EndDialog(IDCANCEL);
}

BOOL CGenreListDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Guarded([&] {
    List()->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    List()->InsertColumn(0, LoadText(IDS_COL_GENRE_CODE), LVCFMT_LEFT, 150);
    List()->InsertColumn(1, LoadText(IDS_COL_GENRE_DESC), LVCFMT_LEFT, 150);
    List()->InsertColumn(2, LoadText(IDS_COL_RESERVED), LVCFMT_RIGHT, 75);
    FillGenreList();
  });
  return TRUE;
}

void CGenreListDlg::FillGenreList() {
  CListCtrl* list = List();
  list->DeleteAllItems();
  if (!m_pDb->OpenSongTypes("")) return;
  while (true) {
    // Every row starts empty, so a Null description never repeats the row above.
    CString code, description;
    SHORT minBpm = 0, maxBpm = 0;
    LONG reserved = 0;
    if (!m_pDb->NextSongType(code, description, minBpm, maxBpm, reserved)) break;
    int row = list->InsertItem(list->GetItemCount(), code);
    list->SetItemText(row, 1, description);
    list->SetItemText(row, 2, reserved ? "Reserved" : "User");
    list->SetItemData(row, reserved ? 1 : 0);
  }
  m_pDb->CloseSongTypes();
}

void CGenreListDlg::OnItemChanged(NMHDR* header, LRESULT* result) {
  auto* change = reinterpret_cast<NMLISTVIEW*>(header);
  *result = 0;
  bool userRowSelected = (change->uChanged & LVIF_STATE) != 0 && (change->uNewState & LVIS_SELECTED) != 0 &&
                         List()->GetItemData(change->iItem) == 0;
  if ((change->uChanged & LVIF_STATE) != 0 && (change->uNewState & LVIS_SELECTED) == 0 &&
      (change->uOldState & LVIS_SELECTED) == 0)
    return;
  GetDlgItem(kEditButton)->EnableWindow(userRowSelected);
  GetDlgItem(kDeleteButton)->EnableWindow(userRowSelected);
}

void CGenreListDlg::OnNew() { Guarded([&] { DoGenreAction(-1, kNew); }); }

void CGenreListDlg::OnEdit() {
  Guarded([&] {
    int row = List()->GetNextItem(-1, LVNI_SELECTED);
    if (row >= 0) DoGenreAction(row, kEdit);
  });
}

void CGenreListDlg::OnDoubleClick(NMHDR*, LRESULT* result) {
  *result = 0;
  OnEdit();
}

void CGenreListDlg::OnDelete() {
  Guarded([&] {
    int row = List()->GetNextItem(-1, LVNI_SELECTED);
    if (row >= 0) DoGenreAction(row, kDelete);
  });
}

void CGenreListDlg::DoGenreAction(int row, int action) {
  CString code = row >= 0 ? List()->GetItemText(row, 0) : CString();
  if (action == kDelete) {
    CString text;
    if (List()->GetItemData(row) != 0) {
      AfxFormatString1(text, IDS_GENRE_RESERVED, code);
      AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    AfxFormatString1(text, IDS_GENRE_DELETE_ASK, code);
    if (AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    m_pDb->DeleteSongType(code);
    FillGenreList();
    return;
  }
  CGenreEditDlg editor(this);
  editor.SetMode(action == kNew ? CGenreEditDlg::kNewMode : CGenreEditDlg::kEditMode);
  if (action == kEdit) {
    editor.m_code = code;
    editor.m_description = List()->GetItemText(row, 1);
    // The edit starts from the stored range, so saving a new description keeps it.
    if (m_pDb->OpenSongTypes(code)) {
      CString storedCode, description;
      SHORT minBpm = 50, maxBpm = 200;
      LONG reserved = 0;
      if (m_pDb->NextSongType(storedCode, description, minBpm, maxBpm, reserved)) {
        editor.m_minBpm = minBpm;
        editor.m_maxBpm = maxBpm;
      }
      m_pDb->CloseSongTypes();
    }
  }
  if (editor.DoModal() != IDOK) return;
  if (action == kNew) {
    if (m_pDb->AddSongType(editor.m_code, editor.m_description, editor.m_minBpm, editor.m_maxBpm) == 0)
      AfxMessageBox(IDS_GENRE_EXISTS, MB_OK | MB_ICONEXCLAMATION);
  } else if (m_pDb->UpdateSongType(editor.m_code, editor.m_description, editor.m_minBpm, editor.m_maxBpm) == 0) {
    AfxMessageBox(IDS_GENRE_MISSING, MB_OK | MB_ICONEXCLAMATION);
  }
  FillGenreList();
}

CGenreEditDlg::CGenreEditDlg(CWnd* parent) : CDialog(IDD_GENRE_EDIT, parent) {}

void CGenreEditDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, kDescription, m_description);
  DDV_MaxChars(dx, m_description, 255);
  DDX_Text(dx, kCode, m_code);
  DDV_MaxChars(dx, m_code, kGenreCodeWidth);
  DDX_Text(dx, kMinBpm, m_minBpm);
  DDV_MinMaxInt(dx, m_minBpm, 50, 200);
  DDX_Text(dx, kMaxBpm, m_maxBpm);
  DDV_MinMaxInt(dx, m_maxBpm, 50, 200);
}

BOOL CGenreEditDlg::OnInitDialog() {
  if (m_mode == kEditMode) {
    m_minBpm = std::clamp(m_minBpm, 50, 200);
    m_maxBpm = std::clamp(m_maxBpm, 50, 200);
  }
  CDialog::OnInitDialog();
  for (UINT spin : {kMinSpin, kMaxSpin}) static_cast<CSpinButtonCtrl*>(GetDlgItem(spin))->SetRange32(50, 200);
  static_cast<CEdit*>(GetDlgItem(kCode))->LimitText(kGenreCodeWidth);
  static_cast<CEdit*>(GetDlgItem(kDescription))->LimitText(255);
  switch (m_mode) {
    case kNewMode: GotoDlgCtrl(GetDlgItem(kCode)); return FALSE;
    case kEditMode:
      static_cast<CEdit*>(GetDlgItem(kCode))->SetReadOnly(TRUE);
      GotoDlgCtrl(GetDlgItem(kDescription));
      return FALSE;
    default:
      for (UINT id : {kCode, kDescription, kMinBpm, kMaxBpm}) static_cast<CEdit*>(GetDlgItem(id))->SetReadOnly(TRUE);
      GotoDlgCtrl(GetDlgItem(IDOK));
      return FALSE;
  }
}

void CGenreEditDlg::OnOK() {
  CString code;
  GetDlgItemText(kCode, code);
  code.Trim();
  if (code.IsEmpty()) {
    AfxMessageBox(IDS_BAD_GENRE_CODE, MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(GetDlgItem(kCode));
    return;
  }
  if (HasForbiddenCharacter(code)) {
    AfxMessageBox(IDS_BAD_CHARACTERS, MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(GetDlgItem(kCode));
    return;
  }
  if (!UpdateData(TRUE)) return;
  m_code = code;
  EndDialog(IDOK);
}
