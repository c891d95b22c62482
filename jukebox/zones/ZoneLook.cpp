// Layout and painting of the normal look. Every place is computed from the client rectangle and the
// sizes of the loaded bitmaps, so other artwork only moves things; a missing bitmap counts as 0 x 0.
#include "jukebox/zones/ZoneLook.h"

#include <algorithm>

#include "dblib/Song.h"
#include "jukebox/player/PlayerBase.h"

namespace {

constexpr COLORREF kKeyColour = RGB(255, 0, 255);

struct ButtonSpec {
  UINT id, up, down, hover, disabled;
  enum Shape { Plain, Chooser, Round } shape;
};

// In creation order; m_buttonRects follows the same order.
constexpr ButtonSpec kButtons[] = {
    {ID_ZONE_PLAY, 424, 425, 518, 519, ButtonSpec::Plain},     {ID_ZONE_PAUSE, 427, 426, 521, 524, ButtonSpec::Plain},
    {ID_ZONE_STOP, 428, 429, 520, 430, ButtonSpec::Plain},     {ID_ZONE_REWIND, 419, 420, 516, 421, ButtonSpec::Plain},
    {ID_ZONE_NEXT, 416, 417, 517, 418, ButtonSpec::Plain},     {ID_ZONE_OPTIONS, 480, 479, 481, 482, ButtonSpec::Plain},
    {ID_ZONE_CD_RIP, 487, 486, 488, 482, ButtonSpec::Plain},   {ID_ZONE_PLUGINS, 484, 483, 485, 482, ButtonSpec::Plain},
    {ID_ZONE_IMPORT, 477, 476, 478, 482, ButtonSpec::Plain},   {ID_ZONE_ARTIST, 496, 495, 493, 494, ButtonSpec::Chooser},
    {ID_ZONE_ALBUM, 492, 491, 489, 490, ButtonSpec::Chooser},  {ID_ZONE_GENRE, 504, 503, 501, 502, ButtonSpec::Chooser},
    {ID_ZONE_PLAYLIST, 508, 507, 505, 506, ButtonSpec::Chooser}, {ID_ZONE_SEARCH, 500, 499, 497, 498, ButtonSpec::Chooser},
    {ID_ZONE_SHUFFLE, 512, 511, 510, 509, ButtonSpec::Round},  {ID_ZONE_REPEAT, 512, 511, 510, 509, ButtonSpec::Round},
};
enum ButtonSlot { kPlay, kPause, kStop, kRewind, kNext, kOptions, kCdRip, kPlugins, kImport, kArtist, kAlbum, kGenre,
                  kPlaylist, kSearch, kShuffle, kRepeat };

// Bitmap ids of the skin pieces, in the order of CZoneLook's SkinIndex, and which are transparent.
constexpr struct {
  UINT id;
  bool transparent;
} kSkinIds[] = {{440, false}, {441, true}, {442, true}, {439, true}, {412, true}, {431, true}, {438, false},
                {435, false}, {436, false}, {437, false}, {413, true}, {414, true}, {415, false}, {423, true},
                {422, true}, {513, false}};
constexpr UINT kFrameStaticIds[] = {434, 432, 433};
constexpr UINT kPatternId = 386;
constexpr UINT kVolumeThumbId = 514, kPositionThumbId = 525;
constexpr UINT kVolumeThumbChild = 120, kPositionThumbChild = 106;

CRect At(int x, int y, CSize size) { return CRect(x, y, x + size.cx, y + size.cy); }


}  // namespace

CZoneLook::CZoneLook(CWnd& window, CZoneWindowBridge& bridge, ZoneLookOptions options)
    : CZoneLookBase(window, bridge), m_options(options) {}

CZoneLook::~CZoneLook() = default;

CString CZoneLook::LoadingText(int first, int last) const {
  CString text;
  text.Format("Loading songs %d to %d please wait...", first, last);
  return text;
}

