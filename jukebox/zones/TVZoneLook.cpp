// The TV look's layout follows the tile table: each element is anchored to the client edges or to an
// element placed before it, at the sizes of the loaded bitmaps.
#include "jukebox/zones/TVZoneLook.h"

#include <algorithm>

#include "dblib/Song.h"
#include "jukebox/player/PlayerBase.h"

namespace {

// Bitmap of each tile (1 to 41); 0 = uses the bitmap of the first tile of its run.
constexpr UINT kTileBitmaps[CTVZoneLook::kTileCount] = {
    532, 534, 533, 536, 537, 538, 539, 540, 541, 542, 543, 544, 545, 546, 547, 548, 549, 552, 551, 550, 0, 0, 0,
    558, 554, 555, 557, 553, 556, 0, 0, 0, 559, 560, 561, 563, 562, 566, 565, 0, 0};
constexpr UINT kPanelBitmap = 535, kStatusBitmap = 564;

struct TVButtonSpec {
  UINT id, up, down, hover, disabled;
  int width, height;
};
constexpr TVButtonSpec kTVButtons[] = {
    {ID_ZONE_ARTIST, 598, 599, 600, 597, 102, 36},   {ID_ZONE_ALBUM, 594, 595, 596, 593, 102, 36},
    {ID_ZONE_GENRE, 606, 607, 608, 605, 102, 36},    {ID_ZONE_PLAYLIST, 610, 611, 612, 609, 102, 36},
    {ID_ZONE_SEARCH, 602, 603, 604, 601, 102, 36},   {ID_ZONE_OPTIONS, 618, 619, 620, 621, 69, 29},
    {ID_ZONE_PLUGINS, 622, 623, 624, 625, 69, 29},   {ID_ZONE_CD_RIP, 626, 628, 627, 613, 69, 29},
    {ID_ZONE_IMPORT, 614, 615, 616, 617, 69, 29},    {ID_ZONE_VOLUME_UP, 634, 635, 636, 633, 71, 50},
    {ID_ZONE_VOLUME_DOWN, 630, 631, 632, 629, 71, 50}, {ID_ZONE_MUTE, 638, 639, 640, 637, 71, 50},
    {ID_ZONE_ADD_TO_EXISTING, 642, 643, 644, 645, 145, 35}, {ID_ZONE_EDIT_SELECTED_SONG, 646, 647, 648, 641, 145, 35},
    {ID_ZONE_PLAY, 662, 663, 664, 665, 80, 40},      {ID_ZONE_PAUSE, 658, 659, 660, 669, 80, 40},
    {ID_ZONE_STOP, 666, 667, 668, 657, 80, 40},      {ID_ZONE_REWIND, 650, 651, 652, 653, 80, 40},
    {ID_ZONE_NEXT, 654, 655, 656, 649, 80, 40},      {ID_ZONE_SHUFFLE, 674, 675, 676, 670, 145, 30},
    {ID_ZONE_REPEAT, 677, 671, 672, 673, 145, 30},
};

// The skin buttons' "shape parameters" of the volume buttons are their auto-repeat delay and period.
constexpr UINT kRepeatDelay = 350, kRepeatPeriod = 75;


// Rectangles from an anchored edge: "right = X" means left = X - width, "bottom = Y" top = Y - height.
CRect LeftTop(int left, int top, CSize s) { return CRect(left, top, left + s.cx, top + s.cy); }
CRect RightTop(int right, int top, CSize s) { return CRect(right - s.cx, top, right, top + s.cy); }
CRect LeftBottom(int left, int bottom, CSize s) { return CRect(left, bottom - s.cy, left + s.cx, bottom); }
CRect RightBottom(int right, int bottom, CSize s) { return CRect(right - s.cx, bottom - s.cy, right, bottom); }

}  // namespace

CTVZoneLook::CTVZoneLook(CWnd& window, CZoneWindowBridge& bridge, bool boxEngine)
    : CZoneLookBase(window, bridge), m_boxEngine(boxEngine) {}

