#include "recorder/PlaylistEditDlg.h"

#include "dblib/QHDb.h"
#include "platform/ui/MessageBox.h"
#include "recorder/HtmlReport.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongCriteria.h"

namespace {
constexpr UINT kRows = 1180, kRunningTime = 1198, kSongText = 1080, kArtistText = 1014, kAlbumText = 1032,
               kGenreList = 1187, kPicks = 1181, kPickCount = 1199, kAdd = 1189, kDelete = 1190, kReportKind = 1095;

CString PickText(const tSong& song) {
  CString text;
  text.Format("%s (%s) - %s", song.SongName.GetString(), song.SongArtist.GetString(), song.SongAlbumName.GetString());
  return text;
}
}  // namespace

BEGIN_MESSAGE_MAP(CPlaylistEditDlg, CDialog)
  ON_BN_CLICKED(1092, OnFind)
  ON_LBN_SELCHANGE(1181, OnPickChanged)
  ON_BN_CLICKED(1163, OnSelectAll)
  ON_BN_CLICKED(1197, OnClearAll)
  ON_BN_CLICKED(1189, OnAdd)
  ON_BN_CLICKED(1190, OnDelete)
  ON_BN_CLICKED(1105, OnUp)
  ON_BN_CLICKED(1104, OnDown)
  ON_BN_CLICKED(1213, OnPreviewRow)
  ON_BN_CLICKED(1214, OnPreviewPick)
  ON_BN_CLICKED(1015, OnStopPreview)
  ON_BN_CLICKED(1094, OnPrintReport)
  ON_NOTIFY(LVN_ITEMCHANGED, 1180, OnRowChanged)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CPlaylistEditDlg::CPlaylistEditDlg(tQHDb* db, tStorage* storage, const CString& databaseFolder, CWnd* parent)
    : CDialog(IDD_PLAYLIST_EDIT, parent), m_pDb(db), m_pStorage(storage), m_databaseFolder(databaseFolder) {}

CPlaylistEditDlg::~CPlaylistEditDlg() = default;

void CPlaylistEditDlg::Guarded(const std::function<void()>& work) {
  if (!RunRecorderGuarded(work)) EndDialog(IDCANCEL);
}

BOOL CPlaylistEditDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Guarded([&] {
    SetWindowText(LoadFormatted(m_isNew ? IDS_CREATE_PLAYLIST : IDS_EDIT_PLAYLIST, m_name.GetString()));
    Rows()->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    for (UINT id : {static_cast<UINT>(IDOK), kAdd, kDelete}) GetDlgItem(static_cast<int>(id))->EnableWindow(FALSE);
    const UINT headings[] = {IDS_COL_NAME, IDS_COL_ARTIST, IDS_COL_ALBUM, IDS_COL_GENRE, IDS_COL_LENGTH};
    const int widths[] = {150, 150, 150, 100, 75};
    for (int column = 0; column < 5; ++column)
      Rows()->InsertColumn(column, LoadText(headings[column]), LVCFMT_LEFT, widths[column]);
    FillGenreCombo(m_pDb, static_cast<CComboBox*>(GetDlgItem(kGenreList)), LoadText(IDS_ALL));
    FillReportKinds(static_cast<CComboBox*>(GetDlgItem(kReportKind)));
    if (!m_isNew && m_pDb->OpenPlaylistSongs(m_name)) {
      std::vector<LONG> ids;
      LONG songId = 0;
      SHORT sequence = 0;
      while (m_pDb->NextPlaylistSong(songId, sequence)) ids.push_back(songId);
      m_pDb->ClosePlaylistSongs();
      for (LONG id : ids)
        if (auto song = LoadSongById(m_pDb, m_pStorage, id)) InsertRow(Rows()->GetItemCount(), *song);
    }
    if (Rows()->GetItemCount() > 0) {
      Rows()->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      GetDlgItem(kDelete)->EnableWindow(TRUE);
    }
    ShowRunningTime();
    ShowPickCount();
    m_songsFolder = m_databaseFolder + "\\Songs";
    SetDefID(1092);  // Enter runs the finder
    GotoDlgCtrl(GetDlgItem(kSongText));
  });
  return FALSE;
}

