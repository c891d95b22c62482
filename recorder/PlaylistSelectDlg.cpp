#include "recorder/PlaylistSelectDlg.h"

#include "dblib/QHDb.h"
#include "platform/ui/MessageBox.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongCriteria.h"

namespace {
constexpr UINT kNames = 1193, kNewName = 1245, kCreate = 1092;
constexpr UINT kMemberOf = 1243, kAvailable = 1242, kSongText = 1013, kGenreText = 1244;
}  // namespace

BEGIN_MESSAGE_MAP(CPlaylistSelectDlg, CDialog)
  ON_BN_CLICKED(1046, OnEdit)
  ON_BN_CLICKED(1052, OnDelete)
  ON_BN_CLICKED(1092, OnCreate)
  ON_EN_CHANGE(1245, OnNameChanged)
END_MESSAGE_MAP()

CPlaylistSelectDlg::CPlaylistSelectDlg(tQHDb* db, CWnd* parent) : CDialog(IDD_PLAYLIST_SELECT, parent), m_pDb(db) {}

BOOL CPlaylistSelectDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!RunRecorderGuarded([&] {
        if (m_pDb->OpenPlaylistNames()) {
          CString name;
          while (m_pDb->NextPlaylistName(name)) Names()->AddString(name);
          m_pDb->ClosePlaylistNames();
        }
        if (Names()->GetCount() > 0) Names()->SetCurSel(0);
        GetDlgItem(kCreate)->EnableWindow(FALSE);
      }))
    EndDialog(IDCANCEL);
  return TRUE;
}

void CPlaylistSelectDlg::OnNameChanged() {
  CString name;
  GetDlgItemText(kNewName, name);
  GetDlgItem(kCreate)->EnableWindow(!name.IsEmpty());
}

void CPlaylistSelectDlg::OnEdit() {
  int selected = Names()->GetCurSel();
  if (selected < 0) return;
  Names()->GetLBText(selected, m_choice);
  m_isNew = FALSE;
  EndDialog(IDOK);
}

void CPlaylistSelectDlg::OnDelete() {
  int selected = Names()->GetCurSel();
  if (selected < 0) return;
  CString name;
  Names()->GetLBText(selected, name);
  if (AfxMessageBox(LoadFormatted(IDS_PLAYLIST_DELETE_ASK, name.GetString()), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
      IDYES)
    return;
  // Deleted or not, the selection closes without opening the editor.
  RunRecorderGuarded([&] { m_pDb->DeletePlaylist(name); });
  EndDialog(IDCANCEL);
}

void CPlaylistSelectDlg::OnCreate() {
  CString name;
  GetDlgItemText(kNewName, name);
  auto refuse = [this](const CString& text) {
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(GetDlgItem(kNewName));
  };
  if (name.IsEmpty()) return refuse(LoadText(IDS_REQUIRED));
  if (HasForbiddenCharacter(name)) return refuse(LoadText(IDS_BAD_CHARACTERS));
  if (Names()->FindStringExact(-1, name) >= 0) return refuse(LoadFormatted(IDS_PLAYLIST_EXISTS, name.GetString()));
  m_choice = name;
  m_isNew = TRUE;
  EndDialog(IDOK);
}

BEGIN_MESSAGE_MAP(CSongPlaylistsDlg, CDialog)
  ON_BN_CLICKED(1189, OnAdd)
  ON_BN_CLICKED(1190, OnRemove)
  ON_LBN_DBLCLK(1242, OnAdd)
  ON_LBN_DBLCLK(1243, OnRemove)
END_MESSAGE_MAP()

CSongPlaylistsDlg::CSongPlaylistsDlg(CWnd* parent) : CDialog(IDD_SONG_PLAYLISTS, parent) {}

BOOL CSongPlaylistsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  auto* members = static_cast<CListBox*>(GetDlgItem(kMemberOf));
  auto* available = static_cast<CListBox*>(GetDlgItem(kAvailable));
  for (INT_PTR index = 0; index < m_members.GetSize(); ++index) members->AddString(m_members[index]);
  for (INT_PTR index = 0; index < m_all.GetSize(); ++index) {
    bool member = false;
    for (INT_PTR j = 0; j < m_members.GetSize() && !member; ++j) member = m_members[j] == m_all[index];
    if (!member) available->AddString(m_all[index]);
  }
  SetDlgItemText(kSongText, m_heading);
  SetDlgItemText(kGenreText, m_genre);
  CString caption;
  if (m_readOnly) {
    for (UINT id : {1189u, 1190u, static_cast<UINT>(IDOK)}) GetDlgItem(static_cast<int>(id))->EnableWindow(FALSE);
    caption.Format("View playlists for song %ld (READ-ONLY)", static_cast<long>(m_songId));
  } else {
    caption.Format("Choose playlists for song %ld", static_cast<long>(m_songId));
  }
  SetWindowText(caption);
  return TRUE;
}

void CSongPlaylistsDlg::Move(UINT fromId, UINT toId) {
  if (m_readOnly) return;
  auto* from = static_cast<CListBox*>(GetDlgItem(fromId));
  auto* to = static_cast<CListBox*>(GetDlgItem(toId));
  for (int index = from->GetCount() - 1; index >= 0; --index) {
    if (from->GetSel(index) <= 0) continue;
    CString text;
    from->GetText(index, text);
    to->AddString(text);
    from->DeleteString(static_cast<UINT>(index));
  }
}

void CSongPlaylistsDlg::OnAdd() { Move(kAvailable, kMemberOf); }
void CSongPlaylistsDlg::OnRemove() { Move(kMemberOf, kAvailable); }

void CSongPlaylistsDlg::OnOK() {
  if (m_readOnly) return;
  auto* members = static_cast<CListBox*>(GetDlgItem(kMemberOf));
  m_members.RemoveAll();
  for (int index = 0; index < members->GetCount(); ++index) {
    CString text;
    members->GetText(index, text);
    m_members.Add(text);
  }
  EndDialog(IDOK);
}
