// Parts both looks share. Commands run inside one exception guard (log only), as the menu and the
// buttons must never take the jukebox down.
#include "jukebox/zones/ZoneLookBase.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <new>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/zones/NewPlaylistDlg.h"
#include "jukebox/zones/ZoneDialogs.h"
#include "jukebox/zones/ZoneTexts.h"
#include "platform/dao/DaoException.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"

namespace {

enum ExceptionKind { kOutOfMemory, kDatabase, kOther };

constexpr char kBuildStamp[] = __DATE__ " " __TIME__;

}  // namespace

CZoneLookBase::CZoneLookBase(CWnd& window, CZoneWindowBridge& bridge)
    : m_window(window), m_bridge(bridge), m_coverPage(m_browser, bridge.ZoneLogSource()) {}

CZoneLookBase::~CZoneLookBase() = default;

// ---- Window messages ----

int CZoneLookBase::OnCreate() {
  CreateControls();
  Player().UpdateState();
  if (m_window.SetTimer(kDisplayTimer, kDisplayTimerMs) == 0 ||
      (UsesStatisticsTimer() && m_window.SetTimer(kStatisticsTimer, kStatisticsTimerMs) == 0)) {
    const CString text = ZoneText(IDS_ZONE_NO_TIMER);
    if (CJukeboxServices* app = JukeboxServices()) app->LogEvent("E", m_bridge.ZoneLogSource(), text);
    return -1;
  }
  return 0;
}

void CZoneLookBase::OnDestroy() {
  m_window.KillTimer(kDisplayTimer);
  if (UsesStatisticsTimer()) m_window.KillTimer(kStatisticsTimer);
  DestroyControls();
}

void CZoneLookBase::OnTimer(UINT_PTR id) {
  if (id != kDisplayTimer) return;
  CPlayerBase& player = Player();
  if (player.GetState() == PLAYER_PLAYING) {
    player.UpdatePosition();
  } else if (player.GetState() == PLAYER_HW_PAUSED) {
    // A stalled output moves on once, after more than three seconds.
    if (std::time(nullptr) - player.GetStateTime() > 3 && !player.IsAdvancePosted()) player.PostNextSong();
  }
}

void CZoneLookBase::OnWindowPosChanged(const WINDOWPOS* position) {
  if (m_coverPageShown || position == nullptr || !(position->flags & SWP_SHOWWINDOW)) return;
  m_coverPageShown = true;
  m_coverPage.WriteLogoPage(m_bridge.GetCoverSources());
}

// ---- Hooks ----

void CZoneLookBase::SetStatusText(const CString& text) {
  m_statusText = text;
  Invalidate(StatusArea(), true);
}

int CZoneLookBase::PlayAdjacentSong(int delta) {
  const int index = MoveListSelection(delta);
  if (index >= 0) PlaySelectedSong();
  return index;
}

int CZoneLookBase::MoveListSelection(int delta) {
  if (delta == 0 || m_songList.GetSafeHwnd() == nullptr) return -1;
  const int count = m_songList.GetCount();
  const int selection = m_songList.GetCurSel();
  if (count <= 0 || selection < 0) return -1;
  const int target = std::clamp(selection + delta, 0, count - 1);
  m_songList.SetCurSel(target);
  return target;
}

void CZoneLookBase::PlaySelectedSong() {
  int index = -1;
  tSong* song = GetSelectedSong(index);
  if (song == nullptr) return;
  CPlayerBase& player = Player();
  const int result = player.PlaySong(song);
  m_bridge.SetCurrentIndex(index);
  // A song that cannot start is skipped once.
  if (result != 0 && !player.IsAdvancePosted()) player.PostNextSong();
}

void CZoneLookBase::UpdateShuffleButton() {
  if (CSkinButton* button = Button(ID_ZONE_SHUFFLE)) button->SetState(Player().IsShuffle() ? 1 : 0);
}

void CZoneLookBase::UpdateRepeatButton() {
  if (CSkinButton* button = Button(ID_ZONE_REPEAT)) button->SetState(Player().IsRepeat() ? 1 : 0);
}

