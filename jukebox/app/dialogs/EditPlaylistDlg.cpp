#include "jukebox/app/dialogs/EditPlaylistDlg.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/LibraryEdits.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr UINT kCaption = 61294, kSongNameHeading = 61221, kArtistHeading = 61222, kGenreHeading = 61223,
               kLengthHeading = 61293, kSaveQuestion = 61295, kOutOfMemory = 61217;
constexpr int kColumns = 4, kLengthColumn = 3;

long NumberPart(const CString& text, int start, int count) {
  if (text.GetLength() < start + count) return 0;
  long value = 0;
  for (int i = start; i < start + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}
}  // namespace

long SongLengthToMilliseconds(const CString& length) {
  return NumberPart(length, 6, 3) + (NumberPart(length, 3, 2) + NumberPart(length, 0, 2) * 60) * 1000;
}

CString FormatTotalRunningTime(unsigned long milliseconds) {
  const unsigned long hours = milliseconds / 3600000;
  const unsigned long minutes = milliseconds % 3600000 / 60000;
  const unsigned long seconds = milliseconds % 60000 / 1000;
  CString text;
  text.Format("Total Running Time: %02d:%02d:%02d", static_cast<int>(hours), static_cast<int>(minutes),
              static_cast<int>(seconds));
  return text;
}

BEGIN_MESSAGE_MAP(CEditPlaylistDlg, CDialog)
  ON_BN_CLICKED(CEditPlaylistDlg::kMoveUp, OnMoveUp)
  ON_BN_CLICKED(CEditPlaylistDlg::kMoveDown, OnMoveDown)
  ON_BN_CLICKED(CEditPlaylistDlg::kDelete, OnDelete)
END_MESSAGE_MAP()

CEditPlaylistDlg::CEditPlaylistDlg(tQHDb* database, tStorage* storage, CWnd* parent)
    : CDialog(IDD, parent), m_database(database), m_storage(storage) {}

void CEditPlaylistDlg::Guarded(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    AfxMessageBox(jukebox::LoadText(kOutOfMemory), MB_OK | MB_ICONEXCLAMATION);
  }
}

BOOL CEditPlaylistDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  BOOL focusLeft = TRUE;
  Guarded([&] {
    SetWindowText(jukebox::FormatText(kCaption, m_playlistName.GetString()));
    List()->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    const UINT headings[kColumns] = {kSongNameHeading, kArtistHeading, kGenreHeading, kLengthHeading};
    const int widths[kColumns] = {150, 150, 100, 75};
    for (int column = 0; column < kColumns; ++column)
      List()->InsertColumn(column, jukebox::LoadText(headings[column]), LVCFMT_LEFT, widths[column]);
    LoadSongs();
    if (List()->GetItemCount() > 0) focusLeft = FALSE;
  });
  return focusLeft;
}

void CEditPlaylistDlg::LoadSongs() {
  List()->DeleteAllItems();
  m_totalMs = 0;
  std::vector<LONG> songIds;
  if (m_database != nullptr && m_database->OpenPlaylistSongs(m_playlistName)) {
    LONG songId = 0;
    SHORT sequence = 0;
    while (m_database->NextPlaylistSong(songId, sequence) > 0) songIds.push_back(songId);
    m_database->ClosePlaylistSongs();
  }
  tSong song;
  song.Attach(m_database, m_storage);
  for (LONG songId : songIds) {
    if (song.LoadById(songId) != 1) continue;
    const int item = List()->InsertItem(List()->GetItemCount(), song.SongName);
    List()->SetItemData(item, static_cast<DWORD_PTR>(songId));
    List()->SetItemText(item, 1, song.SongArtist);
    List()->SetItemText(item, 2, song.SongPrimaryGenre);
    List()->SetItemText(item, kLengthColumn, song.SongLength);
    m_totalMs += static_cast<unsigned long>(SongLengthToMilliseconds(song.SongLength));
  }
  if (List()->GetItemCount() > 0) {
    List()->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    GotoDlgCtrl(List());
    ShowTotal();
  }
}

void CEditPlaylistDlg::ShowTotal() { SetDlgItemText(kTotal, FormatTotalRunningTime(m_totalMs)); }

void CEditPlaylistDlg::MarkModified() {
  m_modified = 1;
  GetDlgItem(IDOK)->EnableWindow(TRUE);
}

int CEditPlaylistDlg::FirstSelected() const { return List()->GetNextItem(-1, LVNI_SELECTED); }

void CEditPlaylistDlg::OnDelete() {
  Guarded([&] {
    const int item = FirstSelected();
    if (item < 0) return;
    const unsigned long length =
        static_cast<unsigned long>(SongLengthToMilliseconds(List()->GetItemText(item, kLengthColumn)));
    m_totalMs = length > m_totalMs ? 0 : m_totalMs - length;
    List()->DeleteItem(item);
    ShowTotal();
    MarkModified();
  });
}

void CEditPlaylistDlg::SwapWithNeighbour(int step) {
  Guarded([&] {
    const int item = FirstSelected();
    const int other = item + step;
    if (item < 0 || other < 0 || other >= List()->GetItemCount()) return;
    for (int column = 0; column < kColumns; ++column) {
      const CString mine = List()->GetItemText(item, column), theirs = List()->GetItemText(other, column);
      List()->SetItemText(item, column, theirs);
      List()->SetItemText(other, column, mine);
    }
    const DWORD_PTR mine = List()->GetItemData(item), theirs = List()->GetItemData(other);
    List()->SetItemData(item, theirs);
    List()->SetItemData(other, mine);
    List()->SetItemState(item, 0, LVIS_SELECTED | LVIS_FOCUSED);
    List()->SetItemState(other, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    List()->EnsureVisible(other, FALSE);
    MarkModified();
  });
}

void CEditPlaylistDlg::OnMoveUp() { SwapWithNeighbour(-1); }
void CEditPlaylistDlg::OnMoveDown() { SwapWithNeighbour(1); }

bool CEditPlaylistDlg::Save() {
  std::vector<LONG> songIds;
  for (int item = 0; item < List()->GetItemCount(); ++item)
    songIds.push_back(static_cast<LONG>(List()->GetItemData(item)));
  if (m_database != nullptr && RewritePlaylist(*m_database, m_playlistName, songIds)) return true;
  // The rewrite is one transaction, so the stored playlist is still the old one.
  CString text;
  text.Format("The playlist %s could not be saved; it keeps its previous songs.", m_playlistName.GetString());
  if (CJukeboxServices* services = JukeboxServices())
    services->LogEvent("E", "EditPlaylist", text);
  else
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

void CEditPlaylistDlg::OnOK() {
  Guarded([&] {
    Save();
    EndDialog(IDOK);
  });
}

void CEditPlaylistDlg::OnCancel() {
  Guarded([&] {
    if (m_modified &&
        AfxMessageBox(jukebox::LoadText(kSaveQuestion), MB_YESNO | MB_ICONQUESTION) == IDYES)
      Save();
    EndDialog(IDCANCEL);
  });
}
