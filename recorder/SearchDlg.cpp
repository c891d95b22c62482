#include "recorder/SearchDlg.h"

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/FileApi.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/ExportDlg.h"
#include "recorder/HtmlReport.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongCriteria.h"
#include "recorder/SongInfoDlg.h"

namespace {
constexpr UINT kName = 1030, kArtist = 1014, kAlbum = 1032, kLabel = 1025, kAttrib = 1184, kComm = 1015,
               kYears = 1033, kGenre = 1029, kPlaylist = 1193, kRotation = 1031, kSort = 1263, kStatus = 1232,
               kReportKind = 1095, kTitle = 1096;
constexpr const char* kRotations[] = {"*ALL*", "GENERAL", "NEW", "HOT", "WARM", "COLD", "OLD", "CLASSIC", "DON'T PLAY"};

CString Text(CWnd* dialog, UINT id) {
  CString text;
  dialog->GetDlgItemText(static_cast<int>(id), text);
  return text;
}

void SetColumnHeading(CListCtrl* list, int column, const char* heading) {
  LVCOLUMN info{};
  info.mask = LVCF_TEXT;
  info.pszText = const_cast<char*>(heading);
  list->SetColumn(column, &info);
}
}  // namespace

BEGIN_MESSAGE_MAP(CSearchDlg, CDialog)
  ON_BN_CLICKED(1042, OnSearch)
  ON_BN_CLICKED(1230, OnReset)
  ON_BN_CLICKED(1045, OnView)
  ON_BN_CLICKED(1046, OnEdit)
  ON_BN_CLICKED(1153, OnDelete)
  ON_BN_CLICKED(1154, OnExport)
  ON_BN_CLICKED(1012, OnPlay)
  ON_BN_CLICKED(1013, OnStop)
  ON_BN_CLICKED(1094, OnPrint)
  ON_NOTIFY(NM_DBLCLK, 1041, OnDoubleClick)
  ON_NOTIFY(LVN_COLUMNCLICK, 1041, OnColumnClick)
  ON_WM_DESTROY()
  ON_MESSAGE(WM_PREVIEW_EVENT, OnPreviewEvent)
END_MESSAGE_MAP()

CSearchDlg::CSearchDlg(tQHDb* db, tStorage* storage, const CString& databaseFolder, CWnd* parent)
    : CDialog(IDD_SEARCH, parent), m_pDb(db), m_pStorage(storage), m_databaseFolder(databaseFolder) {}

CSearchDlg::~CSearchDlg() = default;

void CSearchDlg::Guarded(const std::function<void()>& work) {
  if (!RunRecorderGuarded(work)) EndDialog(IDCANCEL);
}

tSong* CSearchDlg::GetListedSong(int row) const {
  return row >= 0 && row < static_cast<int>(m_songs.size()) ? m_songs[static_cast<size_t>(row)].get() : nullptr;
}

BOOL CSearchDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Guarded([&] {
    List()->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    const UINT headings[] = {IDS_COL_NAME, IDS_COL_ARTIST, IDS_COL_ALBUM, IDS_COL_GENRE, IDS_COL_TRACK, IDS_COL_ID};
    const int widths[] = {200, 200, 200, 100, 75, 75};
    for (int column = 0; column < 6; ++column)
      List()->InsertColumn(column, LoadText(headings[column]), LVCFMT_LEFT, widths[column]);
    FillReportKinds(static_cast<CComboBox*>(GetDlgItem(kReportKind)));
    auto* sorts = static_cast<CComboBox*>(GetDlgItem(kSort));
    for (int index = 0; index < kSearchSortCount; ++index) sorts->AddString(SearchSort(index).entry);
    sorts->SetCurSel(0);
    auto* rotations = static_cast<CComboBox*>(GetDlgItem(kRotation));
    for (const char* code : kRotations) rotations->AddString(code);
    rotations->SetCurSel(0);
    static_cast<CEdit*>(GetDlgItem(kYears))->LimitText(9);
    FillGenreCombo(m_pDb, static_cast<CComboBox*>(GetDlgItem(kGenre)), LoadText(IDS_ALL));
    auto* playlists = static_cast<CComboBox*>(GetDlgItem(kPlaylist));
    playlists->AddString(LoadText(IDS_ALL));
    if (m_pDb->OpenPlaylistNames()) {
      CString name;
      while (m_pDb->NextPlaylistName(name)) playlists->AddString(name);
      m_pDb->ClosePlaylistNames();
    }
    playlists->SetCurSel(0);
  });
  return TRUE;
}