void CZoneLookBase::UpdateState() {
  InvalidateStateArea();
  const LONG state = Player().GetState();
  if (state == PLAYER_HW_PAUSED) return;
  const bool enabled = state != PLAYER_STOPPED;
  for (UINT id : {ID_ZONE_REWIND, ID_ZONE_PLAY, ID_ZONE_PAUSE, ID_ZONE_STOP, ID_ZONE_NEXT}) {
    CSkinButton* button = Button(id);
    if (button == nullptr || button->GetSafeHwnd() == nullptr) continue;
    button->EnableWindow(enabled);
    button->Invalidate(TRUE);
  }
  if (CSkinButton* play = Button(ID_ZONE_PLAY)) play->SetState(state == PLAYER_PLAYING ? 1 : 0);
  if (CSkinButton* pause = Button(ID_ZONE_PAUSE)) pause->SetState(state == PLAYER_PAUSED ? 1 : 0);
}

void CZoneLookBase::ShowSongCount() {
  CString text;
  text.Format("%d songs found.", Player().GetSongCount());
  m_statusText = text;
  Invalidate(StatusArea(), false);
  if (m_songList.GetSafeHwnd() == nullptr) return;
  m_songList.SetFocus();
  if (m_songList.GetCount() > 0) m_songList.SetCurSel(0);
}

void CZoneLookBase::ClearSongList() {
  if (m_songList.GetSafeHwnd() != nullptr) m_songList.ResetContent();
}

void CZoneLookBase::ShowLoadingText(int firstIndex, int count) {
  m_statusText = LoadingText(firstIndex + 1, firstIndex + count);
  Invalidate(StatusArea(), true);
  for (int index = firstIndex; index < firstIndex + count; ++index)
    if (tSong* song = Player().GetQueuedSong(index)) FillSongList(song);
}

void CZoneLookBase::SelectCurrentSong() {
  const LONG current = Player().GetCurrentIndex();
  if (m_songList.GetSafeHwnd() != nullptr && current >= 0 && current < m_songList.GetCount())
    m_songList.SetCurSel(static_cast<int>(current));
}

void CZoneLookBase::ShowAlbumCover() { m_coverPage.WriteCoverPage(m_bridge.GetCoverSources()); }

// ---- Building blocks ----

void CZoneLookBase::MakeFonts(std::initializer_list<FontSpec> specs) {
  m_logFonts.clear();
  m_fonts.clear();
  for (const FontSpec& spec : specs) {
    LOGFONT font{};
    font.lfHeight = spec.height;
    font.lfWeight = spec.weight;
    font.lfOutPrecision = OUT_CHARACTER_PRECIS;
    font.lfQuality = PROOF_QUALITY;
    std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", spec.face);
    m_logFonts.push_back(font);
    m_fonts.push_back(std::make_unique<CFont>());
    m_fonts.back()->CreateFontIndirect(&m_logFonts.back());
  }
}

void CZoneLookBase::DestroyControls() {
  for (auto& font : m_fonts) font.reset();
}

CSize CZoneLookBase::BitmapSize(const CBitmap& bitmap) {
  if (bitmap.GetSafeHandle() == nullptr) return CSize(0, 0);
  BITMAP info;
  bitmap.GetBitmap(&info);
  return CSize(info.bmWidth, info.bmHeight);
}

CSkinButton* CZoneLookBase::Button(UINT id) {
  auto it = m_buttons.find(id);
  return it == m_buttons.end() ? nullptr : it->second.get();
}

CSkinButton& CZoneLookBase::AddButton(UINT id, UINT up, UINT down, UINT hover, UINT disabled, CRgn* shape) {
  if (m_buttonClass.IsEmpty()) {
    m_buttonClass = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC, nullptr,
                                        static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr);
  }
  auto button = std::make_unique<CSkinButton>();
  if (shape != nullptr) button->SetBitmapIdsAndShape(up, down, hover, disabled, shape);
  else button->SetBitmapIds(up, down, hover, disabled);
  CSkinButton& result = *button;
  m_buttons[id] = std::move(button);
  return result;
}

