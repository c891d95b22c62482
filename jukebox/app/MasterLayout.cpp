// What the main window shows and how the keyboard drives the jukebox: the skin buttons and bitmap pieces,
// the normal (skinned frame) and TV layouts, the painted frame and the key map.
#include <algorithm>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "platform/ui/Input.h"

#ifndef ICON_BIG
#define ICON_BIG 1
#endif

using namespace jukebox;

namespace {

struct ButtonFaces {
  UINT up, down, hover, disabled;
};
constexpr ButtonFaces kNormalZoneFaces[8] = {{454, 453, 452, 475}, {457, 456, 455, 475}, {458, 459, 459, 475},
                                             {462, 461, 460, 475}, {465, 464, 463, 475}, {468, 467, 466, 475},
                                             {471, 470, 469, 475}, {474, 473, 472, 475}};
constexpr ButtonFaces kTvZoneFaces[8] = {{568, 569, 570, 567}, {571, 572, 573, 567}, {574, 575, 576, 567},
                                         {577, 578, 579, 567}, {580, 581, 582, 567}, {584, 585, 586, 567},
                                         {587, 588, 589, 567}, {590, 591, 592, 567}};
constexpr UINT kNormalPieces[] = {405, 406, 407, 395, 396, 397, 408, 410, 409, 398, 399, 400, 401};
constexpr UINT kTvPieces[] = {529, 530, 531, 526, 528, 527};
constexpr DWORD kPieceStyle = 0x5000020E;  // WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE

constexpr int kCaptionButton = 16;
constexpr int kBottomBarHeight = 21;
constexpr int kBadgeWidth = 485;
constexpr int kCornerCut = 6;

SIZE BitmapSize(const CBitmap& bitmap) {
  BITMAP info{};
  if (!bitmap.GetSafeHandle() || !bitmap.GetBitmap(&info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

RECT At(int x, int y, SIZE size) { return RECT{x, y, x + size.cx, y + size.cy}; }

}  // namespace

void CMasterWindow::CreateControls() {
  if (m_tvOutput)
    CreateTvControls();
  else
    CreateNormalControls();
}

void CMasterWindow::CreatePiece(Piece& piece, UINT bitmapId, UINT controlId) {
  piece.bitmapId = bitmapId;
  piece.controlId = controlId;
  piece.bitmap.LoadBitmap(bitmapId);
}

void CMasterWindow::CreateNormalControls() {
  m_titleFont.CreateFont(16, 0, 0, 0, 900, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_CHARACTER_PRECIS, 0, PROOF_QUALITY,
                         0, "Arial");
  m_bottomBitmap.LoadBitmap(411);
  m_titleBitmap.LoadBitmap(404);
  m_leftBitmap.LoadBitmap(402);
  m_rightBitmap.LoadBitmap(403);
  m_pieceCount = static_cast<int>(std::size(kNormalPieces));
  for (int i = 0; i < m_pieceCount; ++i)
    CreatePiece(m_pieces[static_cast<size_t>(i)], kNormalPieces[i], kNormalPieces[i] == 398 ? kResizeGripId : 0xFFFF);
  LayoutControls();

  const LPCSTR cls = AfxRegisterWndClass(0);
  m_quitButton.SetBitmapIds(451, 450, 449, 451);
  m_maximiseButton.SetBitmapIds(445, 444, 443, 445);
  m_minimiseButton.SetBitmapIds(448, 447, 446, 448);
  m_matrixButton.SetBitmapIds(687, 688, 688, 687);
  CRect none(0, 0, 1, 1);
  m_quitButton.Create(cls, "", WS_CHILD | WS_VISIBLE, none, this, kCmdQuit);
  m_maximiseButton.Create(cls, "", WS_CHILD | WS_VISIBLE, none, this, kCmdMaximise);
  m_minimiseButton.Create(cls, "", WS_CHILD | WS_VISIBLE, none, this, kCmdMinimise);
  m_matrixButton.Create(cls, "", WS_CHILD | WS_VISIBLE, none, this, kCmdAudioMatrix);
  for (int i = 0; i < kMaxZones; ++i) {
    const ButtonFaces& f = kNormalZoneFaces[i];
    m_zoneButtons[static_cast<size_t>(i)].SetBitmapIds(f.up, f.down, f.hover, f.disabled);
    m_zoneButtons[static_cast<size_t>(i)].Create(cls, "", WS_CHILD | WS_VISIBLE, none, this,
                                                 kCmdFirstZone + static_cast<UINT>(i));
  }
  for (int i = 0; i < m_pieceCount; ++i) {
    Piece& piece = m_pieces[static_cast<size_t>(i)];
    piece.control.Create("", kPieceStyle, piece.rect, this, piece.controlId);
    piece.control.SetBitmap(static_cast<HBITMAP>(piece.bitmap.GetSafeHandle()));
  }
  m_badgeBitmap.LoadBitmap(394);
  LayoutControls();
}

void CMasterWindow::CreateTvControls() {
  m_pieceCount = static_cast<int>(std::size(kTvPieces));
  for (int i = 0; i < m_pieceCount; ++i) CreatePiece(m_pieces[static_cast<size_t>(i)], kTvPieces[i]);
  for (int i = 0; i < m_pieceCount; ++i) {
    Piece& piece = m_pieces[static_cast<size_t>(i)];
    piece.control.Create("", kPieceStyle, CRect(0, 0, 1, 1), this, piece.controlId);
    piece.control.SetBitmap(static_cast<HBITMAP>(piece.bitmap.GetSafeHandle()));
  }
  const LPCSTR cls = AfxRegisterWndClass(0);
  for (int i = 0; i < kMaxZones; ++i) {
    const ButtonFaces& f = kTvZoneFaces[i];
    m_zoneButtons[static_cast<size_t>(i)].SetBitmapIds(f.up, f.down, f.hover, f.disabled);
    m_zoneButtons[static_cast<size_t>(i)].Create(cls, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1, 1), this,
                                                 kCmdFirstZone + static_cast<UINT>(i));
  }
  LayoutControls();
  m_matrixButton.SetBitmapIds(687, 688, 688, 687);
  m_matrixButton.Create(cls, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1, 1), this, kCmdAudioMatrix);
  LayoutControls();
}

void CMasterWindow::LayoutControls() {
  if (!GetSafeHwnd()) return;
  RECT client;
  GetClientRect(&client);
  if (m_tvOutput)
    LayoutTv();
  else
    LayoutNormal(client);
  MoveZoneWindows();
}

void CMasterWindow::LayoutNormal(const RECT& client) {
  const int cx = client.right, cy = client.bottom;
  auto piece = [&](UINT id) -> Piece& {
    for (int i = 0; i < m_pieceCount; ++i)
      if (m_pieces[static_cast<size_t>(i)].bitmapId == id) return m_pieces[static_cast<size_t>(i)];
    return m_pieces[0];
  };
  auto size = [&](UINT id) { return BitmapSize(piece(id).bitmap); };
  const int titleHeight = std::max<int>(24, BitmapSize(m_titleBitmap).cy);
  const int leftWidth = std::max<int>(6, BitmapSize(m_leftBitmap).cx);
  const int rightWidth = std::max<int>(6, BitmapSize(m_rightBitmap).cx);

  // Corners and ornaments along the edges.
  piece(405).rect = At(0, 0, size(405));
  piece(406).rect = At(piece(405).rect.right, 0, size(406));
  piece(407).rect = At(cx - size(407).cx, 0, size(407));
  piece(409).rect = At(piece(407).rect.left - size(409).cx, 0, size(409));
  piece(395).rect = At(0, cy - size(395).cy, size(395));
  piece(396).rect = At(piece(395).rect.right, cy - size(396).cy, size(396));
  piece(397).rect = At(piece(396).rect.right, cy - size(397).cy, size(397));
  piece(398).rect = At(cx - size(398).cx, cy - size(398).cy, size(398));
  piece(399).rect = At(piece(398).rect.left - size(399).cx, cy - size(399).cy, size(399));
  piece(408).rect = At(0, piece(405).rect.bottom, size(408));
  piece(400).rect = At(0, piece(395).rect.top - size(400).cy, size(400));
  piece(410).rect = At(cx - size(410).cx, piece(407).rect.bottom, size(410));
  piece(401).rect = At(cx - size(401).cx, piece(398).rect.top - size(401).cy, size(401));
  m_gripRect = piece(398).rect;

  m_titleRect = RECT{0, 0, cx, titleHeight};
  m_bottomRect = RECT{0, cy - kBottomBarHeight, cx, cy};
  m_leftRect = RECT{0, titleHeight, leftWidth, m_bottomRect.top};
  m_rightRect = RECT{cx - rightWidth, titleHeight, cx, m_bottomRect.top};
  m_badgeRect = RECT{piece(397).rect.right, m_bottomRect.top, piece(397).rect.right + kBadgeWidth, cy};
  m_zoneRect = RECT{m_leftRect.right, m_titleRect.bottom, m_rightRect.left, m_bottomRect.top};

  for (int i = 0; i < m_pieceCount; ++i) {
    Piece& p = m_pieces[static_cast<size_t>(i)];
    if (p.control.GetSafeHwnd())
      p.control.MoveWindow(p.rect.left, p.rect.top, p.rect.right - p.rect.left, p.rect.bottom - p.rect.top, TRUE);
  }
  // Caption buttons from right to left: quit, minimise, maximise/restore.
  const int top = 4;
  const int quitLeft = cx - 8 - kCaptionButton;
  const int minimiseLeft = quitLeft - 2 - kCaptionButton;
  const int maximiseLeft = minimiseLeft - 2 - kCaptionButton;
  if (m_quitButton.GetSafeHwnd()) m_quitButton.MoveWindow(quitLeft, top, kCaptionButton, kCaptionButton, TRUE);
  if (m_minimiseButton.GetSafeHwnd())
    m_minimiseButton.MoveWindow(minimiseLeft, top, kCaptionButton, kCaptionButton, TRUE);
  if (m_maximiseButton.GetSafeHwnd())
    m_maximiseButton.MoveWindow(maximiseLeft, top, kCaptionButton, kCaptionButton, TRUE);
  if (m_matrixButton.GetSafeHwnd()) m_matrixButton.MoveWindow(maximiseLeft - 10 - 48, 2, 48, 12, TRUE);
  for (int i = 0; i < kMaxZones; ++i) {
    CSkinButton& button = m_zoneButtons[static_cast<size_t>(i)];
    if (button.GetSafeHwnd()) button.MoveWindow(m_badgeRect.left + 2 + 60 * i, m_bottomRect.top + 3, 60, 16, TRUE);
  }
  ApplyShape(client);
}

void CMasterWindow::ApplyShape(const RECT& client) {
  const int cx = client.right, cy = client.bottom, c = kCornerCut;
  const POINT outline[] = {{c, 0}, {cx - c, 0}, {cx, c}, {cx, cy - c}, {cx - c, cy}, {c, cy}, {0, cy - c}, {0, c}};
  CRgn shape;
  if (shape.CreatePolygonRgn(outline, 8, WINDING)) SetWindowRgn(static_cast<HRGN>(shape.Detach()), TRUE);
}

void CMasterWindow::LayoutTv() {
  auto piece = [&](UINT id) -> Piece& {
    for (int i = 0; i < m_pieceCount; ++i)
      if (m_pieces[static_cast<size_t>(i)].bitmapId == id) return m_pieces[static_cast<size_t>(i)];
    return m_pieces[0];
  };
  auto size = [&](UINT id) { return BitmapSize(piece(id).bitmap); };
  piece(526).rect = At(0, 0, size(526));
  piece(528).rect = At(piece(526).rect.left, piece(526).rect.bottom, size(528));
  piece(527).rect = At(piece(526).rect.right - size(527).cx, piece(526).rect.bottom, size(527));
  piece(529).rect = At(piece(528).rect.left, piece(528).rect.bottom, size(529));
  piece(531).rect = At(piece(527).rect.right - size(531).cx, piece(527).rect.bottom, size(531));
  piece(530).rect = At(piece(529).rect.right, piece(529).rect.bottom - size(530).cy, size(530));
  for (int i = 0; i < m_pieceCount; ++i) {
    Piece& p = m_pieces[static_cast<size_t>(i)];
    if (p.control.GetSafeHwnd())
      p.control.MoveWindow(p.rect.left, p.rect.top, p.rect.right - p.rect.left, p.rect.bottom - p.rect.top, TRUE);
  }
  const RECT area{piece(529).rect.left, piece(529).rect.top, piece(530).rect.right, piece(530).rect.top};
  for (int i = 0; i < kMaxZones; ++i) {
    CSkinButton& button = m_zoneButtons[static_cast<size_t>(i)];
    if (button.GetSafeHwnd()) button.MoveWindow(area.left + 2 + 83 * i, area.top + 3, 83, 48, TRUE);
  }
  // Kept inside the window: at the button area's right end rather than left of its left edge.
  if (m_matrixButton.GetSafeHwnd()) m_matrixButton.MoveWindow(area.right - 2 - 48, area.top + 2, 48, 12, TRUE);
  m_zoneRect = RECT{piece(528).rect.right, piece(526).rect.bottom, piece(527).rect.left, piece(529).rect.top};
  m_bottomRect = area;
}

void CMasterWindow::MoveZoneWindows() {
  CJukeboxApp* app = JukeboxApp();
  if (!app) return;
  for (int i = 0; i < app->GetZoneCount() && i < kMaxZones; ++i) {
    CWnd* zone = app->GetZoneWindow(i);
    if (zone && zone->GetSafeHwnd())
      zone->SetWindowPos(nullptr, m_zoneRect.left, m_zoneRect.top, m_zoneRect.right - m_zoneRect.left,
                         m_zoneRect.bottom - m_zoneRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CMasterWindow::OnSize(UINT kind, int cx, int cy) {
  CWnd::OnSize(kind, cx, cy);
  if (kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED) LayoutControls();
}

// ---- Painting ----

void CMasterWindow::TileAcross(CDC& dc, CBitmap& bitmap, const RECT& rect) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cx <= 0) {
    dc.FillSolidRect(&rect, RGB(48, 48, 72));
    return;
  }
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(&bitmap);
  for (int x = rect.left; x < rect.right; x += size.cx)
    dc.BitBlt(x, rect.top, std::min<int>(size.cx, rect.right - x), rect.bottom - rect.top, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CMasterWindow::TileDown(CDC& dc, CBitmap& bitmap, const RECT& rect) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cy <= 0) {
    dc.FillSolidRect(&rect, RGB(48, 48, 72));
    return;
  }
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(&bitmap);
  for (int y = rect.top; y < rect.bottom; y += size.cy)
    dc.BitBlt(rect.left, y, rect.right - rect.left, std::min<int>(size.cy, rect.bottom - y), &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CMasterWindow::DrawTitle(CDC& dc) {
  CFont* oldFont = dc.SelectObject(&m_titleFont);
  dc.SetBkMode(TRANSPARENT);
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  const struct {
    int dx;
    COLORREF color;
  } passes[] = {{-4, RGB(140, 140, 140)}, {-2, RGB(128, 128, 128)}, {0, m_active ? RGB(192, 0, 0) : RGB(0, 0, 0)}};
  for (const auto& pass : passes) {
    RECT r = m_titleRect;
    OffsetRect(&r, pass.dx, 0);
    dc.SetTextColor(pass.color);
    dc.DrawText("Quaverhouse", &r, format);
  }
  dc.SelectObject(oldFont);
}

void CMasterWindow::OnPaint() {
  CPaintDC dc(this);
  if (m_tvOutput) return;
  const RECT& dirty = dc.m_ps.rcPaint;
  RECT overlap;
  if (IntersectRect(&overlap, &m_titleRect, &dirty)) {
    TileAcross(dc, m_titleBitmap, m_titleRect);
    dc.IntersectClipRect(&m_titleRect);
    DrawTitle(dc);
    dc.SelectClipRgn(nullptr);
  }
  if (IntersectRect(&overlap, &m_leftRect, &dirty)) TileDown(dc, m_leftBitmap, m_leftRect);
  if (IntersectRect(&overlap, &m_rightRect, &dirty)) TileDown(dc, m_rightBitmap, m_rightRect);
  if (IntersectRect(&overlap, &m_bottomRect, &dirty)) TileAcross(dc, m_bottomBitmap, m_bottomRect);
  if (IntersectRect(&overlap, &m_badgeRect, &dirty) && m_badgeBitmap.GetSafeHandle()) {
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(&m_badgeBitmap);
    dc.BitBlt(m_badgeRect.left, m_badgeRect.top, m_badgeRect.right - m_badgeRect.left,
              m_badgeRect.bottom - m_badgeRect.top, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
  }
  if (!m_statusText.IsEmpty()) {
    // What the window has to say (a timer failure, a part the build lacks) right of the zone buttons.
    RECT text{m_badgeRect.right + 6, m_bottomRect.top, m_bottomRect.right - 24, m_bottomRect.bottom};
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(255, 200, 120));
    dc.DrawText(m_statusText.GetString(), &text, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

void CMasterWindow::OnActivate(UINT state, CWnd* other, BOOL minimized) {
  CWnd::OnActivate(state, other, minimized);
  m_active = state != WA_INACTIVE ? 1 : 0;
  InvalidateRect(&m_titleRect, TRUE);
}

// ---- Dragging and resizing ----

void CMasterWindow::OnLButtonDown(UINT flags, CPoint point) {
  m_buttonDown = 1;
  m_pressPoint = point;
  GetWindowRect(&m_pressWindowRect);
  CWnd::OnLButtonDown(flags, point);
}

LRESULT CMasterWindow::OnNcHitTest(CPoint point) {
  const LRESULT standard = CWnd::OnNcHitTest(point);
  if (IsIconic() || IsZoomed()) return standard;
  CPoint local = point;
  ScreenToClient(&local);
  if (PtInRect(&m_gripRect, local)) {
    if (m_buttonDown && !m_resizing) {
      m_resizing = 1;
      SetCapture();
    }
    return standard;
  }
  RECT client;
  GetClientRect(&client);
  if (PtInRect(&client, local)) return HTCAPTION;
  return standard;
}

void CMasterWindow::OnLButtonUp(UINT flags, CPoint point) {
  ReleaseCapture();
  if (m_resizing) {
    RECT window;
    GetWindowRect(&window);
    const int width = std::max<int>(800, (window.right - window.left) + (point.x - m_pressPoint.x));
    const int height = std::max<int>(600, (window.bottom - window.top) + (point.y - m_pressPoint.y));
    MoveWindow(window.left, window.top, width, height, TRUE);
    Invalidate(TRUE);
  }
  m_resizing = 0;
  m_buttonDown = 0;
  CWnd::OnLButtonUp(flags, point);
}

// ---- Keyboard ----

void CMasterWindow::PostZoneCommand(UINT id) { PostToCurrentZone(WM_COMMAND, id, 0); }

bool CMasterWindow::HandleKey(UINT key) {
  switch (key) {
    case VK_RETURN: PostZoneCommand(kZonePlaySelected); return true;
    case VK_SPACE: PostZoneCommand(kZonePlayPause); return true;
    case VK_END: PostZoneCommand(kZoneNext); return true;
    case VK_HOME: PostZoneCommand(kZoneRewind); return true;
    case 'A': PostZoneCommand(kZoneArtist); return true;
    case 'D': PostZoneCommand(kZoneVolumeDown); return true;
    case 'F': PostZoneCommand(kZoneShuffle); return true;
    case 'G': PostZoneCommand(kZoneGenre); return true;
    case 'L': PostZoneCommand(kZoneAlbum); return true;
    case 'M': PostZoneCommand(kZoneMute); return true;
    case 'P': PostZoneCommand(kZonePlaylist); return true;
    case 'S': PostZoneCommand(kZoneSearch); return true;
    case 'T': PostZoneCommand(kZoneRepeat); return true;
    case 'U': PostZoneCommand(kZoneVolumeUp); return true;
    case 'X': PostZoneCommand(kZoneStop); return true;
    case 'I': PostMessage(WM_COMMAND, kCmdImport, 0); return true;
    case 'O': PostMessage(WM_COMMAND, kCmdOptions, 0); return true;
    case 'Q': PostMessage(WM_COMMAND, kCmdQuit, 0); return true;
    case 'R': PostMessage(WM_COMMAND, kCmdRipCd, 0); return true;
    case 'Y': OnAudioMatrix(); return true;
    case 'Z': MergeUploads(); return true;
    default: break;
  }
  if (key >= VK_F1 && key <= VK_F1 + 7) {
    const int zone = static_cast<int>(key - VK_F1);
    if (zone < m_zoneCount) SelectZone(zone);
    return true;
  }
  return false;
}

BOOL CMasterWindow::PreTranslateMessage(MSG* msg) {
  // Keys typed into the window or any of its children (the zone windows among them); a dialog of its
  // own is no child, so its typing is left alone.
  if (msg->message == WM_KEYDOWN && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
    const UINT key = static_cast<UINT>(msg->wParam);
    if (key == VK_UP || key == VK_DOWN) {
      PostZoneCommand(kZoneListMove);
    } else if (HandleKey(key)) {
      return TRUE;
    }
  }
  return CWnd::PreTranslateMessage(msg);
}