// ---- Transparent bitmaps ----

void CZoneLook::MakeMaskBitmap(CBitmap& bitmap, CBitmap& mask, COLORREF key, CPoint point) {
  BITMAP info;
  if (bitmap.GetSafeHandle() == nullptr || !bitmap.GetBitmap(&info)) return;
  mask.DeleteObject();
  mask.CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr);
  CDC colourDc, maskDc;
  colourDc.CreateCompatibleDC(nullptr);
  maskDc.CreateCompatibleDC(nullptr);
  CBitmap* oldColour = colourDc.SelectObject(&bitmap);
  CBitmap* oldMask = maskDc.SelectObject(&mask);
  if (key == 0) key = colourDc.GetPixel(point.x, point.y);
  const COLORREF oldBack = colourDc.SetBkColor(key);
  maskDc.BitBlt(0, 0, info.bmWidth, info.bmHeight, &colourDc, 0, 0, SRCCOPY);
  const COLORREF oldText = colourDc.SetTextColor(RGB(255, 255, 255));
  colourDc.SetBkColor(RGB(0, 0, 0));
  colourDc.BitBlt(0, 0, info.bmWidth, info.bmHeight, &maskDc, 0, 0, SRCAND);
  colourDc.SetTextColor(oldText);
  colourDc.SetBkColor(oldBack);
  colourDc.SelectObject(oldColour);
  maskDc.SelectObject(oldMask);
}

void CZoneLook::DrawTransparentBitmap(CDC& dc, int x, int y, CBitmap& bitmap, CBitmap& mask) {
  BITMAP info;
  if (bitmap.GetSafeHandle() == nullptr || mask.GetSafeHandle() == nullptr || !bitmap.GetBitmap(&info)) return;
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(&mask);
  const COLORREF oldText = dc.SetTextColor(RGB(0, 0, 0));
  const COLORREF oldBack = dc.SetBkColor(RGB(255, 255, 255));
  dc.BitBlt(x, y, info.bmWidth, info.bmHeight, &memory, 0, 0, SRCAND);
  dc.SetTextColor(oldText);
  dc.SetBkColor(oldBack);
  memory.SelectObject(&bitmap);
  dc.BitBlt(x, y, info.bmWidth, info.bmHeight, &memory, 0, 0, SRCPAINT);
  memory.SelectObject(old);
}

// ---- Controls ----

void CZoneLook::CreateControls() {
  LoadSkin();
  MakeFonts({{"Arial Black", 48, 400}, {"Arial", 12, 700}, {"Arial Black", 36, 400}, {"Arial Black", 24, 400}});
  m_patternBitmap.LoadBitmap(kPatternId);
  if (m_patternBitmap.GetSafeHandle()) m_patternBrush.CreatePatternBrush(&m_patternBitmap);
  else m_patternBrush.CreateSolidBrush(m_colours[0]);
  for (std::size_t i = 0; i < m_frameStatics.size(); ++i) {
    m_frameStaticBitmaps[i].LoadBitmap(kFrameStaticIds[i]);
    m_frameStatics[i].Create("", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, CRect(0, 0, 0, 0), &m_window,
                             0xFFFF);
    m_frameStatics[i].SetBitmap(static_cast<HBITMAP>(m_frameStaticBitmaps[i].GetSafeHandle()));
  }
  m_listBrush.CreateSolidBrush(m_colours[0]);
  m_lightBrush.CreateSolidBrush(RGB(192, 192, 192));
  Layout();
  CreateButtons();
  m_volumeThumb.Setup(kVolumeThumbId, true, WM_ZONE_VOLUME_THUMB);
  m_volumeThumb.Create(nullptr, "", WS_CHILD | WS_VISIBLE, m_volumeThumbRect, &m_window, kVolumeThumbChild);
  m_positionThumb.Setup(kPositionThumbId, false, WM_ZONE_POSITION_THUMB);
  m_positionThumb.Create(nullptr, "", WS_CHILD | WS_VISIBLE, m_positionThumbRect, &m_window, kPositionThumbChild);
  CreateBrowser(m_browserRect);
  m_songList.m_selectedBackColor = RGB(64, 64, 128);
  m_songList.m_textColor = RGB(64, 64, 128);
  m_songList.m_selectedTextColor = RGB(192, 192, 192);
  m_songList.m_backColor = m_colours[0];
  m_songList.m_itemHeight = 16;
  CreateSongList(m_songListRect);
  m_created = true;
  Layout();
  m_window.Invalidate(TRUE);
}