void CZoneLookBase::CreateSongList(const CRect& rect) {
  m_songList.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                        LBS_NOINTEGRALHEIGHT,
                    rect, &m_window, ID_ZONE_LIST);
}

void CZoneLookBase::CreateBrowser(const CRect& rect) {
  m_browser.Create(nullptr, "Browser", WS_CHILD | WS_VISIBLE, rect, &m_window, kZoneBrowserId);
}

void CZoneLookBase::PlaceBrowser(const CRect& rect) {
  if (m_browser.GetSafeHwnd() == nullptr) return;
  m_browser.SetLeft(rect.left);
  m_browser.SetTop(rect.top);
  m_browser.SetHeight(rect.Height());
  m_browser.SetWidth(rect.Width());
}

void CZoneLookBase::FillSongList(tSong* song) {
  if (m_songList.GetSafeHwnd() == nullptr || song == nullptr) return;
  CString line;
  line.Format("%02d: %s (%s)", m_songList.GetCount() + 1, song->SongName.GetString(), song->SongArtist.GetString());
  const int index = m_songList.AddString(line);
  if (index >= 0) m_songList.SetItemData(index, reinterpret_cast<DWORD_PTR>(song));
}

tSong* CZoneLookBase::GetSelectedSong(int& index) {
  index = m_songList.GetSafeHwnd() != nullptr ? m_songList.GetCurSel() : -1;
  if (index < 0) {
    index = -1;
    return nullptr;
  }
  const DWORD_PTR data = m_songList.GetItemData(index);
  return data == static_cast<DWORD_PTR>(LB_ERR) ? nullptr : reinterpret_cast<tSong*>(data);
}

void CZoneLookBase::Invalidate(const CRect& area, bool erase) {
  if (m_window.GetSafeHwnd() != nullptr && !area.IsRectEmpty()) m_window.InvalidateRect(&area, erase);
}

void CZoneLookBase::ShowAboutBox() {
  CString version = "Quaverhouse Jukebox ";
  CString legal;
  if (CJukeboxServices* app = JukeboxServices()) {
    version += app->GetVersionText();
    legal = app->GetLegalText();
  }
  version += CString("(") + kBuildStamp + ")";
  ZoneDialogs().ShowAbout(nullptr, version, legal);
}

void CZoneLookBase::LogError(UINT textId, ...) {
  va_list arguments;
  va_start(arguments, textId);
  CString text;
  text.FormatV(ZoneText(textId), arguments);
  va_end(arguments);
  if (CJukeboxServices* app = JukeboxServices()) app->LogEvent("E", m_bridge.ZoneLogSource(), text);
}

// ---- Commands ----

template <typename Body>
bool CZoneLookBase::Guarded(int idCode, Body&& body) {
  try {
    body();
    return true;
  } catch (const std::bad_alloc&) {
    ReportException(idCode, kOutOfMemory, CString(), 0);
  } catch (CDaoException* e) {
    const CString description = e->m_pErrorInfo ? e->m_pErrorInfo->m_strDescription : CString();
    const long code = e->m_pErrorInfo ? e->m_pErrorInfo->m_lErrorCode : 0;
    e->Delete();
    ReportException(idCode, kDatabase, description, code);
  } catch (CException* e) {
    e->Delete();
    ReportException(idCode, kOther, CString(), 0);
  } catch (...) {
    ReportException(idCode, kOther, CString(), 0);
  }
  return false;
}

void CZoneLookBase::ReportException(int idCode, int kind, const CString& detail, long code) {
  CString text;
  if (kind == kOutOfMemory) text = ZoneText(IDS_ZONE_NO_MEMORY);
  else if (kind == kDatabase) text.Format(ZoneText(IDS_ZONE_DATABASE_ERROR), detail.GetString(), code);
  else text.Format(ZoneText(IDS_ZONE_UNEXPECTED), idCode);
  if (CJukeboxServices* app = JukeboxServices()) app->WriteErrorLog("E", m_bridge.ZoneLogSource(), text);
}