void CSearchDlg::ClearList() {
  List()->DeleteAllItems();
  m_songs.clear();
}

void CSearchDlg::AddRow(std::unique_ptr<tSong> song, const CString& trackText) {
  int row = List()->InsertItem(List()->GetItemCount(), song->SongName);
  List()->SetItemText(row, 1, song->SongArtist);
  List()->SetItemText(row, 2, song->SongAlbumName);
  List()->SetItemText(row, 3, song->SongPrimaryGenre);
  List()->SetItemText(row, 4, trackText);
  CString id;
  id.Format("%ld", static_cast<long>(song->SongID));
  List()->SetItemText(row, 5, id);
  List()->SetItemData(row, reinterpret_cast<DWORD_PTR>(song.get()));
  m_songs.push_back(std::move(song));
}

void CSearchDlg::FinishFill() {
  SetDlgItemText(kStatus, LoadFormatted(IDS_DISPLAYED, static_cast<long>(m_songs.size())));
  if (!m_songs.empty()) {
    List()->SetFocus();
    List()->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void CSearchDlg::FillFromQuery(bool opened) {
  CRecorderWaitCursor wait;
  SetColumnHeading(List(), 4, "CD Track");
  ClearList();
  if (opened) {
    List()->SetRedraw(FALSE);
    while (true) {
      auto song = std::make_unique<tSong>();
      song->Attach(m_pDb, m_pStorage);
      if (m_pDb->NextSong(song.get()) < 1) break;
      if (static_cast<int>(m_songs.size()) >= kMaxListedSongs) {
        List()->SetRedraw(TRUE);
        AfxMessageBox(LoadFormatted(IDS_TOO_MANY_SONGS, static_cast<long>(kMaxListedSongs)), MB_OK | MB_ICONEXCLAMATION);
        break;
      }
      CString track;
      track.Format("%d", static_cast<int>(song->SongCdTrack));
      AddRow(std::move(song), track);
    }
    List()->SetRedraw(TRUE);
    m_pDb->CloseSongList();
  }
  m_listsPlaylist = false;
  FinishFill();
}

void CSearchDlg::ListPlaylist(const CString& playlist) {
  CRecorderWaitCursor wait;
  SetColumnHeading(List(), 4, "Sequence");
  ClearList();
  std::vector<std::pair<LONG, SHORT>> entries;
  if (m_pDb->OpenPlaylistSongs(playlist)) {
    LONG songId = 0;
    SHORT sequence = 0;
    while (m_pDb->NextPlaylistSong(songId, sequence)) entries.emplace_back(songId, sequence);
    m_pDb->ClosePlaylistSongs();
  }
  for (auto [songId, sequence] : entries) {
    if (static_cast<int>(m_songs.size()) >= kMaxListedSongs) {
      AfxMessageBox(LoadFormatted(IDS_TOO_MANY_SONGS, static_cast<long>(kMaxListedSongs)), MB_OK | MB_ICONEXCLAMATION);
      break;
    }
    auto song = std::make_unique<tSong>();
    song->Attach(m_pDb, m_pStorage);
    if (song->LoadById(songId) <= 0) continue;
    CString text;
    text.Format("%hd", sequence);
    AddRow(std::move(song), text);
  }
  m_listsPlaylist = true;
  FinishFill();
}

void CSearchDlg::OnSearch() {
  Guarded([&] {
    CString playlist = Text(this, kPlaylist);
    if (!playlist.IsEmpty() && playlist != LoadText(IDS_ALL)) {
      ListPlaylist(playlist);
      return;
    }
    tSearchCriteria criteria;
    criteria.name = Text(this, kName);
    criteria.artist = Text(this, kArtist);
    criteria.album = Text(this, kAlbum);
    criteria.label = Text(this, kLabel);
    criteria.attributes = Text(this, kAttrib);
    criteria.comments = Text(this, kComm);
    criteria.genre = Text(this, kGenre);
    criteria.rotation = Text(this, kRotation);
    criteria.years = Text(this, kYears);
    bool badYears = false;
    CString where = BuildSearchWhere(criteria, badYears);
    if (badYears) {
      AfxMessageBox(IDS_BAD_YEARS, MB_OK | MB_ICONEXCLAMATION);
      GotoDlgCtrl(GetDlgItem(kYears));
      return;
    }
    m_where = where;
    const tSongSort& sort = SearchSort(static_cast<CComboBox*>(GetDlgItem(kSort))->GetCurSel());
    m_sortDescription = sort.description;
    FillFromQuery(m_pDb->OpenSongListByPrimaryGenre(m_where, sort.order) != 0);
  });
}

void CSearchDlg::OnColumnClick(NMHDR* header, LRESULT* result) {
  *result = 0;
  if (m_listsPlaylist || m_songs.empty()) return;
  int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
  // The kept where text may name the primary genre (B.SongGenre): it is always run again through the
  // query that made it, so every column sorts the same rows.
  Guarded([&] { FillFromQuery(m_pDb->OpenSongListByPrimaryGenre(m_where, ColumnOrder(column)) != 0); });
}

void CSearchDlg::OnReset() {
  for (UINT id : {kReportKind, kRotation, kGenre, kPlaylist}) static_cast<CComboBox*>(GetDlgItem(id))->SetCurSel(0);
  for (UINT id : {kName, kArtist, kAlbum, kLabel, kAttrib, kComm, kYears, kTitle}) SetDlgItemText(id, "");
}

int CSearchDlg::SelectedRow() { return List()->GetNextItem(-1, LVNI_SELECTED); }

void CSearchDlg::OpenSong(int mode) {
  int row = SelectedRow();
  tSong* song = GetListedSong(row);
  if (song == nullptr) return;
  Guarded([&] {
    CSongInfoDlg info(m_pDb, this);
    info.SetSong(song, mode);
    if (info.DoModal() == IDOK && mode == CSongInfoDlg::kEdit) song->Update();
  });
}

void CSearchDlg::OnView() { OpenSong(CSongInfoDlg::kView); }
void CSearchDlg::OnEdit() { OpenSong(CSongInfoDlg::kEdit); }

void CSearchDlg::OnDoubleClick(NMHDR*, LRESULT* result) {
  *result = 0;
  OnView();
}

void CSearchDlg::OnDelete() {
  int row = SelectedRow();
  tSong* song = GetListedSong(row);
  if (song == nullptr) return;
  Guarded([&] {
    if (AfxMessageBox(IDS_DELETE_SONG_ASK, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
    int result = song->Delete();
    if (result != 0) {
      AfxMessageBox(LoadFormatted(IDS_DELETE_SONG_FAILED, result), MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    List()->DeleteItem(row);
    m_songs.erase(m_songs.begin() + row);
  });
}

void CSearchDlg::OnPlay() {
  tSong* song = GetListedSong(SelectedRow());
  if (song != nullptr) Guarded([&] { m_preview.Play(*song, this); });
}

void CSearchDlg::OnStop() { m_preview.Stop(); }

LRESULT CSearchDlg::OnPreviewEvent(WPARAM, LPARAM) {
  int happened = m_preview.TakeEvents();
  if (happened == 2) m_preview.Pause();
  if (happened != 1 || m_songs.empty()) return 0;
  // Previews run on through the list: the next row, after the last one the first.
  int next = SelectedRow() + 1;
  if (next >= static_cast<int>(m_songs.size())) next = 0;
  List()->SetItemState(next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  List()->EnsureVisible(next, FALSE);
  OnPlay();
  return 0;
}

void CSearchDlg::OnPrint() {
  Guarded([&] {
    tReportRequest request;
    request.kind = static_cast<CComboBox*>(GetDlgItem(kReportKind))->GetCurSel() == 1 ? ReportKind::Detail
                                                                                         : ReportKind::Summary;
    request.title = Text(this, kTitle);
    request.secondHeading = m_sortDescription;
    std::vector<tSong*> rows;
    for (int row = 0; row < List()->GetItemCount(); ++row)
      rows.push_back(reinterpret_cast<tSong*>(List()->GetItemData(row)));
    CString path = ReportFilePath(m_databaseFolder);
    if (CHtmlReport(request).Write(path, rows)) OpenReport(path, m_databaseFolder);
  });
}

void CSearchDlg::OnExport() {
  Guarded([&] {
    std::vector<tSong*> mp3;
    for (int row = 0; row < List()->GetItemCount(); ++row) {
      auto* song = reinterpret_cast<tSong*>(List()->GetItemData(row));
      if (song->SongCompression == 'M' || song->SongCompression == 'R') mp3.push_back(song);
    }
    CExportDlg exporter(std::move(mp3), this);
    exporter.DoModal();
  });
}

void CSearchDlg::OnDestroy() {
  m_preview.Stop();
  CDialog::OnDestroy();
}
