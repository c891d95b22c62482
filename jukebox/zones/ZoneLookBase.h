// What both looks of a zone window share (the normal look and the TV look): the song list, the cover
// browser and its page, the status text, the skin buttons by command id, the screen hooks whose
// behaviour is the same in both, timer 20, and every command and menu of the zone. A look draws and lays
// out; the window (CZoneWindowT) routes its messages and hooks here.
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <vector>

#include "jukebox/app/SkinButton.h"
#include "jukebox/app/SkinListBox.h"
#include "jukebox/zones/CoverPage.h"
#include "jukebox/zones/WebBrowser21.h"
#include "jukebox/zones/ZoneWindowBridge.h"
#include "platform/ui/AfxWin.h"

class tSong;

// Command ids of the zone (buttons, keys, menu and requests to the main window).
enum ZoneCommand : UINT {
  ID_ZONE_ARTIST = 100, ID_ZONE_STOP = 101, ID_ZONE_PLAYPAUSE = 102, ID_ZONE_GENRE = 103, ID_ZONE_PLAYLIST = 104,
  ID_ZONE_SEARCH = 105, ID_ZONE_REWIND = 107, ID_ZONE_PLAY = 108, ID_ZONE_PAUSE = 109, ID_ZONE_LIST = 110,
  ID_ZONE_SHUFFLE = 111, ID_ZONE_REPEAT = 112, ID_ZONE_FOCUS_LIST = 115, ID_ZONE_VOLUME_UP = 121,
  ID_ZONE_VOLUME_DOWN = 122, ID_ZONE_PLAY_SELECTED = 123, ID_ZONE_NEXT = 124, ID_ZONE_ALBUM = 125,
  ID_ZONE_MUTE = 126, ID_ZONE_ADD_TO_EXISTING = 127, ID_ZONE_EDIT_SELECTED_SONG = 128,
  ID_MENU_NEW_PLAYLIST = 200, ID_MENU_ADD_TO_EXISTING = 201, ID_MENU_ADD_TO_CURRENT = 202,
  ID_MENU_EDIT_PLAYLIST = 203, ID_MENU_EDIT_SONG = 204, ID_MENU_DELETE_SONG = 205,
  ID_ZONE_OPTIONS = 600, ID_ZONE_CD_RIP = 601, ID_ZONE_PLUGINS = 602, ID_ZONE_IMPORT = 603,
};
inline constexpr UINT kZoneBrowserId = 114;
inline constexpr UINT_PTR kDisplayTimer = 20;
inline constexpr UINT kDisplayTimerMs = 900;
inline constexpr UINT_PTR kStatisticsTimer = 21;
inline constexpr UINT kStatisticsTimerMs = 60000;
// Requests to the main window.
inline constexpr UINT WM_ZONE_IMPORT = 0x465;
inline constexpr UINT WM_ZONE_CD_RIP = 0x466;
inline constexpr UINT WM_ZONE_OPTIONS = 0x467;
// Thumb drags.
inline constexpr UINT WM_ZONE_VOLUME_THUMB = 0x590;
inline constexpr UINT WM_ZONE_POSITION_THUMB = 0x591;

class CZoneLookBase {
 public:
  CZoneLookBase(CWnd& window, CZoneWindowBridge& bridge);
  virtual ~CZoneLookBase();

  // ---- Window messages ----
  int OnCreate();
  void OnDestroy();
  virtual void OnPaint() = 0;
  // The window's ground where no control or painted area lies; the normal look's pattern covers it all.
  virtual void EraseBackground(HDC) {}
  virtual void Layout() = 0;
  virtual void OnTimer(UINT_PTR id);
  void OnWindowPosChanged(const WINDOWPOS* position);
  HBRUSH OnCtlColorListBox() { return static_cast<HBRUSH>(m_listBrush.GetSafeHandle()); }
  void OnContextMenu();
  virtual void OnLButtonDblClk(CPoint point) = 0;
  // Handles the command (inside the zone's exception guard); the caller then runs the base routing.
  void OnCommand(WPARAM wParam, LPARAM lParam);