void CZoneLookBase::OnCommand(WPARAM wParam, LPARAM) {
  const UINT id = LOWORD(wParam), code = HIWORD(wParam);
  Guarded(3, [&] { RunCommand(id, code); });
}

void CZoneLookBase::RunCommand(UINT id, UINT code) {
  if (id == ID_ZONE_LIST) {
    if (code == LBN_DBLCLK) PlaySelectedSong();
    return;
  }
  if (code != 0) return;
  if (OnLookCommand(id)) return;
  CPlayerBase& player = Player();
  CSkinButton* play = Button(ID_ZONE_PLAY);
  CSkinButton* pause = Button(ID_ZONE_PAUSE);
  switch (id) {
    case ID_ZONE_ARTIST: OnChooseArtist(); break;
    case ID_ZONE_STOP: player.Stop(); break;
    case ID_ZONE_PLAYPAUSE:
      if (player.GetState() == PLAYER_PLAYING) {
        player.Pause();
        if (pause) pause->SetState(1);
        if (play) play->SetState(0);
      } else if (player.GetState() == PLAYER_PAUSED) {
        player.Play();
        if (pause) pause->SetState(0);
        if (play) play->SetState(1);
      }
      break;
    case ID_ZONE_GENRE: OnChooseGenre(); break;
    case ID_ZONE_PLAYLIST: OnLoadPlaylist(); break;
    case ID_ZONE_SEARCH: OnSearchSongs(); break;
    case ID_ZONE_REWIND: player.Rewind(); break;
    case ID_ZONE_PLAY:
      player.Play();
      if (pause) pause->SetState(0);
      if (play) play->SetState(1);
      break;
    case ID_ZONE_PAUSE:
      player.Pause();
      if (pause) pause->SetState(1);
      if (play) play->SetState(0);
      break;
    case ID_ZONE_SHUFFLE: {
      CSkinButton* button = Button(ID_ZONE_SHUFFLE);
      player.SetShuffle(!(button && button->GetState() != 0));
      break;
    }
    case ID_ZONE_REPEAT: {
      CSkinButton* button = Button(ID_ZONE_REPEAT);
      player.SetRepeat(!(button && button->GetState() != 0));
      break;
    }
    case ID_ZONE_FOCUS_LIST:
      if (m_songList.GetSafeHwnd()) m_songList.SetFocus();
      break;
    case ID_ZONE_VOLUME_UP: player.AdjustVolume(VolumeStep()); break;
    case ID_ZONE_VOLUME_DOWN: player.AdjustVolume(-VolumeStep()); break;
    case ID_ZONE_PLAY_SELECTED: player.PlaySelectedSong(); break;
    case ID_ZONE_NEXT: player.Next(); break;
    case ID_ZONE_ALBUM: OnChooseAlbum(); break;
    case ID_ZONE_MUTE: player.ToggleMute(); break;
    case ID_ZONE_OPTIONS: PostToMainWindow(WM_ZONE_OPTIONS); break;
    case ID_ZONE_CD_RIP: PostToMainWindow(WM_ZONE_CD_RIP); break;
    case ID_ZONE_PLUGINS: m_bridge.OnPluginsCommand(); break;
    case ID_ZONE_IMPORT: PostToMainWindow(WM_ZONE_IMPORT); break;
    default:
      if (id >= ID_MENU_NEW_PLAYLIST && id <= ID_MENU_DELETE_SONG) RunMenuCommand(id);
      break;
  }
}