void CZoneLook::LoadSkin() {
  for (std::size_t i = 0; i < m_skin.size(); ++i) {
    Skin& skin = m_skin[i];
    skin.bitmap.LoadBitmap(kSkinIds[i].id);
    skin.transparent = kSkinIds[i].transparent;
    if (skin.transparent) MakeMaskBitmap(skin.bitmap, skin.mask, kKeyColour, CPoint(0, 0));
  }
}

void CZoneLook::CreateButtons() {
  CRgn chooser, round;
  const POINT corners[] = {{3, 0}, {73, 0}, {76, 3}, {76, 21}, {73, 24}, {3, 24}, {0, 21}, {0, 3}};
  chooser.CreatePolygonRgn(corners, 8, ALTERNATE);
  round.CreateEllipticRgn(0, 0, 26, 26);
  for (std::size_t i = 0; i < std::size(kButtons); ++i) {
    const ButtonSpec& spec = kButtons[i];
    CRgn* shape = spec.shape == ButtonSpec::Chooser ? &chooser : spec.shape == ButtonSpec::Round ? &round : nullptr;
    CSkinButton& button = AddButton(spec.id, spec.up, spec.down, spec.hover, spec.disabled, shape);
    button.Create(m_buttonClass, "", WS_CHILD | WS_VISIBLE, m_buttonRects[i], &m_window, spec.id);
  }
  if (m_options.boxEngine) Button(ID_ZONE_PLUGINS)->EnableWindow(FALSE);
}

// ---- Layout ----