CTVZoneLook::~CTVZoneLook() = default;

CString CTVZoneLook::LoadingText(int first, int last) const {
  CString text;
  text.Format("Loading %d to %d...", first, last);
  return text;
}

const CRect& CTVZoneLook::ButtonRect(UINT id) { return m_buttonRects[id]; }

CSize CTVZoneLook::TileSize(int number) const {
  const CBitmap* bitmap = m_tiles[number - 1].bitmap;
  return bitmap ? BitmapSize(*bitmap) : CSize(0, 0);
}

void CTVZoneLook::CreateControls() {
  CBitmap* runBitmap = nullptr;
  for (int i = 0; i < kTileCount; ++i) {
    Tile& tile = m_tiles[i];
    if (kTileBitmaps[i] != 0) {
      tile.ownBitmap.LoadBitmap(kTileBitmaps[i]);
      runBitmap = &tile.ownBitmap;
    }
    tile.bitmap = runBitmap;
    tile.control.Create("", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, CRect(0, 0, 0, 0), &m_window, 0xFFFF);
    tile.control.SetBitmap(static_cast<HBITMAP>(tile.bitmap->GetSafeHandle()));
    if (i == 3) m_panelBitmap.LoadBitmap(kPanelBitmap);
    if (i == 34) m_statusBitmap.LoadBitmap(kStatusBitmap);
  }
  CreateBrowser(CRect(0, 0, 0, 0));
  m_songList.m_textColor = m_statusColour;
  m_songList.m_backColor = m_listColour;
  m_songList.m_selectedTextColor = m_listColour;
  m_songList.m_selectedBackColor = m_statusColour;
  m_songList.m_itemHeight = 18;
  m_listBrush.CreateSolidBrush(m_listColour);
  m_levelBrush.CreateSolidBrush(RGB(192, 192, 192));
  m_darkBrush.CreateSolidBrush(RGB(0, 0, 0));
  CreateSongList(CRect(0, 0, 0, 0));
  for (const TVButtonSpec& spec : kTVButtons) {
    CSkinButton& button = AddButton(spec.id, spec.up, spec.down, spec.hover, spec.disabled);
    if (spec.id == ID_ZONE_VOLUME_UP || spec.id == ID_ZONE_VOLUME_DOWN) button.SetAutoRepeat(kRepeatDelay, kRepeatPeriod);
    button.Create(m_buttonClass, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &m_window, spec.id);
    if (m_boxEngine && spec.id == ID_ZONE_PLUGINS) button.EnableWindow(FALSE);
  }
  MakeFonts({{"Arial Black", 36, 400}, {"Arial", 12, 700}, {"Arial Black", 18, 400}});  // large, label, medium
  m_created = true;
  Layout();
}

