#include "jukebox/app/dialogs/SongInformationDlg.h"

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxIds.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr UINT kNameRequired = 61249, kArtistRequired = 61250;
}

CSongInformationDlg::CSongInformationDlg(tQHDb* database, CWnd* parent) : CDialog(IDD, parent), m_database(database) {}

BOOL CSongInformationDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  FillTypes();
  GetDlgItem(kDoNotCompress)->EnableWindow(m_offerDoNotCompress);
  return TRUE;
}

void CSongInformationDlg::FillTypes() {
  int remembered = -1;
  if (m_database != nullptr && m_database->OpenSongTypes(nullptr) > 0) {
    CString code, description;
    SHORT minBpm = 0, maxBpm = 0;
    LONG reserved = 0;
    while (m_database->NextSongType(code, description, minBpm, maxBpm, reserved) > 0) {
      const int entry = Types()->AddString(code);
      if (remembered < 0 && code.CompareNoCase(m_currentType) == 0) remembered = entry;
    }
    m_database->CloseSongTypes();
  }
  if (remembered >= 0)
    Types()->SetCurSel(remembered);
  else if (Types()->GetCount() > 0)
    Types()->SetCurSel(0);
}

void CSongInformationDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, kName, m_name);
  DDV_MaxChars(dx, m_name, kNameLimit);
  DDX_Text(dx, kArtist, m_artist);
  DDV_MaxChars(dx, m_artist, kArtistLimit);
  DDX_Text(dx, kAlbum, m_album);
  DDV_MaxChars(dx, m_album, kAlbumLimit);
  DDX_Text(dx, kNotes, m_notes);
  DDV_MaxChars(dx, m_notes, kNotesLimit);
  if (dx->m_bSaveAndValidate) {
    DDX_CBString(dx, kType, m_type);
    DDV_MaxChars(dx, m_type, kTypeLimit);
  }
  DDX_DateTimeCtrl(dx, kDate, m_date);
  DDX_Check(dx, kDoNotCompress, m_doNotCompress);
}

bool CSongInformationDlg::Require(int id, UINT message) {
  CString text;
  GetDlgItemText(id, text);
  if (!text.IsEmpty()) return true;
  AfxMessageBox(jukebox::LoadText(message), MB_OK | MB_ICONEXCLAMATION);
  GotoDlgCtrl(GetDlgItem(id));
  return false;
}

void CSongInformationDlg::OnOK() {
  if (!Require(kName, kNameRequired) || !Require(kArtist, kArtistRequired)) return;
  CDialog::OnOK();
}