void CZoneLook::Layout() {
  CRect cr;
  m_window.GetClientRect(&cr);
  auto size = [&](SkinIndex i) { return BitmapSize(m_skin[i].bitmap); };
  Skin* s = m_skin.data();
  // Corners and the bottom band.
  s[kBottomLeft].rect = At(cr.left, cr.bottom - size(kBottomLeft).cy, size(kBottomLeft));
  s[kTopLeft].rect = At(cr.left, cr.top, size(kTopLeft));
  s[kTopRight].rect = At(cr.right - size(kTopRight).cx, cr.top, size(kTopRight));
  s[kBottomRight].rect = At(cr.right - size(kBottomRight).cx, cr.bottom - size(kBottomRight).cy, size(kBottomRight));
  const int x412 = s[kBottomRight].rect.left, y412 = s[kBottomRight].rect.top;
  m_bandArea = CRect(s[kBottomLeft].rect.right, cr.bottom - size(kBand).cy, x412, cr.bottom);
  s[kBand].rect = m_bandArea;
  m_patternArea = CRect(cr.left, cr.top, cr.right, m_bandArea.top);
  // The control panel on 412.
  m_statisticsArea = CRect(x412 + 21, y412 + 12, cr.right, y412 + 74);
  m_statusArea = CRect(x412 + 21, y412 + 36, cr.right, y412 + 48);
  const int chooserTops[] = {176, 206, 146, 116, 236};  // artist, album, genre, playlist, search
  for (int i = 0; i < 5; ++i) m_buttonRects[kArtist + i] = CRect(x412 + 6, y412 + chooserTops[i], x412 + 82, y412 + chooserTops[i] + 38);
  m_buttonRects[kShuffle] = CRect(x412 + 113, y412 + 105, x412 + 139, y412 + 131);
  m_buttonRects[kRepeat] = CRect(x412 + 113, y412 + 135, x412 + 139, y412 + 161);
  m_buttonRects[kOptions] = CRect(x412 + 110, y412 + 195, x412 + 171, y412 + 225);
  m_buttonRects[kCdRip] = CRect(x412 + 171, y412 + 195, x412 + 232, y412 + 225);
  m_buttonRects[kPlugins] = CRect(x412 + 110, y412 + 225, x412 + 171, y412 + 255);
  m_buttonRects[kImport] = CRect(x412 + 171, y412 + 225, x412 + 232, y412 + 255);
  // The upper panel.
  const CRect P(cr.left + 10, cr.top + 10, cr.right - 10, cr.top + 219);
  s[kPanelLeft].rect = At(P.left, P.top, size(kPanelLeft));
  s[kPanelRight].rect = At(P.right - size(kPanelRight).cx, P.top, size(kPanelRight));
  m_muteArea = s[kPanelRight].rect;
  s[kPanelTop].rect = CRect(s[kPanelLeft].rect.right, P.top, s[kPanelRight].rect.left, P.top + size(kPanelTop).cy);
  m_logoArea = s[kPanelTop].rect;
  s[kTransportLeft].rect = At(P.left, P.bottom - size(kTransportLeft).cy, size(kTransportLeft));
  const int x414 = s[kPanelRight].rect.left, y414 = s[kPanelRight].rect.top;
  m_volumeArea = CRect(x414 + 12, y414 + 17, x414 + 35, y414 + 30);
  m_volumeTrack = CRect(x414 + 38, y414 + 45, x414 + 38, y414 + 146);
  s[kPositionTrack].rect = At(x414 - size(kPositionTrack).cx, P.top + 167, size(kPositionTrack));
  const CRect& track513 = s[kPositionTrack].rect;
  m_positionTrack = CRect(track513.left + 18, track513.top + 10, track513.left + 200, track513.top + 10);
  m_browserRect = CRect(track513.left, m_logoArea.top, x414, track513.top);
  m_infoArea = CRect(m_logoArea.left, m_browserRect.top, m_browserRect.left, m_browserRect.bottom);
  m_positionTextArea = CRect(m_infoArea.right - 200, m_infoArea.bottom - 35, m_infoArea.right, m_infoArea.bottom);
  m_dspArea = CRect(m_positionTextArea.left - 40, m_positionTextArea.top - 18, m_positionTextArea.left,
                    m_positionTextArea.top);
  const CRect& t423 = s[kTransportLeft].rect;
  m_stateArea = CRect(t423.left + 15, t423.top + 10, t423.right - 15, t423.bottom - 18);
  for (int i = 0; i < 5; ++i) m_buttonRects[kPlay + i] = CRect(t423.right + 57 * i, t423.top, t423.right + 57 * (i + 1), t423.bottom);
  s[kTransportRight].rect = At(m_buttonRects[kNext].right, t423.top, size(kTransportRight));
  // The song-list frame.
  s[kFrameTopLeft].rect = At(cr.left + 10, P.bottom + 5, size(kFrameTopLeft));
  const CRect& f431 = s[kFrameTopLeft].rect;
  const CSize s434 = BitmapSize(m_frameStaticBitmaps[0]), s432 = BitmapSize(m_frameStaticBitmaps[1]),
              s433 = BitmapSize(m_frameStaticBitmaps[2]);
  m_frameStaticRects[0] = At(x412 - 20 - s434.cx, f431.bottom - s434.cy, s434);
  m_frameStaticRects[1] = At(m_frameStaticRects[0].right - s432.cx, m_bandArea.top - 10 - s432.cy, s432);
  m_frameStaticRects[2] = At(f431.left, m_bandArea.top - 10 - s433.cy, s433);
  const CRect &r434 = m_frameStaticRects[0], &r432 = m_frameStaticRects[1], &r433 = m_frameStaticRects[2];
  s[kFrameTop].rect = CRect(f431.right, f431.bottom - size(kFrameTop).cy, r434.left, f431.bottom);
  s[kFrameRight].rect = CRect(r434.right - size(kFrameRight).cx, r434.bottom, r434.right, r432.top);
  s[kFrameLeft].rect = CRect(f431.left, f431.bottom, f431.left + size(kFrameLeft).cx, r433.top);
  s[kFrameBottom].rect = CRect(r433.right, r433.bottom - size(kFrameBottom).cy, r432.left, r433.bottom);
  m_songListRect = CRect(r433.right, f431.bottom, r432.left, r433.top);
  if (m_created) RenderBackground();
  PlaceControls();
}

