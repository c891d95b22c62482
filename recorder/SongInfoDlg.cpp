#include "recorder/SongInfoDlg.h"

#include <cmath>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/FileApi.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/CuePointsDlg.h"
#include "recorder/PlaylistSelectDlg.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongCriteria.h"
#include "recorder/SongPicks.h"

namespace {
constexpr UINT kGenre = 1012, kRotation = 1227, kName = 1013, kArtist = 1014, kAlbum = 1020, kLabel = 1025,
               kAttributes = 1017, kSongDate = 1019, kBpm = 1021, kAccuracy = 1224, kRecDate = 1015, kLength = 1018,
               kCdTrack = 1010, kCdId = 1023, kCompressionIcon = 1092, kUncompressed = 1264, kPlayCount = 1022,
               kComments = 1024, kInventory = 1225, kSource = 1226, kMediaPath = 1260, kGuid = 1261,
               kMoreGenres = 1240, kPlaylists = 1239, kCoverArt = 1250, kCuePoints = 1241;
constexpr const char* kRotations[] = {"GENERAL", "NEW", "HOT", "WARM", "COLD", "OLD", "CLASSIC", "DON'T PLAY"};

CString Text(CWnd* dialog, UINT id) {
  CString text;
  dialog->GetDlgItemText(static_cast<int>(id), text);
  return text;
}
}  // namespace

BEGIN_MESSAGE_MAP(CSongInfoDlg, CDialog)
  ON_WM_CTLCOLOR()
  ON_BN_CLICKED(1240, OnAdditionalGenres)
  ON_BN_CLICKED(1239, OnEditPlaylists)
  ON_BN_CLICKED(1241, OnCuePoints)
  ON_BN_CLICKED(1250, OnLoadCoverArt)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CSongInfoDlg::CSongInfoDlg(tQHDb* db, CWnd* parent) : CDialog(IDD_SONG_INFO, parent), m_pDb(db) {}

CSongInfoDlg::~CSongInfoDlg() {
  for (HBRUSH brush : {m_red, m_green, m_yellow})
    if (brush != nullptr) DeleteObject(brush);
}

void CSongInfoDlg::SetSong(tSong* song, int mode) {
  m_pSong = song;
  m_mode = mode;
  if (mode != kNew && song != nullptr) m_songId = song->SongID;
}

void CSongInfoDlg::Guarded(const std::function<void()>& work) {
  if (!RunRecorderGuarded(work)) EndDialog(IDCANCEL);
}

BOOL CSongInfoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  BOOL focusDefault = TRUE;
  Guarded([&] {
    if (m_red == nullptr) {
      m_red = CreateSolidBrush(RGB(255, 0, 0));
      m_green = CreateSolidBrush(RGB(0, 255, 20));
      m_yellow = CreateSolidBrush(RGB(255, 255, 0));
    }
    LoadSongFields(m_mode);
    bool hasCover = GetFileAttributes(m_pSong->GetCoverFileName()) != INVALID_FILE_ATTRIBUTES;
    SetDlgItemText(kCoverArt, LoadText(hasCover ? IDS_UPDATE_ART : IDS_LOAD_ART));
    // Cue points are written at once, like playlist membership: only a stored song open for editing.
    GetDlgItem(kCuePoints)->EnableWindow(m_mode == kEdit);
    if (m_mode == kNew) {
      for (UINT id : {kPlaylists, kMoreGenres, kCoverArt}) GetDlgItem(static_cast<int>(id))->EnableWindow(FALSE);
    } else if (m_mode == kView) {
      GetDlgItem(kCoverArt)->EnableWindow(FALSE);
      GotoDlgCtrl(GetDlgItem(IDOK));
      focusDefault = FALSE;
    }
  });
  return focusDefault;
}