void CZoneLookBase::RunMenuCommand(UINT id) {
  if (id == ID_MENU_EDIT_PLAYLIST) {
    OnEditPlaylist();
    return;
  }
  int index = -1;
  tSong* song = GetSelectedSong(index);
  if (song == nullptr) return;
  switch (id) {
    case ID_MENU_NEW_PLAYLIST: OnCreateNewPlaylist(song); break;
    case ID_MENU_ADD_TO_EXISTING: OnAddToExistingPlaylist(song); break;
    case ID_MENU_ADD_TO_CURRENT: {
      const CString current = Player().GetCurrentPlaylistName();
      if (song->SongID > 0 && !current.IsEmpty()) AddSongToPlaylist(current, song->SongID);
      break;
    }
    case ID_MENU_EDIT_SONG: OnEditSong(song); break;
    case ID_MENU_DELETE_SONG: OnDeleteSong(song); break;
    default: break;
  }
}

void CZoneLookBase::PostToMainWindow(UINT message) {
  if (CWnd* parent = m_window.GetParent()) parent->PostMessage(message, 0, 0);
}

void CZoneLookBase::OnContextMenu() {
  if (m_songList.GetSafeHwnd() == nullptr) return;
  m_songList.SetFocus();
  const int selection = m_songList.GetCurSel();
  if (selection < 0) return;
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING, ID_MENU_NEW_PLAYLIST, "&Create New Playlist...");
  menu.AppendMenu(MF_STRING, ID_MENU_ADD_TO_EXISTING, "&Add to Existing Playlist...");
  menu.AppendMenu(MF_STRING, ID_MENU_EDIT_PLAYLIST, "&Edit Playlist...");
  const CString current = Player().GetCurrentPlaylistName();
  if (!current.IsEmpty()) menu.AppendMenu(MF_STRING, ID_MENU_ADD_TO_CURRENT, "A&dd to " + current);
  menu.AppendMenu(MF_STRING, ID_MENU_EDIT_SONG, "Edit &Song...");
  menu.AppendMenu(MF_SEPARATOR, 0, nullptr);
  menu.AppendMenu(MF_STRING, ID_MENU_DELETE_SONG, "&Delete Song...");
  CRect window, item;
  m_window.GetWindowRect(&window);
  m_songList.GetItemRect(selection, &item);
  const CPoint at(window.left + m_songListRect.left + item.left, window.top + m_songListRect.top + item.top);
  menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, &m_window);
}

void CZoneLookBase::OnChooseArtist() {
  CString chosen;
  if (ZoneDialogs().ChooseArtist(&m_window, false, chosen) == IDOK) Player().LoadByArtist(chosen, false);
}

void CZoneLookBase::OnChooseAlbum() {
  CString chosen;
  if (ZoneDialogs().ChooseArtist(&m_window, true, chosen) == IDOK) Player().LoadByAlbumName(chosen);
}

void CZoneLookBase::OnChooseGenre() {
  CString chosen;
  if (ZoneDialogs().ChooseGenre(&m_window, chosen) != IDCANCEL) Player().LoadByGenre(chosen, false);
}

void CZoneLookBase::OnLoadPlaylist() {
  CString chosen;
  if (ZoneDialogs().ChoosePlaylist(&m_window, chosen) == IDOK) Player().LoadByPlaylist(chosen);
}

void CZoneLookBase::OnSearchSongs() {
  ZoneSearchCriteria criteria;
  if (ZoneDialogs().Search(&m_window, criteria) != IDCANCEL)
    Player().LoadBySearch(criteria.song, criteria.artist, criteria.album, criteria.years, criteria.genre);
}

void CZoneLookBase::OnCreateNewPlaylist(tSong* song) {
  CNewPlaylistDlg dialog(&m_window);
  const INT_PTR result = dialog.DoModal();
  if (m_songList.GetSafeHwnd()) m_songList.SetFocus();
  if (result != IDOK) return;
  m_bridge.SetCurrentPlaylistName(dialog.m_name);
  if (CJukeboxServices* app = JukeboxServices())
    if (tQHDb* db = app->GetSongDatabase()) db->AddSongToPlaylist(dialog.m_name, song->SongID);
}

void CZoneLookBase::OnAddToExistingPlaylist(tSong* song) {
  const bool done = Guarded(13, [&] {
    CString name;
    if (ChooseSavedPlaylist(name)) AddSongToPlaylist(name, song->SongID);
  });
  if (done && m_songList.GetSafeHwnd()) m_songList.SetFocus();
}

