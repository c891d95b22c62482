// Draws the main window's frame bitmaps (normal and TV layouts), the TV zone buttons and the program's
// icon with the platform's own raster, as resources/jukebox/bitmaps/<id>.png. Run by hand when the
// artwork changes:  qh_make_frame_artwork <source>/resources/jukebox/bitmaps
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ui/gdi/AfxGdi.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace {

constexpr COLORREF kFrameTop = RGB(92, 92, 132);
constexpr COLORREF kFrameBottom = RGB(40, 40, 64);
constexpr COLORREF kEdge = RGB(20, 20, 36);
constexpr COLORREF kLight = RGB(150, 150, 196);
constexpr COLORREF kAccent = RGB(255, 128, 0);

void Gradient(CDC& dc, int width, int height, COLORREF top, COLORREF bottom) {
  for (int y = 0; y < height; ++y) {
    auto mix = [&](int a, int b) { return static_cast<BYTE>(a + (b - a) * y / std::max(1, height - 1)); };
    dc.FillSolidRect(0, y, width, 1,
                     RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                         mix(GetBValue(top), GetBValue(bottom))));
  }
}

void Label(CDC& dc, int width, int height, const char* text, COLORREF color, int size) {
  if (!*text) return;
  CFont font;
  font.CreateFont(size, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  CFont* old = dc.SelectObject(&font);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(color);
  RECT r{0, 0, width, height};
  dc.DrawText(text, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  dc.SelectObject(old);
}

enum class Look { TitleBar, Side, BottomBar, Corner, Badge, Grip, TvBanner, TvSide, TvBase, ZoneUp, ZoneDown, ZoneHover, ZoneOff, Icon };

struct Piece {
  UINT id;
  int width, height;
  Look look;
  const char* text;
};

void Draw(CDC& dc, const Piece& p) {
  const int w = p.width, h = p.height;
  switch (p.look) {
    case Look::TitleBar: Gradient(dc, w, h, kFrameTop, kFrameBottom); dc.FillSolidRect(0, h - 1, w, 1, kEdge); break;
    case Look::Side: dc.FillSolidRect(0, 0, w, h, kFrameBottom); dc.FillSolidRect(w / 2, 0, 1, h, kLight); break;
    case Look::BottomBar: Gradient(dc, w, h, kFrameBottom, kFrameTop); dc.FillSolidRect(0, 0, w, 1, kEdge); break;
    case Look::Corner:
      Gradient(dc, w, h, kFrameTop, kFrameBottom);
      dc.FillSolidRect(2, 2, 3, 3, kAccent);
      break;
    case Look::Badge:
      Gradient(dc, w, h, kFrameBottom, kFrameTop);
      dc.FillSolidRect(0, 0, w, 1, kEdge);
      break;
    case Look::Grip:
      Gradient(dc, w, h, kFrameBottom, kFrameTop);
      for (int i = 0; i < 3; ++i) dc.FillSolidRect(w - 5 - 4 * i, h - 5 - 4 * (2 - i), 2, 2 + 4 * (2 - i), kLight);
      break;
    case Look::TvBanner: Gradient(dc, w, h, kFrameTop, kFrameBottom); Label(dc, w, h, p.text, kLight, 22); break;
    case Look::TvSide: Gradient(dc, w, h, kFrameBottom, kFrameBottom); break;
    case Look::TvBase: Gradient(dc, w, h, kFrameBottom, kFrameTop); break;
    case Look::ZoneUp: Gradient(dc, w, h, RGB(205, 205, 218), RGB(132, 132, 152)); Label(dc, w, h, p.text, RGB(64, 64, 128), 16); break;
    case Look::ZoneDown: Gradient(dc, w, h, RGB(70, 70, 96), RGB(118, 118, 150)); Label(dc, w, h, p.text, kAccent, 16); break;
    case Look::ZoneHover: Gradient(dc, w, h, RGB(228, 228, 240), RGB(160, 160, 186)); Label(dc, w, h, p.text, RGB(64, 64, 162), 16); break;
    case Look::ZoneOff: Gradient(dc, w, h, RGB(170, 170, 170), RGB(150, 150, 150)); Label(dc, w, h, p.text, RGB(118, 118, 118), 16); break;
    case Look::Icon:
      Gradient(dc, w, h, kFrameTop, kFrameBottom);
      Label(dc, w, h, "Q", kAccent, h - 6);
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <bitmap folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  std::vector<Piece> pieces = {
      // Normal layout: painted tiles and the badge of the bottom bar.
      {404, 8, 24, Look::TitleBar, ""},   {402, 6, 8, Look::Side, ""},      {403, 6, 8, Look::Side, ""},
      {411, 8, 21, Look::BottomBar, ""},  {394, 485, 21, Look::Badge, ""},
      // Normal layout: the pieces along the edges (corners, ornaments, the resize grip 398).
      {405, 24, 24, Look::Corner, ""},    {406, 40, 24, Look::TitleBar, ""}, {407, 24, 24, Look::Corner, ""},
      {409, 40, 24, Look::TitleBar, ""},  {395, 24, 21, Look::Corner, ""},   {396, 1, 21, Look::BottomBar, ""},
      {397, 1, 21, Look::BottomBar, ""},  {398, 21, 21, Look::Grip, ""},     {399, 1, 21, Look::BottomBar, ""},
      {408, 6, 24, Look::Side, ""},       {400, 6, 24, Look::Side, ""},      {410, 6, 24, Look::Side, ""},
      {401, 6, 24, Look::Side, ""},
      // TV layout (800 x 600): banner, sides, the base with the zone buttons.
      {526, 800, 40, Look::TvBanner, "Quaverhouse"}, {528, 12, 500, Look::TvSide, ""}, {527, 12, 500, Look::TvSide, ""},
      {529, 12, 60, Look::TvBase, ""},    {531, 12, 60, Look::TvBase, ""},   {530, 776, 6, Look::TvBase, ""},
      {130, 32, 32, Look::Icon, ""},
  };
  const UINT tvZones[8][3] = {{568, 569, 570}, {571, 572, 573}, {574, 575, 576}, {577, 578, 579},
                              {580, 581, 582}, {584, 585, 586}, {587, 588, 589}, {590, 591, 592}};
  static std::vector<std::string> labels;
  labels.reserve(8);
  for (int i = 0; i < 8; ++i) {
    labels.push_back("ZONE " + std::to_string(i + 1));
    pieces.push_back({tvZones[i][0], 83, 48, Look::ZoneUp, labels.back().c_str()});
    pieces.push_back({tvZones[i][1], 83, 48, Look::ZoneDown, labels.back().c_str()});
    pieces.push_back({tvZones[i][2], 83, 48, Look::ZoneHover, labels.back().c_str()});
  }
  pieces.push_back({567, 83, 48, Look::ZoneOff, "ZONE"});
  for (const Piece& p : pieces) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateBitmap(p.width, p.height, 1, 32, nullptr);
    CBitmap* old = dc.SelectObject(&bitmap);
    Draw(dc, p);
    dc.SelectObject(old);
    std::string error;
    const std::string path = folder + "/" + std::to_string(p.id) + ".png";
    if (!qh::gdi::WritePng(*qh::gdi::SurfaceFromBitmap(bitmap), path, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  std::printf("%zu bitmaps written to %s\n", pieces.size(), folder.c_str());
  return 0;
}