void CTVZoneLook::Layout() {
  m_window.GetClientRect(&m_clientRect);
  const CRect& c = m_clientRect;
  auto t = [&](int n) -> CRect& { return m_tiles[n - 1].rect; };
  auto s = [&](int n) { return TileSize(n); };
  auto button = [&](UINT id) -> CRect& { return m_buttonRects[id]; };
  t(1) = LeftTop(c.left, c.top, s(1));
  t(2) = LeftTop(c.left, t(1).bottom, s(2));
  m_panelRect = LeftTop(t(2).right, t(1).bottom, BitmapSize(m_panelBitmap));
  t(3) = LeftTop(m_panelRect.right, t(1).bottom, s(3));
  t(4) = LeftTop(t(2).right, m_panelRect.bottom, s(4));
  m_timeBox = CRect(m_panelRect.right - 200, m_panelRect.bottom - 30, m_panelRect.right, m_panelRect.bottom);
  t(5) = LeftTop(t(1).right, c.top, s(5));
  t(6) = LeftTop(t(5).right, c.top, s(6));
  t(7) = LeftTop(t(6).right, c.top, s(7));
  t(9) = RightTop(c.right, t(7).bottom, s(9));
  t(13) = RightTop(c.right, t(9).bottom, s(13));
  t(12) = RightBottom(t(9).left, t(13).top - 50, s(12));
  t(11) = RightBottom(t(9).left, t(12).top - 50, s(11));
  t(10) = RightBottom(t(9).left, t(11).top - 50, s(10));
  t(8) = RightTop(t(10).left, t(7).bottom, s(8));
  button(ID_ZONE_MUTE) = CRect(t(9).left - 71, t(13).top - 50, t(9).left, t(13).top);
  button(ID_ZONE_VOLUME_DOWN) = CRect(t(9).left - 71, t(12).top - 50, t(9).left, t(12).top);
  button(ID_ZONE_VOLUME_UP) = CRect(t(9).left - 71, t(11).top - 50, t(9).left, t(11).top);
  m_volumeFigure = CRect(t(8).right, t(7).bottom, t(9).left - 10, t(10).top);
  m_volumeBar = CRect(t(6).right, c.top + 7, t(8).left, t(13).top - 2);
  t(14) = LeftTop(t(3).right, t(5).bottom + 35, s(14));
  t(15) = LeftTop(t(3).right, t(14).bottom + 35, s(15));
  t(16) = LeftTop(t(3).right, t(15).bottom + 30, s(16));
  t(17) = LeftTop(t(3).right, t(16).bottom + 30, s(17));
  button(ID_ZONE_ADD_TO_EXISTING) = LeftTop(t(3).right, t(5).bottom, CSize(145, 35));
  button(ID_ZONE_EDIT_SELECTED_SONG) = LeftTop(t(3).right, t(14).bottom, CSize(145, 35));
  button(ID_ZONE_SHUFFLE) = LeftTop(t(3).right, t(15).bottom, CSize(145, 30));
  button(ID_ZONE_REPEAT) = LeftTop(t(3).right, t(16).bottom, CSize(145, 30));
  t(18) = LeftTop(c.left, t(2).bottom, s(18));
  t(19) = RightTop(t(17).left, t(3).bottom, s(19));
  for (int n = 20; n <= 23; ++n) t(n) = LeftTop((n == 20 ? t(18).right : t(n - 1).right) + 80, t(4).bottom, s(n));
  const UINT transport[] = {ID_ZONE_PLAY, ID_ZONE_PAUSE, ID_ZONE_STOP, ID_ZONE_REWIND, ID_ZONE_NEXT};
  const int anchors[] = {18, 20, 21, 22, 23};
  for (int i = 0; i < 5; ++i) button(transport[i]) = CRect(t(anchors[i]).right, t(20).top, t(anchors[i]).right + 80, t(20).bottom);
  t(26) = RightBottom(c.right, c.bottom, s(26));
  t(24) = RightBottom(t(26).left, t(26).bottom, s(24));
  t(25) = RightBottom(t(24).left, t(26).bottom, s(25));
  t(27) = RightBottom(c.right, t(25).top, s(27));
  t(28) = RightTop(t(26).left, t(27).bottom, s(28));
  for (int n = 29; n <= 32; ++n) t(n) = RightBottom(t(26).left, (n == 29 ? t(24).top : t(n - 1).top) - 36, s(n));
  const UINT choosers[] = {ID_ZONE_SEARCH, ID_ZONE_PLAYLIST, ID_ZONE_GENRE, ID_ZONE_ALBUM, ID_ZONE_ARTIST};
  const int chooserAnchors[] = {24, 29, 30, 31, 32};
  for (int i = 0; i < 5; ++i) button(choosers[i]) = RightBottom(t(26).left, t(chooserAnchors[i]).top, CSize(102, 36));
  t(33) = RightBottom(t(25).left, t(24).bottom, s(33));
  t(35) = LeftBottom(c.left, c.bottom, s(35));
  t(37) = RightBottom(t(33).left, t(35).top, s(37));
  t(36) = LeftBottom(c.left, t(35).top, s(36));
  m_statusBarRect = LeftBottom(c.left, t(36).top, BitmapSize(m_statusBitmap));
  m_songListRect = CRect(t(36).right, m_statusBarRect.bottom, t(37).left, t(35).top);
  t(34) = LeftTop(t(37).right, m_statusBarRect.bottom, s(34));
  m_browserRect = CRect(t(37).right, t(34).bottom, t(25).left, t(33).top);
  t(38) = RightTop(c.right, t(13).bottom, s(38));
  for (int n = 39; n <= 41; ++n) t(n) = RightTop((n == 39 ? t(38).left : t(n - 1).left) - 69, t(13).bottom, s(n));
  const UINT grid[] = {ID_ZONE_OPTIONS, ID_ZONE_IMPORT, ID_ZONE_CD_RIP, ID_ZONE_PLUGINS};
  const int gridAnchors[] = {38, 39, 40, 41};
  for (int i = 0; i < 4; ++i) button(grid[i]) = CRect(t(gridAnchors[i]).left - 69, t(39).top, t(gridAnchors[i]).left, t(39).bottom);
  PlaceTiles();
}

