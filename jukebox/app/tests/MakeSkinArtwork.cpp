// Draws the jukebox's skin-button bitmaps with the platform's own raster and writes them as
// resources/jukebox/bitmaps/<id>.png. Run by hand when the artwork changes:
//   qh_make_skin_artwork <source>/resources/jukebox/bitmaps
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/gdi/AfxGdi.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace {

enum class Face { Up, Down, Hover, Disabled };
enum class Shape { Plain, Chooser, Round };
enum class Glyph { Text, Play, Pause, Stop, Rewind, Next, Close, Maximise, Minimise, Led };

struct Palette {
  COLORREF top, bottom, edge, ink;
};

Palette PaletteOf(Face face) {
  switch (face) {
    case Face::Up: return {RGB(205, 205, 218), RGB(132, 132, 152), RGB(64, 64, 128), RGB(64, 64, 128)};
    case Face::Down: return {RGB(70, 70, 96), RGB(118, 118, 150), RGB(32, 32, 80), RGB(255, 128, 0)};
    case Face::Hover: return {RGB(228, 228, 240), RGB(160, 160, 186), RGB(64, 64, 162), RGB(64, 64, 162)};
    case Face::Disabled: return {RGB(170, 170, 170), RGB(150, 150, 150), RGB(120, 120, 120), RGB(118, 118, 118)};
  }
  return {};
}

constexpr COLORREF kPanel = RGB(162, 162, 162);

void Gradient(CDC& dc, const RECT& r, COLORREF top, COLORREF bottom) {
  const int h = r.bottom - r.top;
  for (int y = 0; y < h; ++y) {
    auto mix = [&](int a, int b) { return static_cast<BYTE>(a + (b - a) * y / std::max(1, h - 1)); };
    dc.FillSolidRect(r.left, r.top + y, r.right - r.left, 1,
                     RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                         mix(GetBValue(top), GetBValue(bottom))));
  }
}

void Triangle(CDC& dc, int x, int y, int w, int h, bool right) {
  const POINT tip = right ? POINT{x + w, y + h / 2} : POINT{x, y + h / 2};
  const POINT points[] = {right ? POINT{x, y} : POINT{x + w, y}, tip, right ? POINT{x, y + h} : POINT{x + w, y + h}};
  dc.Polygon(points, 3);
}