void CZoneLook::RenderBackground() {
  CRect client;
  m_window.GetClientRect(&client);
  m_background.DeleteObject();
  if (client.IsRectEmpty()) return;
  CClientDC screen(&m_window);
  m_background.CreateCompatibleBitmap(&screen, client.Width(), client.Height());
  CDC memory;
  memory.CreateCompatibleDC(&screen);
  CBitmap* old = memory.SelectObject(&m_background);
  PaintSkin(memory, client);
  memory.SelectObject(old);
}

void CZoneLook::PlaceControls() {
  if (!m_created) return;
  for (std::size_t i = 0; i < std::size(kButtons); ++i)
    if (CSkinButton* button = Button(kButtons[i].id); button && button->GetSafeHwnd()) button->MoveWindow(&m_buttonRects[i], TRUE);
  for (std::size_t i = 0; i < m_frameStatics.size(); ++i)
    if (m_frameStatics[i].GetSafeHwnd()) m_frameStatics[i].MoveWindow(&m_frameStaticRects[i], TRUE);
  if (m_songList.GetSafeHwnd()) m_songList.MoveWindow(&m_songListRect, TRUE);
  SetVolumeThumb(Player().GetVolume());
  SetPositionThumb(Player().GetPositionPercent());
  PlaceBrowser(m_browserRect);
}

// ---- Thumbs ----

void CZoneLook::SetPositionThumb(int percent) {
  const CRect& track = m_positionTrack;
  int x = static_cast<int>((track.right - track.left) * 0.01 * percent) + track.left - 6;
  x = std::clamp(x, track.left - 6, std::max(track.left - 6, track.right - 6));
  m_positionThumbRect = CRect(x, track.top - 5, x + 11, track.top - 5 + 12);
  if (m_positionThumb.GetSafeHwnd()) m_positionThumb.MoveWindow(&m_positionThumbRect, TRUE);
}

void CZoneLook::SetVolumeThumb(int percent) {
  const CRect& track = m_volumeTrack;
  int y = track.bottom - static_cast<int>((track.bottom - track.top) * 0.01 * percent) - 6;
  y = std::clamp(y, track.top - 6, std::max(track.top - 6, track.bottom - 6));
  m_volumeThumbRect = CRect(track.left - 5, y, track.left - 5 + 12, y + 11);
  if (m_volumeThumb.GetSafeHwnd()) m_volumeThumb.MoveWindow(&m_volumeThumbRect, TRUE);
}

void CZoneLook::OnVolumeThumbDrag(int delta) {
  const CRect& track = m_volumeTrack;
  const int top = std::clamp(m_volumeThumbRect.top + delta, track.top - 6, std::max(track.top - 6, track.bottom - 6));
  m_volumeThumbRect = CRect(track.left - 5, top, track.left - 5 + 12, top + 11);
  if (m_volumeThumb.GetSafeHwnd()) m_volumeThumb.MoveWindow(&m_volumeThumbRect, TRUE);
  if (track.top == track.bottom) return;
  m_volumeDragging = true;
  Player().SetVolume(static_cast<int>((top - track.bottom + 5) / ((track.top - track.bottom) * 0.01)));
  m_volumeDragging = false;
  m_bridge.ForgetSavedVolume();
}