void CTVZoneLook::PlaceTiles() {
  if (!m_created) return;
  for (Tile& tile : m_tiles)
    if (tile.control.GetSafeHwnd()) tile.control.MoveWindow(&tile.rect, TRUE);
  for (auto& [id, rect] : m_buttonRects)
    if (CSkinButton* button = Button(id); button && button->GetSafeHwnd()) button->MoveWindow(&rect, TRUE);
  if (m_songList.GetSafeHwnd()) m_songList.MoveWindow(&m_songListRect, TRUE);
  PlaceBrowser(m_browserRect);
  if (m_songList.GetSafeHwnd()) m_songList.Invalidate(TRUE);
}

bool CTVZoneLook::OnLookCommand(UINT id) {
  if (id != ID_ZONE_ADD_TO_EXISTING && id != ID_ZONE_EDIT_SELECTED_SONG) return false;
  int index = -1;
  if (tSong* song = GetSelectedSong(index)) {
    if (id == ID_ZONE_ADD_TO_EXISTING) OnAddToExistingPlaylist(song);
    else OnEditSong(song);
  }
  return true;
}

void CTVZoneLook::UpdateVolume() {
  Invalidate(m_volumeFigure, true);
  Invalidate(m_volumeBar, true);
}

void CTVZoneLook::UpdatePosition() {
  Player().GetPositionPercent();
  Invalidate(m_timeBox, false);
}

void CTVZoneLook::RedrawInfo() { Invalidate(m_panelRect, true); }

void CTVZoneLook::OnLButtonDblClk(CPoint point) {
  if (m_panelRect.PtInRect(point)) ShowAboutBox();
}

void CTVZoneLook::EraseBackground(HDC dc) {
  // The gaps between the tiles show the frame's own dark blue.
  CRect client;
  m_window.GetClientRect(&client);
  HBRUSH ground = CreateSolidBrush(RGB(24, 24, 52));
  FillRect(dc, &client, ground);
  DeleteObject(ground);
}