  // ---- Screen hooks ----
  void SetStatusText(const CString& text);
  int PlayAdjacentSong(int delta);
  int MoveListSelection(int delta);
  void PlaySelectedSong();
  virtual void CreateControls() = 0;
  // Deletes the fonts and clears their pointers (both looks).
  virtual void DestroyControls();
  void UpdateShuffleButton();
  void UpdateRepeatButton();
  virtual void UpdateVolume() = 0;
  virtual void UpdatePosition() = 0;
  void UpdateState();
  virtual void RedrawInfo() = 0;
  void ShowSongCount();
  void ClearSongList();
  void ShowLoadingText(int firstIndex, int count);
  void SelectCurrentSong();
  void ShowAlbumCover();

  // ---- Queries (tests and the window) ----
  tSong* GetSelectedSong(int& index);
  CString GetStatusText() const { return m_statusText; }
  CSkinListBox& SongList() { return m_songList; }
  CWebBrowser21& Browser() { return m_browser; }
  CSkinButton* Button(UINT id);
  const CRect& SongListRect() const { return m_songListRect; }
  const CRect& BrowserRect() const { return m_browserRect; }
  bool IsCoverPageShown() const { return m_coverPageShown; }
  int OnDeleteSong(tSong* song);

 protected:
  // ---- What a look decides ----
  virtual int VolumeStep() const = 0;
  virtual bool UsesStatisticsTimer() const = 0;
  virtual CString LoadingText(int first, int last) const = 0;
  virtual const CRect& StatusArea() const = 0;
  virtual void InvalidateStateArea() {}
  // Commands only one look has (the TV look's 127 and 128); true when handled.
  virtual bool OnLookCommand(UINT) { return false; }

  // ---- Shared building blocks ----
  struct FontSpec {
    const char* face;
    int height;
    int weight;
  };
  // Fills the font descriptions (output precision OUT_CHARACTER_PRECIS, quality PROOF_QUALITY, every
  // other field 0) and makes the fonts, in the given order.
  void MakeFonts(std::initializer_list<FontSpec> specs);
  CFont* Font(std::size_t index) { return index < m_fonts.size() ? m_fonts[index].get() : nullptr; }
  // A bitmap's size; 0 x 0 for one that did not load.
  static CSize BitmapSize(const CBitmap& bitmap);
  CSkinButton& AddButton(UINT id, UINT up, UINT down, UINT hover, UINT disabled, CRgn* shape = nullptr);
  void CreateSongList(const CRect& rect);
  void CreateBrowser(const CRect& rect);
  void PlaceBrowser(const CRect& rect);
  void FillSongList(tSong* song);
  void Invalidate(const CRect& area, bool erase);
  void ShowAboutBox();
  void LogError(UINT textId, ...);
  CPlayerBase& Player() { return m_bridge.Player(); }

  void OnChooseArtist();
  void OnChooseAlbum();
  void OnChooseGenre();
  void OnLoadPlaylist();
  void OnSearchSongs();
  void OnCreateNewPlaylist(tSong* song);
  void OnAddToExistingPlaylist(tSong* song);
  void AddSongToPlaylist(const CString& playlistName, LONG songId);
  // The existing-playlist chooser with the current name preset; on a valid choice the current playlist
  // name becomes the chosen one.
  bool ChooseSavedPlaylist(CString& name);
  void OnEditPlaylist();
  void OnEditSong(tSong* song);
  void RunCommand(UINT id, UINT code);
  void RunMenuCommand(UINT id);
  void PostToMainWindow(UINT message);
  // The guard of the commands: the exception's text logged (log only); returns false after one.
  template <typename Body>
  bool Guarded(int idCode, Body&& body);
  void ReportException(int idCode, int kind, const CString& detail, long code);

  CWnd& m_window;
  CZoneWindowBridge& m_bridge;
  CSkinListBox m_songList;
  CRect m_songListRect;
  CWebBrowser21 m_browser;
  CRect m_browserRect;
  CString m_statusText;
  CBrush m_listBrush;
  std::map<UINT, std::unique_ptr<CSkinButton>> m_buttons;
  CZoneCoverPage m_coverPage;
  bool m_coverPageShown = false;
  CString m_buttonClass;
  std::vector<LOGFONT> m_logFonts;
  std::vector<std::unique_ptr<CFont>> m_fonts;
};