void CPlaylistEditDlg::InsertRow(int index, const tSong& song) {
  int row = Rows()->InsertItem(index, song.SongName);
  Rows()->SetItemText(row, 1, song.SongArtist);
  Rows()->SetItemText(row, 2, song.SongAlbumName);
  Rows()->SetItemText(row, 3, song.SongPrimaryGenre);
  Rows()->SetItemText(row, 4, song.SongLength);
  Rows()->SetItemData(row, static_cast<DWORD_PTR>(song.SongID));
  m_totalMs += SongLengthMilliseconds(song.SongLength);
}

CString CPlaylistEditDlg::GetRunningTimeText() const { return FormatRunningTime(m_totalMs); }

void CPlaylistEditDlg::ShowRunningTime() { SetDlgItemText(kRunningTime, "TRT: " + GetRunningTimeText()); }

void CPlaylistEditDlg::ShowPickCount() {
  int selected = Picks()->GetSelCount();
  SetDlgItemText(kPickCount, LoadFormatted(IDS_SONGS_SELECTED, selected < 0 ? 0 : selected));
  GetDlgItem(kAdd)->EnableWindow(selected > 0);
}

void CPlaylistEditDlg::MarkChanged() {
  m_changed = true;
  GetDlgItem(IDOK)->EnableWindow(TRUE);
}

void CPlaylistEditDlg::ClearPicks() {
  for (int index = 0; index < Picks()->GetCount(); ++index)
    delete reinterpret_cast<tSong*>(Picks()->GetItemData(index));
  Picks()->ResetContent();
}

void CPlaylistEditDlg::OnFind() {
  Guarded([&] {
    CString song, artist, album, genre;
    GetDlgItemText(kSongText, song);
    GetDlgItemText(kArtistText, artist);
    GetDlgItemText(kAlbumText, album);
    GetDlgItemText(kGenreList, genre);
    CString where = BuildFinderWhere(song, genre, artist, album);
    bool byGenre = !genre.IsEmpty() && genre != LoadText(IDS_ALL);
    int opened = byGenre ? m_pDb->OpenSongListByPrimaryGenre(where, " Order By SongAlbumName ")
                         : m_pDb->OpenSongList(where + " Order By SongAlbumName ");
    ClearPicks();
    if (opened) {
      while (true) {
        auto record = std::make_unique<tSong>();
        record->Attach(m_pDb, m_pStorage);
        if (m_pDb->NextSong(record.get()) < 1) break;
        int item = Picks()->AddString(PickText(*record));
        Picks()->SetItemData(item, reinterpret_cast<DWORD_PTR>(record.release()));
      }
      m_pDb->CloseSongList();
    }
    if (Picks()->GetCount() > 0) Picks()->SetFocus();
    ShowPickCount();
  });
}

void CPlaylistEditDlg::OnPickChanged() { ShowPickCount(); }

void CPlaylistEditDlg::OnSelectAll() {
  if (Picks()->GetCount() > 0) Picks()->SelItemRange(TRUE, 0, Picks()->GetCount() - 1);
  ShowPickCount();
}

void CPlaylistEditDlg::OnClearAll() {
  if (Picks()->GetCount() > 0) Picks()->SelItemRange(FALSE, 0, Picks()->GetCount() - 1);
  ShowPickCount();
}

void CPlaylistEditDlg::OnAdd() {
  int at = Rows()->GetNextItem(-1, LVNI_SELECTED);
  at = at < 0 ? Rows()->GetItemCount() : at + 1;
  for (int index = 0; index < Picks()->GetCount(); ++index) {
    if (Picks()->GetSel(index) <= 0) continue;
    InsertRow(at++, *reinterpret_cast<tSong*>(Picks()->GetItemData(index)));
  }
  ShowRunningTime();
  OnClearAll();
  MarkChanged();
}

void CPlaylistEditDlg::OnDelete() {
  int row = Rows()->GetNextItem(-1, LVNI_SELECTED);
  if (row < 0) return;
  m_totalMs -= SongLengthMilliseconds(Rows()->GetItemText(row, 4));
  Rows()->DeleteItem(row);
  ShowRunningTime();
  MarkChanged();
  GetDlgItem(kDelete)->EnableWindow(Rows()->GetNextItem(-1, LVNI_SELECTED) >= 0);
}