void DrawGlyph(CDC& dc, Glyph glyph, const RECT& area, const Palette& p, const char* label) {
  CBrush ink(p.ink);
  CPen pen(PS_SOLID, 1, p.ink);
  CBrush* oldBrush = dc.SelectObject(&ink);
  CPen* oldPen = dc.SelectObject(&pen);
  const int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
  const int s = std::min(area.right - area.left, area.bottom - area.top) / 2;
  switch (glyph) {
    case Glyph::Play: Triangle(dc, cx - s / 2, cy - s / 2, s, s, true); break;
    case Glyph::Pause:
      dc.FillSolidRect(cx - s / 2, cy - s / 2, s / 3, s, p.ink);
      dc.FillSolidRect(cx + s / 2 - s / 3, cy - s / 2, s / 3, s, p.ink);
      break;
    case Glyph::Stop: dc.FillSolidRect(cx - s / 2, cy - s / 2, s, s, p.ink); break;
    case Glyph::Rewind:
      Triangle(dc, cx - s / 2, cy - s / 2, s / 2, s, false);
      Triangle(dc, cx, cy - s / 2, s / 2, s, false);
      dc.FillSolidRect(cx - s / 2 - 3, cy - s / 2, 2, s + 1, p.ink);
      break;
    case Glyph::Next:
      Triangle(dc, cx - s / 2, cy - s / 2, s / 2, s, true);
      Triangle(dc, cx, cy - s / 2, s / 2, s, true);
      dc.FillSolidRect(cx + s / 2 + 1, cy - s / 2, 2, s + 1, p.ink);
      break;
    case Glyph::Close:
      dc.MoveTo(cx - 4, cy - 4); dc.LineTo(cx + 4, cy + 4);
      dc.MoveTo(cx - 3, cy - 4); dc.LineTo(cx + 5, cy + 4);
      dc.MoveTo(cx + 4, cy - 4); dc.LineTo(cx - 4, cy + 4);
      dc.MoveTo(cx + 5, cy - 4); dc.LineTo(cx - 3, cy + 4);
      break;
    case Glyph::Maximise: {
      CBrush hollow;
      hollow.CreateStockObject(NULL_BRUSH);
      dc.SelectObject(&hollow);
      dc.Rectangle(cx - 4, cy - 4, cx + 5, cy + 5);
      dc.FillSolidRect(cx - 4, cy - 4, 9, 2, p.ink);
      dc.SelectObject(&ink);
      break;
    }
    case Glyph::Minimise: dc.FillSolidRect(cx - 4, cy + 2, 9, 2, p.ink); break;
    case Glyph::Led: {
      CBrush lens(p.ink == RGB(255, 128, 0) ? RGB(255, 150, 40) : RGB(90, 90, 110));
      dc.SelectObject(&lens);
      dc.Ellipse(cx - 5, cy - 5, cx + 6, cy + 6);
      dc.SelectObject(&ink);
      break;
    }
    case Glyph::Text: {
      // The largest bold face, up to 14 pixels, that fits the label into the face.
      CFont font;
      for (LONG height = std::min<LONG>(14, area.bottom - area.top - 2); height >= 6; --height) {
        LOGFONT log{};
        log.lfHeight = height;
        log.lfWeight = FW_BOLD;
        log.lfQuality = PROOF_QUALITY;
        std::strcpy(log.lfFaceName, "Arial");
        font.DeleteObject();
        font.CreateFontIndirect(&log);
        CFont* previous = dc.SelectObject(&font);
        const SIZE extent = dc.GetTextExtent(label);
        dc.SelectObject(previous);
        if (extent.cx <= area.right - area.left - 4) break;
      }
      CFont* oldFont = dc.SelectObject(&font);
      dc.SetBkMode(TRANSPARENT);
      dc.SetTextColor(p.ink);
      RECT r = area;
      dc.DrawText(label, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
      dc.SelectObject(oldFont);
      break;
    }
  }
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);
}

struct Button {
  UINT up, down, hover, disabled;
  int width, height;
  Shape shape;
  Glyph glyph;
  const char* label;
};