bool CZoneLookBase::ChooseSavedPlaylist(CString& name) {
  Player().LoadPlaylistNames();
  const std::vector<CString>& names = Player().GetPlaylistNames();
  int chosen = -1;
  if (ZoneDialogs().ChooseSavedPlaylist(&m_window, names, Player().GetCurrentPlaylistName(), chosen) != IDOK ||
      chosen < 0 || chosen >= static_cast<int>(names.size()))
    return false;
  name = names[chosen];
  m_bridge.SetCurrentPlaylistName(name);
  return true;
}

void CZoneLookBase::AddSongToPlaylist(const CString& playlistName, LONG songId) {
  CJukeboxServices* app = JukeboxServices();
  tQHDb* db = app ? app->GetSongDatabase() : nullptr;
  if (db == nullptr) return;
  // A song already in the playlist is not added twice.
  if (db->IsSongInPlaylist(playlistName, songId) == 0) db->AppendPlaylistSong(playlistName, songId);
}

void CZoneLookBase::OnEditPlaylist() {
  const bool done = Guarded(14, [&] {
    CString name;
    if (ChooseSavedPlaylist(name)) ZoneDialogs().EditPlaylist(&m_window, name);
  });
  if (done && m_songList.GetSafeHwnd()) m_songList.SetFocus();
}

void CZoneLookBase::OnEditSong(tSong* selected) {
  CJukeboxServices* app = JukeboxServices();
  tSong song;
  if (app == nullptr || song.Load(app->GetSongDatabase(), app->GetStorageManager(), selected->SongID) != 0) return;
  ZoneSongInfo fields;
  fields.name = song.SongName;
  fields.artist = song.SongArtist;
  fields.genre = song.SongPrimaryGenre;
  fields.album = song.SongAlbumName;
  fields.year = song.SongDate.GetYear();
  fields.month = song.SongDate.GetMonth();
  fields.day = song.SongDate.GetDay();
  fields.comments = song.SongComments;
  fields.uncompressedEnabled = song.SongCompression == ' ';
  fields.uncompressed = song.SongCompression == ' ' ? song.SongUncompressed : song.SongCompression == 'V';
  if (ZoneDialogs().EditSongInfo(&m_window, fields) == IDOK) {
    song.SetSongName(fields.name);
    song.SetSongArtist(fields.artist);
    song.AddGenre(fields.genre, TRUE);
    song.SetSongAlbumName(fields.album);
    song.SetSongDate(COleDateTime(fields.year, fields.month, fields.day, 0, 0, 0));
    song.SetSongComments(fields.comments);
    if (fields.uncompressedEnabled) song.SetSongUncompressed(fields.uncompressed);
    song.Update();
  }
  if (m_songList.GetSafeHwnd()) m_songList.SetFocus();
}

int CZoneLookBase::OnDeleteSong(tSong* selected) {
  const LONG id = selected->SongID;
  CString question;
  question.Format(ZoneText(IDS_ZONE_CONFIRM_DELETE), selected->SongName.GetString(), id);
  if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return -4;
  CJukeboxServices* app = JukeboxServices();
  if (app == nullptr) return -3;
  if (!app->LockSong(id)) {
    LogError(IDS_ZONE_SONG_LOCKED, id);
    return -1;
  }
  if (app->IsSongPlaying(id)) {
    app->UnlockSong(id);
    LogError(IDS_ZONE_SONG_PLAYING, id);
    return -2;
  }
  tSong song;
  const bool deleted =
      song.Load(app->GetSongDatabase(), app->GetStorageManager(), id) == 0 && song.Delete() >= 0;
  app->UnlockSong(id);
  if (!deleted) {
    LogError(IDS_ZONE_DELETE_FAILED, id);
    return -3;
  }
  CString text;
  text.Format(ZoneText(IDS_ZONE_DELETED), id);
  app->LogEvent("I", m_bridge.ZoneLogSource(), text);
  return 0;
}
