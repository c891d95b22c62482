#include "recorder/capture/AlbumDialogs.h"

#include <mutex>

#include "platform/ui/AfxControls.h"

namespace {

constexpr UINT kAlbumList = 1262;
constexpr UINT kSongList = 1041;

const char* const kTemplates = R"QHDLG(
DIALOG 211 "Choose which album to use" 0 0 260 130 STYLE 0x80C80000
  CONTROL 65535 Static "This CD matches several albums. Choose one:" 0x50000000 8 8 244 10
  CONTROL 1262 ListBox "" 0x50A10001 8 22 244 82
  CONTROL 1 Button "OK" 0x50010001 202 110 50 14
END

DIALOG 221 "Existing songs from this album" 0 0 260 150 STYLE 0x80C80000
  CONTROL 65535 Static "These songs from this CD are already in the song database:" 0x50000000 8 8 244 10
  CONTROL 1041 ListBox "" 0x50A10001 8 22 244 102
  CONTROL 1 Button "OK" 0x50010001 202 130 50 14
END
)QHDLG";

}  // namespace

bool RegisterCaptureDialogs(std::string* error) {
  static std::once_flag once;
  static bool loaded = false;
  static std::string failure;
  std::call_once(once, [] { loaded = qh::ui::LoadDialogTemplates(kTemplates, &failure); });
  if (!loaded && error != nullptr) *error = failure;
  return loaded;
}

CChooseAlbumDlg::CChooseAlbumDlg(CWnd* parent) : CDialog(IDD_CHOOSE_ALBUM, parent) { RegisterCaptureDialogs(); }

BOOL CChooseAlbumDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  auto* list = static_cast<CListBox*>(GetDlgItem(kAlbumList));
  for (const CString& album : m_albums) list->AddString(album);
  if (!m_albums.empty()) list->SetCurSel(0);
  return TRUE;
}

void CChooseAlbumDlg::OnOK() {
  auto* list = static_cast<CListBox*>(GetDlgItem(kAlbumList));
  int selected = list->GetCurSel();
  if (selected >= 0) list->GetText(selected, m_choice);
  CDialog::OnOK();
}

CSongsFromAlbumDlg::CSongsFromAlbumDlg(CWnd* parent) : CDialog(IDD_SONGS_FROM_ALBUM, parent) {
  RegisterCaptureDialogs();
}

BOOL CSongsFromAlbumDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  auto* list = static_cast<CListBox*>(GetDlgItem(kSongList));
  for (const CString& song : m_songs) list->AddString(song);
  return TRUE;
}

int RunChooseAlbum(CWnd* parent, const std::vector<CString>& lines) {
  CChooseAlbumDlg dialog(parent);
  dialog.m_albums = lines;
  if (dialog.DoModal() != IDOK) return -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == dialog.m_choice) return static_cast<int>(i);
  }
  return -1;
}
