// The TV look of a zone window (800 x 600 TV output): a mosaic of fixed-size bitmap tiles anchored to the
// client edges and to each other, 21 big skin buttons, large type, the volume as a figure and a bar, and
// the times in a box. No thumbs; a double click never mutes.
#pragma once

#include <array>
#include <memory>

#include "jukebox/zones/ZoneLookBase.h"

class CTVZoneLook : public CZoneLookBase {
 public:
  static constexpr int kTileCount = 41;

  CTVZoneLook(CWnd& window, CZoneWindowBridge& bridge, bool boxEngine);
  ~CTVZoneLook() override;

  void OnPaint() override;
  void EraseBackground(HDC dc) override;
  void Layout() override;
  void OnLButtonDblClk(CPoint point) override;
  void CreateControls() override;
  void UpdateVolume() override;
  void UpdatePosition() override;
  void RedrawInfo() override;

  // Layout results (tiles numbered 1 to 41 as in the tile table).
  const CRect& TileRect(int number) const { return m_tiles[number - 1].rect; }
  const CRect& ButtonRect(UINT id);
  const CRect& PanelRect() const { return m_panelRect; }
  const CRect& TimeBox() const { return m_timeBox; }
  const CRect& VolumeFigureArea() const { return m_volumeFigure; }
  const CRect& VolumeBar() const { return m_volumeBar; }
  const CRect& StatusBar() const { return m_statusBarRect; }

 protected:
  int VolumeStep() const override { return 1; }
  bool UsesStatisticsTimer() const override { return false; }
  CString LoadingText(int first, int last) const override;
  const CRect& StatusArea() const override { return m_statusBarRect; }
  bool OnLookCommand(UINT id) override;

 private:
  struct Tile {
    CStatic control;
    CBitmap ownBitmap;
    CBitmap* bitmap = nullptr;  // its own or the first tile's of its run
    CRect rect;
  };

  CSize TileSize(int number) const;
  void PlaceTiles();
  void PaintPanel(CDC& dc);
  void CopyBitmap(CDC& dc, CBitmap& bitmap, const CRect& rect);

  bool m_boxEngine;
  CRect m_timeBox;
  COLORREF m_listColour = RGB(200, 200, 200);
  COLORREF m_textColour = RGB(192, 192, 192);
  COLORREF m_statusColour = RGB(64, 64, 128);
  CBrush m_levelBrush, m_darkBrush;
  CRect m_volumeFigure, m_volumeBar;
  CRect m_clientRect;
  std::array<Tile, kTileCount> m_tiles;
  CBitmap m_panelBitmap, m_statusBitmap;
  CRect m_panelRect, m_statusBarRect;
  std::map<UINT, CRect> m_buttonRects;
  bool m_created = false;
};