void CZoneLook::OnPositionThumbDrag(int delta, bool released) {
  if (m_options.boxEngine) return;
  const CRect& track = m_positionTrack;
  const int left = std::clamp(m_positionThumbRect.left + delta, track.left - 6, std::max(track.left - 6, track.right - 6));
  m_positionThumbRect = CRect(left, track.top - 5, left + 11, track.top - 5 + 12);
  if (m_positionThumb.GetSafeHwnd()) m_positionThumb.MoveWindow(&m_positionThumbRect, TRUE);
  if (!released) {
    m_positionDragging = true;
    return;
  }
  m_positionDragging = false;
  if (track.right > track.left) Player().SeekPercent((left - track.left + 6) / ((track.right - track.left) * 0.01));
}

// ---- Hooks of this look ----

void CZoneLook::UpdateVolume() {
  if (!m_volumeDragging) SetVolumeThumb(Player().GetVolume());
  Invalidate(m_volumeArea, true);
}

void CZoneLook::UpdatePosition() {
  const int percent = Player().GetPositionPercent();  // also refreshes the elapsed text
  Invalidate(m_positionTextArea, false);
  // A box zone's thumb only ever follows playback.
  if (!m_positionDragging || m_options.boxEngine) SetPositionThumb(percent);
}

void CZoneLook::RedrawInfo() { Invalidate(m_infoArea, true); }

void CZoneLook::OnTimer(UINT_PTR id) {
  CZoneLookBase::OnTimer(id);
  if (id == kStatisticsTimer) {
    Player().StampStartTime();
    Invalidate(m_statisticsArea, false);
  }
}

void CZoneLook::OnLButtonDblClk(CPoint point) {
  if (m_muteArea.PtInRect(point)) Player().ToggleMute();
  if (m_logoArea.PtInRect(point)) ShowAboutBox();
}

// ---- Painting ----