void CTVZoneLook::CopyBitmap(CDC& dc, CBitmap& bitmap, const CRect& rect) {
  if (bitmap.GetSafeHandle() == nullptr) return;
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(&bitmap);
  dc.BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CTVZoneLook::OnPaint() {
  CPaintDC dc(&m_window);
  const CRect update = dc.m_ps.rcPaint;
  auto meets = [&](const CRect& r) { CRect i; return i.IntersectRect(&r, &update) != FALSE; };
  CPen pen(PS_SOLID, 1, m_textColour);
  CPlayerBase& player = Player();
  tSong* song = player.GetCurrentSong();
  auto text = [&](CFont* font, COLORREF colour, UINT align, int x, int y, const CRect& clip, const CString& s) {
    CFont* old = dc.SelectObject(font);
    dc.SetTextColor(colour);
    dc.SetTextAlign(align);
    dc.ExtTextOut(x, y, ETO_CLIPPED, &clip, s, static_cast<UINT>(s.GetLength()), nullptr);
    dc.SelectObject(old);
  };
  if (meets(m_volumeFigure)) {
    const int saved = dc.SaveDC();
    dc.SetBkMode(TRANSPARENT);
    CString figure;
    figure.Format("%d", player.GetVolume());
    text(Font(0), RGB(192, 192, 192), TA_RIGHT, m_volumeFigure.right - 1, m_volumeFigure.top, m_volumeFigure, figure);
    dc.RestoreDC(saved);
  }
  if (meets(m_volumeBar)) {
    const int saved = dc.SaveDC();
    const int h = m_volumeBar.Height();
    const int level = m_volumeBar.bottom - static_cast<int>(h * (player.GetVolume() * 0.01));
    CRect lit(m_volumeBar.left, level, m_volumeBar.right, m_volumeBar.bottom);
    CRect dark(m_volumeBar.left, m_volumeBar.top, m_volumeBar.right, level - 1);
    dc.FillRect(&lit, &m_levelBrush);
    if (dark.bottom > dark.top) dc.FillRect(&dark, &m_darkBrush);
    dc.RestoreDC(saved);
  }
  if (meets(m_panelRect)) {
    const int saved = dc.SaveDC();
    dc.SetBkMode(TRANSPARENT);
    CopyBitmap(dc, m_panelBitmap, m_panelRect);
    const CRect& p = m_panelRect;
    const int L = p.left, T = p.top, R = p.right, B = p.bottom;
    CFont* label = Font(1);
    text(label, m_textColour, TA_LEFT, L, T, p, "SONG:");
    text(label, m_textColour, TA_LEFT, L, T + 39, p, "ARTIST:");
    text(label, m_textColour, TA_LEFT, L, T + 78, p, "ALBUM:");
    text(label, m_textColour, TA_LEFT, L, T + 110, p, "STREAM:");
    const CRect streamClip(L, T + 107, R - 200, B);
    text(Font(2), m_textColour, TA_LEFT, L + 48, T + 107, streamClip, player.GetStreamName());
    if (song != nullptr) {
      text(Font(0), m_textColour, TA_LEFT, L, T + 5, p, song->SongName);
      text(Font(0), m_textColour, TA_LEFT, L, T + 44, p, song->SongArtist);
      const CRect albumClip(L, T + 87, R - 200, B);
      text(Font(2), m_textColour, TA_LEFT, L, T + 87, albumClip, song->SongAlbumName);
      text(label, m_textColour, TA_RIGHT, R - 3, T + 3, p, player.GetFileTypeText());
    }
    CPen* oldPen = dc.SelectObject(&pen);
    dc.MoveTo(R, T + 95);
    dc.LineTo(R - 200, T + 95);
    dc.LineTo(R - 200, B);
    dc.MoveTo(R - 100, B);
    dc.LineTo(R - 100, T + 95);
    dc.SelectObject(oldPen);
    dc.RestoreDC(saved);
  }
  if (song != nullptr && meets(m_timeBox)) {
    const int saved = dc.SaveDC();
    dc.SetBkMode(TRANSPARENT);
    const CRect& b = m_timeBox;
    text(Font(1), m_textColour, TA_LEFT, b.left + 1, b.top + 1, b, "CUR:");
    text(Font(1), m_textColour, TA_LEFT, b.left + 101, b.top + 1, b, "TOT:");
    text(Font(0), m_textColour, TA_LEFT, b.left + 20, b.top + 1, b, player.GetElapsedText());
    text(Font(0), m_textColour, TA_LEFT, b.left + 120, b.top + 1, b, player.GetLengthText());
    dc.RestoreDC(saved);
  }
  if (meets(m_statusBarRect)) {
    const int saved = dc.SaveDC();
    dc.SetBkMode(TRANSPARENT);
    CopyBitmap(dc, m_statusBitmap, m_statusBarRect);
    text(Font(2), m_statusColour, TA_BOTTOM | TA_LEFT, m_statusBarRect.left + 15, m_statusBarRect.bottom,
         m_statusBarRect, m_statusText);
    dc.RestoreDC(saved);
  }
}