void CSongInfoDlg::LoadSongFields(int mode) {
  tSong& song = *m_pSong;
  auto* genres = static_cast<CComboBox*>(GetDlgItem(kGenre));
  FillGenreCombo(m_pDb, genres, "");
  if (mode != kView) {
    const std::pair<UINT, int> limits[] = {{kName, 80},     {kSongDate, 10}, {kComments, 255}, {kBpm, 6},
                                           {kArtist, 80},   {kAttributes, 50}, {kAlbum, 80},    {kLabel, 40},
                                           {kInventory, 30}, {kSource, 50}};
    for (auto [id, limit] : limits) static_cast<CEdit*>(GetDlgItem(static_cast<int>(id)))->LimitText(limit);
    static_cast<CComboBox*>(GetDlgItem(kRotation))->LimitText(20);
  }
  if (!song.SongPrimaryGenre.IsEmpty()) {
    int found = genres->FindString(-1, song.SongPrimaryGenre);
    if (found >= 0) genres->SetCurSel(found);
  }
  auto* rotation = static_cast<CComboBox*>(GetDlgItem(kRotation));
  rotation->ResetContent();
  for (const char* code : kRotations) rotation->AddString(code);
  rotation->SetCurSel(0);
  if (!song.SongRotationCode.IsEmpty()) {
    int found = rotation->FindString(-1, song.SongRotationCode);
    if (found < 0) found = rotation->AddString(song.SongRotationCode);
    rotation->SetCurSel(found);
  }
  if (mode == kView) {
    genres->EnableWindow(FALSE);
    rotation->EnableWindow(FALSE);
  }
  CString text;
  auto fill = [&](UINT id, const CString& value, bool editable) {
    SetDlgItemText(static_cast<int>(id), value);
    if (mode == kView && editable) static_cast<CEdit*>(GetDlgItem(static_cast<int>(id)))->SetReadOnly(TRUE);
  };
  fill(kName, song.SongName, true);
  fill(kArtist, song.SongArtist, true);
  fill(kAlbum, song.SongAlbumName, true);
  fill(kLabel, song.SongLabel, true);
  text.Format("(%08X) %s", static_cast<unsigned int>(song.SongVolser), song.SongPath.GetString());
  fill(kMediaPath, text, false);
  fill(kGuid, song.SongGUID, false);
  fill(kRecDate, FormatSongDate(song.SongRecordDate), false);
  fill(kSongDate, FormatSongDate(song.SongDate), true);
  fill(kAttributes, song.SongAttributes, true);
  fill(kLength, song.SongLength, false);
  text.Format("%lu", static_cast<unsigned long>(song.SongPlayCount));
  fill(kPlayCount, text, false);
  CheckDlgButton(kUncompressed, song.SongUncompressed ? BST_CHECKED : BST_UNCHECKED);
  GetDlgItem(kUncompressed)->EnableWindow(song.SongCompression == ' ' && mode != kView);
  text.Format("%08X", static_cast<unsigned int>(song.SongCDDB));
  fill(kCdId, text, false);
  text.Format("%d", static_cast<int>(song.SongCdTrack));
  fill(kCdTrack, text, false);
  text.Format("%.2f", song.SongBPM);
  fill(kBpm, text, true);
  m_accuracy = song.SongBPMAccuracy < 0 || song.SongBPMAccuracy > 1 ? 0.0 : song.SongBPMAccuracy;
  text.Format("%.2f%%", m_accuracy * 100);
  SetDlgItemText(kAccuracy, text);
  fill(kComments, song.SongComments, true);
  fill(kInventory, song.SongInventoryCode, true);
  fill(kSource, song.SongSource, true);
  if (mode == kNew) {
    SetDlgItemText(IDOK, LoadText(IDS_ADD_NEW_SONG));
  } else {
    SetWindowText(LoadFormatted(IDS_SONG_CAPTION, LoadText(mode == kEdit ? IDS_UPDATE : IDS_VIEW).GetString(),
                                static_cast<long>(m_songId)));
  }
  const char* kind = "?";
  switch (song.SongCompression) {
    case ' ':
    case 'V': kind = "WAV"; break;
    case '3':
    case 'M':
    case 'R': kind = "MP3"; break;
    case 'A': kind = "ADPCM"; break;
    default: break;
  }
  SetDlgItemText(kCompressionIcon, kind);
}

HBRUSH CSongInfoDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  if (kind == CTLCOLOR_STATIC && wnd != nullptr && wnd->GetDlgCtrlID() == static_cast<int>(kAccuracy)) {
    dc->SetBkMode(TRANSPARENT);
    if (m_accuracy >= 0.75) return m_green;
    if (m_accuracy >= 0.5) return m_yellow;
    return m_red;
  }
  return CDialog::OnCtlColor(dc, wnd, kind);
}

int CSongInfoDlg::Refuse(UINT field, const CString& text, bool selectText) {
  AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
  CWnd* control = GetDlgItem(static_cast<int>(field));
  GotoDlgCtrl(control);
  if (selectText) static_cast<CEdit*>(control)->SetSel(0, -1);
  return -1;
}

bool CSongInfoDlg::CheckLength(UINT field, const CString& text, int limit) {
  if (text.GetLength() <= limit) return true;
  Refuse(field, LoadFormatted(IDS_TOO_LONG, limit), false);
  return false;
}