void CZoneLook::OnPaint() {
  CPaintDC dc(&m_window);
  CRect update = dc.m_ps.rcPaint;
  if (update.IsRectEmpty()) return;
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap buffer;
  buffer.CreateCompatibleBitmap(&dc, update.Width(), update.Height());
  CBitmap* old = memory.SelectObject(&buffer);
  memory.SetViewportOrg(-update.left, -update.top);
  PaintInto(memory, update);
  memory.SetViewportOrg(0, 0);
  dc.BitBlt(update.left, update.top, update.Width(), update.Height(), &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CZoneLook::DrawSkin(CDC& dc, const Skin& skin, bool stretch) {
  CBitmap& bitmap = const_cast<CBitmap&>(skin.bitmap);
  if (bitmap.GetSafeHandle() == nullptr) return;
  if (skin.transparent) {
    DrawTransparentBitmap(dc, skin.rect.left, skin.rect.top, bitmap, const_cast<CBitmap&>(skin.mask));
    return;
  }
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(&bitmap);
  const CSize size = BitmapSize(bitmap);
  if (stretch) dc.StretchBlt(skin.rect.left, skin.rect.top, skin.rect.Width(), skin.rect.Height(), &memory, 0, 0, size.cx, size.cy, SRCCOPY);
  else dc.BitBlt(skin.rect.left, skin.rect.top, size.cx, size.cy, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CZoneLook::DrawText(CDC& dc, CFont* font, COLORREF colour, const CString& text, CRect area, UINT format) {
  CFont* old = font ? dc.SelectObject(font) : nullptr;
  dc.SetTextColor(colour);
  dc.DrawText(text, &area, format | DT_SINGLELINE | DT_NOPREFIX);
  if (old) dc.SelectObject(old);
}

void CZoneLook::PaintSkin(CDC& dc, const CRect& update) {
  auto meets = [&](const CRect& r) { CRect i; return i.IntersectRect(&r, &update) != FALSE; };
  // 1. Pattern, band, corners.
  if (meets(m_patternArea)) dc.FillRect(&m_patternArea, &m_patternBrush);
  if (meets(m_bandArea) && m_skin[kBand].bitmap.GetSafeHandle()) {
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(&m_skin[kBand].bitmap);
    const CSize band = BitmapSize(m_skin[kBand].bitmap);
    for (int x = m_bandArea.left; band.cx > 0 && x < m_bandArea.right; x += band.cx)
      dc.BitBlt(x, m_bandArea.top, std::min<int>(band.cx, m_bandArea.right - x), band.cy, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
  }
  for (SkinIndex i : {kBottomLeft, kTopLeft, kTopRight, kBottomRight})
    if (meets(m_skin[i].rect)) DrawSkin(dc, m_skin[i]);
  // 4. The song-list frame and the logo bar.
  if (meets(m_skin[kFrameTopLeft].rect)) DrawSkin(dc, m_skin[kFrameTopLeft]);
  for (SkinIndex i : {kFrameTop, kFrameBottom, kFrameLeft, kFrameRight})
    if (meets(m_skin[i].rect)) DrawSkin(dc, m_skin[i], true);
  if (meets(m_skin[kPanelTop].rect)) DrawSkin(dc, m_skin[kPanelTop], true);
  // 8-9. The panel pieces under the volume and state texts.
  for (SkinIndex i : {kPanelLeft, kPanelRight, kPositionTrack, kTransportLeft, kTransportRight})
    if (meets(m_skin[i].rect)) DrawSkin(dc, m_skin[i]);
}

void CZoneLook::PaintInto(CDC& dc, const CRect& update) {
  auto meets = [&](const CRect& r) { CRect i; return i.IntersectRect(&r, &update) != FALSE; };
  if (m_background.GetSafeHandle() != nullptr) {
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(&m_background);
    dc.BitBlt(update.left, update.top, update.Width(), update.Height(), &memory, update.left, update.top, SRCCOPY);
    memory.SelectObject(old);
  } else {
    PaintSkin(dc, update);
  }
  CPen pen(PS_SOLID, 1, m_colours[2]);
  CPen* oldPen = dc.SelectObject(&pen);
  dc.SetBkMode(TRANSPARENT);
  // 2-3. Statistics and status.
  if (meets(m_statisticsArea) || meets(m_statusArea)) PaintStatistics(dc);
  // 5-7. Now playing.
  if (meets(m_infoArea)) PaintInfo(dc);
  // 8-9. Volume and state.
  PaintVolumeAndState(dc);
  dc.SelectObject(oldPen);
}

void CZoneLook::PaintStatistics(CDC& dc) {
  CPlayerBase& player = Player();
  CFont* font = Font(1);
  const CRect& a = m_statisticsArea;
  const COleDateTimeSpan up = player.GetUpTime();
  CString lines[4];
  lines[0].Format("STREAM: %s", player.GetStreamName().GetString());
  lines[1].Format("DEV: %s", player.GetDeviceName().GetString());
  lines[2].Format("ACTIVE: %d days %d hrs %d mins", static_cast<int>(up.GetDays()), static_cast<int>(up.GetHours()),
                  static_cast<int>(up.GetMinutes()));
  lines[3].Format("%ld total songs, %ld total MB free", static_cast<long>(player.GetTotalSongs()),
                  static_cast<long>(player.GetTotalMbFree()));
  const int offsets[] = {0, 12, 38, 50};
  for (int i = 0; i < 4; ++i) DrawText(dc, font, m_colours[1], lines[i], CRect(a.left, a.top + offsets[i], a.right, a.top + offsets[i] + 12), DT_LEFT | DT_TOP);
  dc.MoveTo(a.left, a.top + 36);
  dc.LineTo(a.right, a.top + 36);
  DrawText(dc, font, m_colours[1], m_statusText, m_statusArea, DT_LEFT | DT_TOP);
}

void CZoneLook::PaintInfo(CDC& dc) {
  CPlayerBase& player = Player();
  const CRect& a = m_infoArea;
  CFont* label = Font(1);
  // The two time cells.
  dc.MoveTo(a.right, a.bottom - 40);
  dc.LineTo(a.right - 200, a.bottom - 40);
  dc.LineTo(a.right - 200, a.bottom);
  dc.MoveTo(a.right - 100, a.bottom);
  dc.LineTo(a.right - 100, a.bottom - 40);
  auto labelAt = [&](const char* text, int dx, int dy) {
    DrawText(dc, label, m_colours[1], text, CRect(a.left + dx, a.top + dy, a.right, a.top + dy + 14), DT_LEFT | DT_TOP);
  };
  labelAt("SONG:", 0, 3);
  labelAt("ARTIST:", 0, 55);
  labelAt("ALBUM:", 0, 110);
  labelAt("YEAR:", 0, 139);
  labelAt("GENRE:", 75, 139);
  DrawText(dc, label, m_colours[1], "CURRENT", CRect(a.right - 200, a.bottom - 40, a.right - 100, a.bottom - 26), DT_CENTER | DT_TOP);
  DrawText(dc, label, m_colours[1], "TOTAL", CRect(a.right - 100, a.bottom - 40, a.right, a.bottom - 26), DT_CENTER | DT_TOP);
  DrawText(dc, label, m_colours[2], player.GetFileTypeText(), CRect(a.left, a.top, a.right - 3, a.top + 14), DT_RIGHT | DT_TOP);
  if (tSong* song = player.GetCurrentSong()) {
    DrawText(dc, Font(0), m_colours[2], song->SongName, CRect(a.left, a.top + 7, a.right, a.top + 55), DT_LEFT | DT_TOP);
    DrawText(dc, Font(0), m_colours[2], song->SongArtist, CRect(a.left, a.top + 59, a.right, a.top + 110), DT_LEFT | DT_TOP);
    DrawText(dc, Font(3), m_colours[2], song->SongAlbumName, CRect(a.left, a.top + 115, a.right - 200, a.top + 139), DT_LEFT | DT_TOP);
    CString year = song->SongDate.GetStatus() == COleDateTime::valid ? song->SongDate.Format("%Y") : CString();
    DrawText(dc, Font(3), m_colours[2], year, CRect(a.left, a.top + 144, a.left + 75, a.top + 170), DT_LEFT | DT_TOP);
    DrawText(dc, Font(3), m_colours[2], song->SongPrimaryGenre, CRect(a.left + 75, a.top + 144, a.right - 200, a.top + 170), DT_LEFT | DT_TOP);
  }
  const CRect& t = m_positionTextArea;
  DrawText(dc, Font(2), m_colours[2], player.GetElapsedText(), CRect(t.left, t.bottom - 35, t.left + 100, t.bottom), DT_CENTER | DT_TOP);
  DrawText(dc, Font(2), m_colours[2], player.GetLengthText(), CRect(t.left + 100, t.bottom - 35, t.right, t.bottom), DT_CENTER | DT_TOP);
  if (!m_options.boxEngine && player.UsesPlugins())
    DrawText(dc, label, m_colours[2], "DSP", m_dspArea, DT_LEFT | DT_TOP);
}

void CZoneLook::PaintVolumeAndState(CDC& dc) {
  CString volume;
  volume.Format("%d", Player().GetVolume());
  DrawText(dc, Font(1), RGB(192, 192, 192), volume, m_volumeArea, DT_RIGHT | DT_TOP);
  CRect frame = m_volumeArea;
  frame.InflateRect(1, 1);
  dc.FrameRect(&frame, &m_lightBrush);
  CString state;
  Player().GetStateName(state);
  DrawText(dc, Font(1), m_colours[3], state, m_stateArea, DT_CENTER | DT_TOP);
}