// One face: the body in the face's colours, clipped to the button's shape, with its glyph.
void DrawFace(CDC& dc, const Button& b, Face face) {
  const Palette p = PaletteOf(face);
  dc.FillSolidRect(0, 0, b.width, b.height, kPanel);
  RECT body{0, 0, b.width, b.height};
  CRgn shape;
  if (b.shape == Shape::Chooser) {
    body.bottom = 24;
    const POINT cut[] = {{4, 0}, {72, 0}, {76, 4}, {76, 20}, {72, 24}, {4, 24}, {0, 20}, {0, 4}};
    shape.CreatePolygonRgn(cut, 8, ALTERNATE);
  } else if (b.shape == Shape::Round) {
    shape.CreateEllipticRgn(0, 0, b.width, b.height);
  } else {
    shape.CreateRectRgn(0, 0, b.width, b.height);
  }
  dc.SelectClipRgn(&shape);
  Gradient(dc, body, p.top, p.bottom);
  CBrush edge(p.edge);
  dc.FrameRgn(&shape, &edge, 1, 1);
  if (face != Face::Disabled && b.shape != Shape::Round) {
    dc.FillSolidRect(1, 1, body.right - 2, 1, face == Face::Down ? p.edge : RGB(240, 240, 248));
  }
  DrawGlyph(dc, b.glyph, RECT{2, 1, body.right - 2, body.bottom - 1}, p, b.label);
  dc.SelectClipRgn(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <bitmap folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const std::vector<Button> buttons = {
      // Zone window: transport row, 2 by 2 grid, chooser column, shuffle and repeat.
      {424, 425, 518, 519, 57, 40, Shape::Plain, Glyph::Play, ""},
      {427, 426, 521, 524, 57, 40, Shape::Plain, Glyph::Pause, ""},
      {428, 429, 520, 430, 57, 40, Shape::Plain, Glyph::Stop, ""},
      {419, 420, 516, 421, 57, 40, Shape::Plain, Glyph::Rewind, ""},
      {416, 417, 517, 418, 57, 40, Shape::Plain, Glyph::Next, ""},
      {480, 479, 481, 482, 61, 30, Shape::Plain, Glyph::Text, "OPTIONS"},
      {487, 486, 488, 482, 61, 30, Shape::Plain, Glyph::Text, "CD RIP"},
      {484, 483, 485, 482, 61, 30, Shape::Plain, Glyph::Text, "PLUG-INS"},
      {477, 476, 478, 482, 61, 30, Shape::Plain, Glyph::Text, "IMPORT"},
      {496, 495, 493, 494, 76, 38, Shape::Chooser, Glyph::Text, "ARTIST"},
      {492, 491, 489, 490, 76, 38, Shape::Chooser, Glyph::Text, "ALBUM"},
      {504, 503, 501, 502, 76, 38, Shape::Chooser, Glyph::Text, "GENRE"},
      {508, 507, 505, 506, 76, 38, Shape::Chooser, Glyph::Text, "PLAYLIST"},
      {500, 499, 497, 498, 76, 38, Shape::Chooser, Glyph::Text, "SEARCH"},
      {512, 511, 510, 509, 26, 26, Shape::Round, Glyph::Led, ""},
      // Main window: caption buttons, audio matrix, zone buttons.
      {451, 450, 449, 451, 16, 16, Shape::Plain, Glyph::Close, ""},
      {445, 444, 443, 445, 16, 16, Shape::Plain, Glyph::Maximise, ""},
      {448, 447, 446, 448, 16, 16, Shape::Plain, Glyph::Minimise, ""},
      {687, 688, 688, 687, 48, 12, Shape::Plain, Glyph::Text, "MATRIX"},
      {454, 453, 452, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 1"},
      {457, 456, 455, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 2"},
      {458, 459, 459, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 3"},
      {462, 461, 460, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 4"},
      {465, 464, 463, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 5"},
      {468, 467, 466, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 6"},
      {471, 470, 469, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 7"},
      {474, 473, 472, 475, 60, 16, Shape::Plain, Glyph::Text, "ZONE 8"},
  };
  int written = 0;
  for (const Button& b : buttons) {
    const std::pair<UINT, Face> faces[] = {{b.up, Face::Up}, {b.down, Face::Down}, {b.hover, Face::Hover}, {b.disabled, Face::Disabled}};
    for (const auto& [id, face] : faces) {
      // Shared ids (one disabled face for several buttons) are drawn once, by their first user, and a
      // face that stands for two states keeps the first state's look.
      const std::string path = folder + "/" + std::to_string(id) + ".png";
      if (std::FILE* existing = std::fopen(path.c_str(), "rb")) {
        std::fclose(existing);
        continue;
      }
      CDC dc;
      dc.CreateCompatibleDC(nullptr);
      CBitmap bitmap;
      bitmap.CreateBitmap(b.width, b.height, 1, 32, nullptr);
      CBitmap* old = dc.SelectObject(&bitmap);
      const Button labelled = (face == Face::Disabled && b.disabled == 475) ? Button{b.up, b.down, b.hover, b.disabled, b.width, b.height, b.shape, b.glyph, "ZONE"}
                              : (face == Face::Disabled && b.disabled == 482) ? Button{b.up, b.down, b.hover, b.disabled, b.width, b.height, b.shape, b.glyph, ""}
                                                                              : b;
      DrawFace(dc, labelled, face);
      dc.SelectObject(old);
      std::string error;
      if (!qh::gdi::WritePng(*qh::gdi::SurfaceFromBitmap(bitmap), path, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
      }
      ++written;
    }
  }
  std::printf("%d bitmaps written to %s\n", written, folder.c_str());
  return 0;
}