void CPlaylistEditDlg::SwapRows(int first, int second) {
  for (int column = 0; column < 5; ++column) {
    CString a = Rows()->GetItemText(first, column), b = Rows()->GetItemText(second, column);
    Rows()->SetItemText(first, column, b);
    Rows()->SetItemText(second, column, a);
  }
  DWORD_PTR a = Rows()->GetItemData(first), b = Rows()->GetItemData(second);
  Rows()->SetItemData(first, b);
  Rows()->SetItemData(second, a);
  Rows()->SetItemState(second, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Rows()->EnsureVisible(second, FALSE);
  MarkChanged();
}

void CPlaylistEditDlg::OnUp() {
  int row = Rows()->GetNextItem(-1, LVNI_SELECTED);
  if (row > 0) SwapRows(row, row - 1);
}

void CPlaylistEditDlg::OnDown() {
  int row = Rows()->GetNextItem(-1, LVNI_SELECTED);
  if (row >= 0 && row + 1 < Rows()->GetItemCount()) SwapRows(row, row + 1);
}

void CPlaylistEditDlg::OnRowChanged(NMHDR*, LRESULT* result) {
  *result = 0;
  GetDlgItem(kDelete)->EnableWindow(Rows()->GetNextItem(-1, LVNI_SELECTED) >= 0);
}

void CPlaylistEditDlg::OnPreviewRow() {
  Guarded([&] {
    int row = Rows()->GetNextItem(-1, LVNI_SELECTED);
    if (row < 0) return;
    if (auto song = LoadSongById(m_pDb, m_pStorage, static_cast<LONG>(Rows()->GetItemData(row))))
      m_preview.Play(*song, this);
  });
}

void CPlaylistEditDlg::OnPreviewPick() {
  Guarded([&] {
    int caret = Picks()->GetCaretIndex();
    if (caret < 0 || caret >= Picks()->GetCount()) return;
    m_preview.Play(*reinterpret_cast<tSong*>(Picks()->GetItemData(caret)), this);
  });
}

void CPlaylistEditDlg::OnStopPreview() { m_preview.Stop(); }

void CPlaylistEditDlg::OnOK() {
  m_preview.Stop();
  // The playlist is written whole or not at all: a failure part way leaves the rows as they were.
  bool written = false;
  bool handled = RunRecorderGuarded([&] {
    if (m_pDb->BeginTrans() <= 0) return;
    written = m_isNew || m_pDb->DeletePlaylistDetail(m_name) >= 0;
    for (int row = 0; written && row < Rows()->GetItemCount(); ++row) {
      LONG songId = static_cast<LONG>(Rows()->GetItemData(row));
      int result = (row == 0 && m_isNew) ? m_pDb->AddSongToPlaylist(m_name, songId)
                                         : m_pDb->AppendPlaylistSong(m_name, songId);
      written = result > 0;
    }
    if (written) written = m_pDb->CommitTrans() > 0;
  });
  if (!written) {
    if (m_pDb->IsInTransaction()) m_pDb->Rollback();
    if (handled) {
      CString text;
      LONG code = m_pDb->GetLastError(text);
      CString message;
      message.Format("The playlist could not be saved; it was left as it was. Error message: %s (Code %ld).",
                     text.GetString(), static_cast<long>(code));
      AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    }
    EndDialog(IDCANCEL);
    return;
  }
  EndDialog(IDOK);
}

void CPlaylistEditDlg::OnCancel() {
  if (m_changed && AfxMessageBox(IDS_PLAYLIST_ABORT_ASK, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  m_preview.Stop();
  EndDialog(IDCANCEL);
}

void CPlaylistEditDlg::OnPrintReport() {
  Guarded([&] {
    tReportRequest request;
    request.kind = static_cast<CComboBox*>(GetDlgItem(kReportKind))->GetCurSel() == 1 ? ReportKind::Detail
                                                                                         : ReportKind::Summary;
    request.title.Format("Report for playlist %s", m_name.GetString());
    request.secondHeading = GetRunningTimeText();
    request.playlist = true;
    std::vector<std::unique_ptr<tSong>> songs;
    std::vector<tSong*> order;
    for (int row = 0; row < Rows()->GetItemCount(); ++row) {
      if (auto song = LoadSongById(m_pDb, m_pStorage, static_cast<LONG>(Rows()->GetItemData(row)))) {
        order.push_back(song.get());
        songs.push_back(std::move(song));
      }
    }
    CString path = ReportFilePath(m_databaseFolder);
    if (CHtmlReport(request).Write(path, order)) OpenReport(path, m_databaseFolder);
  });
}

void CPlaylistEditDlg::OnDestroy() {
  m_preview.Stop();
  ClearPicks();
  CDialog::OnDestroy();
}