int CSongInfoDlg::SaveSong(int mode) {
  if (mode == kView) return 0;
  tSong& song = *m_pSong;
  song.AddGenre(Text(this, kGenre), TRUE);
  CString rotation = Text(this, kRotation);
  if (!CheckLength(kRotation, rotation, 20)) return -1;
  song.SetSongRotationCode(rotation);
  CString name = Text(this, kName);
  if (name.IsEmpty()) return Refuse(kName, LoadText(IDS_NEED_SONG_NAME), true);
  if (!CheckLength(kName, name, 80)) return -1;
  song.SetSongName(name);
  CString artist = Text(this, kArtist);
  if (artist.IsEmpty()) return Refuse(kArtist, LoadText(IDS_NEED_ARTIST), true);
  if (!CheckLength(kArtist, artist, 80)) return -1;
  song.SetSongArtist(artist);
  const std::tuple<UINT, int, void (tSong::*)(const CString&)> texts[] = {
      {kAlbum, 80, &tSong::SetSongAlbumName},
      {kLabel, 40, &tSong::SetSongLabel},
      {kInventory, 30, &tSong::SetSongInventoryCode},
      {kSource, 50, &tSong::SetSongSource}};
  for (auto [id, limit, setter] : texts) {
    CString value = Text(this, id);
    if (!CheckLength(id, value, limit)) return -1;
    (song.*setter)(value);
  }
  if (song.SongCompression == ' ') song.SetSongUncompressed(IsDlgButtonChecked(kUncompressed) == BST_CHECKED);
  COleDateTime date;
  if (!ParseSongDate(Text(this, kSongDate), date)) return Refuse(kSongDate, LoadText(IDS_BAD_DATE), true);
  song.SetSongDate(date);
  CString attributes = Text(this, kAttributes);
  if (!CheckLength(kAttributes, attributes, 50)) return -1;
  song.SetSongAttributes(attributes);
  song.SetSongBPM(qh_atof(Text(this, kBpm)));
  song.SetSongBPMAccuracy(m_accuracy);
  CString comments = Text(this, kComments);
  if (!CheckLength(kComments, comments, 255)) return -1;
  song.SetSongComments(comments);
  return 0;
}

void CSongInfoDlg::OnOK() {
  int result = 0;
  if (!RunRecorderGuarded([&] { result = SaveSong(m_mode); })) {
    EndDialog(IDCANCEL);
    return;
  }
  if (result >= 0) EndDialog(IDOK);
}

void CSongInfoDlg::OnAdditionalGenres() {
  Guarded([&] {
    CSecondaryGenresDlg genres(m_pDb, this);
    genres.m_readOnly = m_mode == kView;
    genres.m_primaryGenre = m_pSong->SongPrimaryGenre;
    genres.m_caption.Format("Secondary Genres for song %ld", static_cast<long>(m_songId));
    genres.m_heading.Format("%s (%s) - %s", m_pSong->SongName.GetString(), m_pSong->SongArtist.GetString(),
                            m_pSong->SongPrimaryGenre.GetString());
    m_pSong->GetGenres(genres.m_genres);
    if (genres.DoModal() == IDOK) m_pSong->SetGenres(genres.m_genres);
  });
}

void CSongInfoDlg::OnCuePoints() {
  Guarded([&] {
    CCuePointsDlg cues(m_pDb, m_pSong->GetStorage(), this);
    cues.SetSong(m_songId);
    cues.DoModal();
  });
}

void CSongInfoDlg::OnEditPlaylists() {
  Guarded([&] {
    CSongPlaylistsDlg playlists(this);
    playlists.m_heading.Format("%s (%s)", Text(this, kName).GetString(), Text(this, kArtist).GetString());
    playlists.m_genre = Text(this, kGenre);
    playlists.m_readOnly = m_mode == kView;
    playlists.m_songId = m_songId;
    auto membersNow = [this]() {
      CStringArray names;
      if (!m_pDb->OpenPlaylistsOfSong(m_songId)) return names;
      CString name, last;
      SHORT sequence = 0;
      while (m_pDb->NextPlaylistOfSong(name, sequence)) {
        if (name == last) continue;  // a song standing twice in a playlist names it once
        names.Add(name);
        last = name;
      }
      m_pDb->ClosePlaylistsOfSong();
      return names;
    };
    CStringArray members = membersNow();
    for (INT_PTR index = 0; index < members.GetSize(); ++index) playlists.m_members.Add(members[index]);
    if (m_pDb->OpenPlaylistNames()) {
      CString name;
      while (m_pDb->NextPlaylistName(name)) playlists.m_all.Add(name);
      m_pDb->ClosePlaylistNames();
    }
    if (playlists.DoModal() != IDOK) return;
    auto chosen = [&](const CString& name) {
      for (INT_PTR index = 0; index < playlists.m_members.GetSize(); ++index)
        if (playlists.m_members[index] == name) return true;
      return false;
    };
    for (INT_PTR index = 0; index < playlists.m_members.GetSize(); ++index)
      if (!m_pDb->IsSongInPlaylist(playlists.m_members[index], m_songId))
        m_pDb->AppendPlaylistSong(playlists.m_members[index], m_songId);
    CStringArray after = membersNow();
    for (INT_PTR index = 0; index < after.GetSize(); ++index)
      if (!chosen(after[index])) m_pDb->RemoveSongFromPlaylist(after[index], m_songId);
  });
}

