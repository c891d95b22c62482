#include "jukebox/app/dialogs/ArtistChooserDlg.h"

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxIds.h"

namespace {
constexpr UINT kArtistCaption = 61406, kAlbumCaption = 61405;

// The letter buttons reach the names that begin with A to Z (either case). "NUM" has all the others:
// digits and punctuation, and also what sorts after Z ("~", "_", accented letters such as the stroked
// O or E acute, letters of other alphabets), which no letter button would show.
bool UnderALetter(const CString& name) {
  const char first = name.IsEmpty() ? '\0' : name[0];
  return (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
}
}  // namespace

BEGIN_MESSAGE_MAP(CArtistChooserDlg, CRemoteChooserDlg)
  ON_COMMAND_RANGE(CArtistChooserDlg::kFirstLetter, CArtistChooserDlg::kNumbers, OnLetter)
  ON_BN_CLICKED(CArtistChooserDlg::kAlbumCheck, OnAlbumCheck)
  ON_LBN_DBLCLK(CArtistChooserDlg::kList, OnOK)
END_MESSAGE_MAP()

CArtistChooserDlg::CArtistChooserDlg(tQHDb* database, CWnd* parent)
    : CRemoteChooserDlg(IDD, parent), m_database(database) {}

BOOL CArtistChooserDlg::OnInitDialog() {
  CRemoteChooserDlg::OnInitDialog();
  SetWindowText(jukebox::LoadText(m_mode == kAlbums ? kAlbumCaption : kArtistCaption));
  CheckDlgButton(kAlbumCheck, m_album ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CArtistChooserDlg::OnLetter(UINT id) {
  m_filter = id == kNumbers ? CString("9") : CString(static_cast<char>('A' + (id - kFirstLetter)));
  Refill();
}

void CArtistChooserDlg::OnAlbumCheck() { m_album = IsDlgButtonChecked(kAlbumCheck) == BST_CHECKED; }

void CArtistChooserDlg::Refill() {
  List()->ResetContent();
  m_names.clear();
  m_rows = 0;
  if (m_database == nullptr) return;
  const bool albums = m_mode == kAlbums;
  const bool others = m_filter == "9";
  if (m_database->OpenCategoryCounts(albums ? 5 : 3, others ? CString("@") : m_filter) >= 0) {
    CString name, artist, line;
    LONG count = 0;
    while (albums ? m_database->NextAlbumArtistCount(name, artist, count) > 0
                  : m_database->NextCategoryCount(name, count) > 0) {
      if (others && UnderALetter(name)) continue;
      if (albums)
        line.Format("%s (%s) - %ld Songs", name.GetString(), artist.GetString(), count);
      else
        line.Format("%s - (%ld Songs)", name.GetString(), count);
      List()->AddString(line);
      m_names.push_back(name);
      ++m_rows;
    }
  }
  m_database->CloseCategoryCounts();
  if (m_rows > 0) {
    List()->SetCurSel(0);
    List()->SetFocus();
  }
}

void CArtistChooserDlg::OnOK() {
  const int row = List()->GetCurSel();
  if (row < 0 || row >= static_cast<int>(m_names.size())) return;
  m_result = m_names[static_cast<size_t>(row)];
  EndDialog(IDOK);
}

void CArtistChooserDlg::OnRemoteKey(int key) {
  switch (key) {
    case kKeyUp: StepSelection(kList, -1); break;
    case kKeyDown: StepSelection(kList, 1); break;
    case kKeyLeft: PrevDlgCtrl(); break;
    case kKeyRight:
      if (FocusedControlId() == kList)
        GotoDlgCtrl(GetDlgItem(kFirstLetter));
      else if (FocusedControlId() != 0)
        NextDlgCtrl();
      break;
    case kKeyExit: EndDialog(IDCANCEL); break;
    case kKeySelect: {
      const int focused = FocusedControlId();
      if (focused == 0) break;
      if (focused >= kFirstLetter && focused <= kNumbers) {
        OnLetter(static_cast<UINT>(focused));
      } else if (focused == kAlbumCheck) {
        CheckDlgButton(kAlbumCheck, IsDlgButtonChecked(kAlbumCheck) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        OnAlbumCheck();
      } else {
        OnOK();
      }
      break;
    }
    default: break;
  }
}
