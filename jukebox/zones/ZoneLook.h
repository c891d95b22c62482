// The normal look of a zone window: a skinned panel of bitmaps anchored to the window's corners, sixteen
// skin buttons, the volume and position thumbs, the song list in its frame, the cover browser and the
// painted now-playing, statistics and status texts.
#pragma once

#include <array>
#include <memory>

#include "jukebox/zones/BitmapCtrl.h"
#include "jukebox/zones/ZoneLookBase.h"

// What differs between the zones' engines in the normal look.
struct ZoneLookOptions {
  int volumeStep = 2;          // commands 121 and 122
  bool boxEngine = false;      // box zones: no plug-ins, the position thumb only follows playback
};

class CZoneLook : public CZoneLookBase {
 public:
  CZoneLook(CWnd& window, CZoneWindowBridge& bridge, ZoneLookOptions options);
  ~CZoneLook() override;

  void OnPaint() override;
  void Layout() override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDblClk(CPoint point) override;
  void CreateControls() override;
  void UpdateVolume() override;
  void UpdatePosition() override;
  void RedrawInfo() override;
  void OnVolumeThumbDrag(int delta);
  // Box zones leave this message alone (see HandlesPositionThumb).
  void OnPositionThumbDrag(int delta, bool released);
  bool HandlesPositionThumb() const { return !m_options.boxEngine; }

  void SetVolumeThumb(int percent);
  void SetPositionThumb(int percent);

  // Layout results (tests compare them with the windows).
  const CRect& VolumeTrack() const { return m_volumeTrack; }
  const CRect& PositionTrack() const { return m_positionTrack; }
  const CRect& VolumeThumbRect() const { return m_volumeThumbRect; }
  const CRect& PositionThumbRect() const { return m_positionThumbRect; }
  const CRect& MuteArea() const { return m_muteArea; }
  const CRect& LogoArea() const { return m_logoArea; }
  const CRect& InfoArea() const { return m_infoArea; }
  CBitmapCtrl& VolumeThumb() { return m_volumeThumb; }
  CBitmapCtrl& PositionThumb() { return m_positionThumb; }

  // The transparent-bitmap method: key-coloured pixels of the bitmap become white in the mask and black
  // in the bitmap, so mask SRCAND then bitmap SRCPAINT shows what is below through them. A key colour of
  // 0 takes the colour of the bitmap's pixel at `point`.
  static void MakeMaskBitmap(CBitmap& bitmap, CBitmap& mask, COLORREF key, CPoint point);
  static void DrawTransparentBitmap(CDC& dc, int x, int y, CBitmap& bitmap, CBitmap& mask);

 protected:
  int VolumeStep() const override { return m_options.volumeStep; }
  bool UsesStatisticsTimer() const override { return true; }
  CString LoadingText(int first, int last) const override;
  const CRect& StatusArea() const override { return m_statusArea; }
  void InvalidateStateArea() override { Invalidate(m_stateArea, true); }

 private:
  struct Skin {
    CBitmap bitmap;
    CBitmap mask;  // only for the transparent ones
    CRect rect;
    bool transparent = false;
  };
  enum SkinIndex {
    kBand, kBottomLeft, kTopLeft, kTopRight, kBottomRight, kFrameTopLeft, kFrameTop, kFrameRight, kFrameLeft,
    kFrameBottom, kPanelLeft, kPanelRight, kPanelTop, kTransportLeft, kTransportRight, kPositionTrack, kSkinCount
  };

  void LoadSkin();
  void CreateButtons();
  void PlaceControls();
  // The skin never changes between layouts: it is drawn once into m_background, and each paint copies
  // the part it needs before drawing the texts.
  void RenderBackground();
  void PaintSkin(CDC& dc, const CRect& update);
  void PaintInto(CDC& dc, const CRect& update);
  void PaintStatistics(CDC& dc);
  void PaintInfo(CDC& dc);
  void PaintVolumeAndState(CDC& dc);
  void DrawSkin(CDC& dc, const Skin& skin, bool stretch = false);
  void DrawText(CDC& dc, CFont* font, COLORREF colour, const CString& text, CRect area, UINT format);

  ZoneLookOptions m_options;
  CRect m_positionTextArea, m_infoArea, m_statisticsArea, m_statusArea, m_stateArea, m_logoArea, m_muteArea,
      m_volumeArea, m_dspArea, m_patternArea, m_bandArea;
  COLORREF m_colours[4] = {RGB(162, 162, 162), RGB(64, 64, 162), RGB(64, 64, 128), RGB(192, 192, 192)};
  CBitmapCtrl m_positionThumb;
  CRect m_positionThumbRect, m_positionTrack;
  CBitmapCtrl m_volumeThumb;
  CRect m_volumeThumbRect, m_volumeTrack;
  bool m_volumeDragging = false;
  bool m_positionDragging = false;
  CBrush m_lightBrush;
  std::array<Skin, kSkinCount> m_skin;
  CBitmap m_patternBitmap;
  CBrush m_patternBrush;
  std::array<CStatic, 3> m_frameStatics;  // top-right, bottom-right, bottom-left corners of the list frame
  std::array<CBitmap, 3> m_frameStaticBitmaps;
  std::array<CRect, 3> m_frameStaticRects;
  std::array<CRect, 16> m_buttonRects;
  CBitmap m_background;
  bool m_created = false;
};