void CSongInfoDlg::OnLoadCoverArt() {
  Guarded([&] {
    CWinApp* app = AfxGetApp();
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                     "JPEG Image Files (*.JPG, *.JPEG)|*.jpg;*.jpeg||", this);
    CString title = LoadText(IDS_COVER_TITLE);
    open.m_ofn.lpstrTitle = title;
    if (open.DoModal() != IDOK) return;
    // The source is deleted after the copy only when the user asked for it on import (DeleteOnImport).
    BOOL deleteSource = app->GetProfileInt("Recorder", "DeleteOnImport", 0) != 0;
    BOOL copied = FALSE;
    {
      CRecorderWaitCursor wait;
      copied = CopyFile(open.GetPathName(), m_pSong->GetCoverFileName(), FALSE);
    }
    if (!copied) {
      AfxMessageBox(IDS_COPY_FAILED, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (deleteSource) DeleteFile(open.GetPathName());
    SetDlgItemText(kCoverArt, LoadText(IDS_UPDATE_ART));
    AfxMessageBox(IDS_COVER_COPIED, MB_OK | MB_ICONINFORMATION);
  });
}

void CSongInfoDlg::OnDestroy() { CDialog::OnDestroy(); }

BEGIN_MESSAGE_MAP(CSecondaryGenresDlg, CDialog)
  ON_BN_CLICKED(1189, OnAddGenre)
  ON_BN_CLICKED(1153, OnDeleteGenre)
END_MESSAGE_MAP()

CSecondaryGenresDlg::CSecondaryGenresDlg(tQHDb* db, CWnd* parent) : CDialog(IDD_SECONDARY_GENRES, parent), m_pDb(db) {}

BOOL CSecondaryGenresDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  auto* combo = static_cast<CComboBox*>(GetDlgItem(1267));
  FillGenreCombo(m_pDb, combo, "");
  auto* list = static_cast<CListBox*>(GetDlgItem(1265));
  for (INT_PTR index = 0; index < m_genres.GetSize(); ++index) list->AddString(m_genres[index]);
  if (list->GetCount() > 0) list->SetCurSel(0);
  SetWindowText(m_caption);
  SetDlgItemText(1266, m_heading);
  if (m_readOnly)
    for (int id : {IDOK, 1153, 1189}) GetDlgItem(id)->EnableWindow(FALSE);
  return TRUE;
}

void CSecondaryGenresDlg::OnAddGenre() {
  if (m_readOnly) return;
  auto* combo = static_cast<CComboBox*>(GetDlgItem(1267));
  auto* list = static_cast<CListBox*>(GetDlgItem(1265));
  if (combo->GetCurSel() < 0) return;
  CString genre;
  combo->GetLBText(combo->GetCurSel(), genre);
  if (genre.CompareNoCase(m_primaryGenre) == 0 || list->FindStringExact(-1, genre) >= 0) {
    AfxMessageBox("Selected genre already exists for this song", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  list->AddString(genre);
}

void CSecondaryGenresDlg::OnDeleteGenre() {
  if (m_readOnly) return;
  auto* list = static_cast<CListBox*>(GetDlgItem(1265));
  if (list->GetCurSel() >= 0) list->DeleteString(static_cast<UINT>(list->GetCurSel()));
}

void CSecondaryGenresDlg::OnOK() {
  if (m_readOnly) return;
  auto* list = static_cast<CListBox*>(GetDlgItem(1265));
  m_genres.RemoveAll();
  for (int index = 0; index < list->GetCount(); ++index) {
    CString genre;
    list->GetText(index, genre);
    m_genres.Add(genre);
  }
  EndDialog(IDOK);
}
