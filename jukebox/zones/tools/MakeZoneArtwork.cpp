// Draws the zone windows' skin pieces and the TV look's tiles and buttons with the platform's own raster
// and writes them as <folder>/<id>.png, in the colours of the skin buttons (panel grey, ink 64,64,128).
// Run by hand when the artwork changes:
//   qh_make_zone_artwork <source>/resources/jukebox/bitmaps
// Existing files are kept, so the skin buttons drawn by the application's tool are never replaced.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/AfxTypes.h"
#include "platform/ui/gdi/AfxGdi.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);     // shows what lies below (transparent pieces)
constexpr COLORREF kPanel = RGB(162, 162, 162);
constexpr COLORREF kLight = RGB(216, 216, 228);
constexpr COLORREF kInk = RGB(64, 64, 128);
constexpr COLORREF kDeep = RGB(40, 40, 84);
constexpr COLORREF kNight = RGB(24, 24, 52);    // the TV look's ground

COLORREF Blend(COLORREF a, COLORREF b, int step, int steps) {
  auto channel = [&](int x, int y) { return static_cast<BYTE>(x + (y - x) * step / std::max(1, steps)); };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)), channel(GetBValue(a), GetBValue(b)));
}

// A face lit from above: colour a at the top edge fading to b at the bottom.
void Shade(CDC& dc, const CRect& r, COLORREF a, COLORREF b) {
  for (int row = r.top; row < r.bottom; ++row) dc.FillSolidRect(r.left, row, r.Width(), 1, Blend(a, b, row - r.top, r.Height() - 1));
}

void ShadeAcross(CDC& dc, const CRect& r, COLORREF a, COLORREF b) {
  for (int col = r.left; col < r.right; ++col) dc.FillSolidRect(col, r.top, 1, r.Height(), Blend(a, b, col - r.left, r.Width() - 1));
}

void Bevel(CDC& dc, const CRect& r, COLORREF light, COLORREF dark) {
  dc.FillSolidRect(r.left, r.top, r.Width(), 1, light);
  dc.FillSolidRect(r.left, r.top, 1, r.Height(), light);
  dc.FillSolidRect(r.left, r.bottom - 1, r.Width(), 1, dark);
  dc.FillSolidRect(r.right - 1, r.top, 1, r.Height(), dark);
}

// The text centred in r, in the largest bold face up to `height` pixels whose width fits r.
void Label(CDC& dc, const CRect& r, const char* text, COLORREF colour, int height, int weight = FW_BOLD) {
  CFont font;
  for (; height >= 7; --height) {
    LOGFONT log{};
    log.lfHeight = height;
    log.lfWeight = weight;
    log.lfQuality = PROOF_QUALITY;
    std::strcpy(log.lfFaceName, "Arial");
    font.DeleteObject();
    font.CreateFontIndirect(&log);
    CFont* probe = dc.SelectObject(&font);
    const int width = dc.GetTextExtent(text).cx;
    dc.SelectObject(probe);
    if (width <= r.Width() - 6) break;
  }
  CFont* old = dc.SelectObject(&font);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(colour);
  CRect area = r;
  dc.DrawText(text, &area, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  dc.SelectObject(old);
}

// A rounded shape on the key colour: everything outside the round rectangle stays transparent.
void RoundedOnKey(CDC& dc, const CRect& body, int radius, const std::function<void(const CRect&)>& fill) {
  dc.FillSolidRect(0, 0, body.right, body.bottom, kKey);
  CRgn shape;
  shape.CreateRoundRectRgn(body.left, body.top, body.right + 1, body.bottom + 1, radius, radius);
  dc.SelectClipRgn(&shape);
  fill(body);
  dc.SelectClipRgn(nullptr);
}

struct Piece {
  UINT id;
  int width, height;
  std::function<void(CDC&, const CRect&)> draw;
};

bool Save(const std::string& folder, const Piece& piece, int& written) {
  const std::string path = folder + "/" + std::to_string(piece.id) + ".png";
  if (std::FILE* existing = std::fopen(path.c_str(), "rb")) {
    std::fclose(existing);
    return true;
  }
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.CreateBitmap(piece.width, piece.height, 1, 32, nullptr);
  CBitmap* old = dc.SelectObject(&bitmap);
  piece.draw(dc, CRect(0, 0, piece.width, piece.height));
  dc.SelectObject(old);
  std::string error;
  if (!qh::gdi::WritePng(*qh::gdi::SurfaceFromBitmap(bitmap), path, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  ++written;
  return true;
}

// ---- The normal look ----

void Corner(CDC& dc, const CRect& r, int cornerX, int cornerY) {
  dc.FillSolidRect(&r, kKey);
  CRgn round;
  const int d = r.Width() * 2;
  round.CreateEllipticRgn(cornerX ? -r.Width() : 0, cornerY ? -r.Height() : 0, (cornerX ? -r.Width() : 0) + d + 1,
                          (cornerY ? -r.Height() : 0) + d + 1);
  dc.SelectClipRgn(&round);
  Shade(dc, r, kInk, kDeep);
  dc.SelectClipRgn(nullptr);
}

std::vector<Piece> NormalLook() {
  std::vector<Piece> pieces;
  pieces.push_back({386, 8, 8, [](CDC& dc, const CRect& r) {
                      dc.FillSolidRect(&r, kPanel);
                      dc.SetPixel(1, 1, RGB(150, 150, 156));
                      dc.SetPixel(5, 5, RGB(174, 174, 180));
                    }});
  pieces.push_back({440, 32, 12, [](CDC& dc, const CRect& r) {
                      Shade(dc, r, kInk, kDeep);
                      dc.FillSolidRect(r.left, r.top, r.Width(), 1, RGB(120, 120, 170));
                    }});
  pieces.push_back({441, 16, 16, [](CDC& dc, const CRect& r) { Corner(dc, r, 0, 1); }});
  pieces.push_back({442, 16, 16, [](CDC& dc, const CRect& r) { Corner(dc, r, 0, 0); }});
  pieces.push_back({439, 16, 16, [](CDC& dc, const CRect& r) { Corner(dc, r, 1, 0); }});
  pieces.push_back({412, 250, 300, [](CDC& dc, const CRect& r) {
                      RoundedOnKey(dc, r, 24, [&](const CRect& body) {
                        Shade(dc, body, kLight, kPanel);
                        dc.FillSolidRect(14, 8, body.right - 14, 70, RGB(228, 228, 236));
                        Bevel(dc, CRect(14, 8, body.right, 78), RGB(120, 120, 150), RGB(250, 250, 255));
                        Label(dc, CRect(0, 88, 96, 110), "CHOOSE", kInk, 11);
                        Label(dc, CRect(140, 96, body.right, 118), "SHUFFLE", kInk, 10);
                        Label(dc, CRect(140, 126, body.right, 148), "REPEAT", kInk, 10);
                        Shade(dc, CRect(0, body.bottom - 12, body.right, body.bottom), kInk, kDeep);
                      });
                    }});
  // The song-list frame: a dark rim, corners as pieces.
  auto rimH = [](CDC& dc, const CRect& r) { Shade(dc, r, kInk, kDeep); };
  auto rimV = [](CDC& dc, const CRect& r) { ShadeAcross(dc, r, kInk, kDeep); };
  auto frameCorner = [](CDC& dc, const CRect& r) {
    dc.FillSolidRect(&r, kPanel);
    CBrush ink(kInk);
    CBrush* old = dc.SelectObject(&ink);
    CPen none(PS_NULL, 0, 0);
    CPen* oldPen = dc.SelectObject(&none);
    dc.RoundRect(r.left, r.top, r.right + 1, r.bottom + 1, 8, 8);
    dc.SelectObject(old);
    dc.SelectObject(oldPen);
  };
  pieces.push_back({431, 12, 12, [](CDC& dc, const CRect& r) { Corner(dc, r, 0, 0); }});
  pieces.push_back({438, 16, 12, rimH});
  pieces.push_back({437, 16, 12, rimH});
  pieces.push_back({435, 12, 16, rimV});
  pieces.push_back({436, 12, 16, rimV});
  pieces.push_back({434, 12, 12, frameCorner});
  pieces.push_back({432, 12, 12, frameCorner});
  pieces.push_back({433, 12, 12, frameCorner});
  // The upper panel.
  pieces.push_back({413, 20, 169, [](CDC& dc, const CRect& r) {
                      RoundedOnKey(dc, CRect(0, 0, r.right + 12, r.bottom), 16, [&](const CRect& body) { ShadeAcross(dc, body, kInk, kDeep); });
                    }});
  pieces.push_back({414, 56, 160, [](CDC& dc, const CRect& r) {
                      RoundedOnKey(dc, CRect(-12, 0, r.right, r.bottom), 16, [&](const CRect& body) {
                        Shade(dc, body, kInk, kDeep);
                        dc.FillSolidRect(36, 45, 5, 102, RGB(20, 20, 40));
                        Label(dc, CRect(0, 2, r.right, 15), "VOL", RGB(192, 192, 192), 9);
                        Label(dc, CRect(0, r.bottom - 14, r.right, r.bottom), "MUTE", RGB(192, 192, 192), 9);
                      });
                    }});
  // The logo bar under the "SONG:" label: light, so the label reads on it.
  pieces.push_back({415, 8, 16, [](CDC& dc, const CRect& r) {
                      Shade(dc, r, kLight, kPanel);
                      dc.FillSolidRect(r.left, r.top, r.Width(), 2, kInk);
                    }});
  pieces.push_back({423, 120, 40, [](CDC& dc, const CRect& r) {
                      RoundedOnKey(dc, CRect(0, 0, r.right + 12, r.bottom), 18, [&](const CRect& body) {
                        Shade(dc, body, kInk, kDeep);
                        dc.FillSolidRect(15, 10, r.right - 30, 12, RGB(20, 20, 40));
                      });
                    }});
  pieces.push_back({422, 16, 40, [](CDC& dc, const CRect& r) {
                      RoundedOnKey(dc, CRect(-12, 0, r.right, r.bottom), 18, [&](const CRect& body) { Shade(dc, body, kInk, kDeep); });
                    }});
  pieces.push_back({513, 220, 24, [](CDC& dc, const CRect& r) {
                      Shade(dc, r, kInk, kDeep);
                      dc.FillSolidRect(18, 9, 183, 3, RGB(20, 20, 40));
                      dc.FillSolidRect(18, 12, 183, 1, RGB(120, 120, 170));
                    }});
  pieces.push_back({514, 12, 11, [](CDC& dc, const CRect& r) {
                      Shade(dc, r, RGB(255, 190, 90), RGB(220, 110, 0));
                      Bevel(dc, r, RGB(255, 230, 180), RGB(120, 60, 0));
                    }});
  pieces.push_back({525, 11, 12, [](CDC& dc, const CRect& r) {
                      Shade(dc, r, RGB(255, 190, 90), RGB(220, 110, 0));
                      Bevel(dc, r, RGB(255, 230, 180), RGB(120, 60, 0));
                    }});
  return pieces;
}

// ---- The TV look ----

void Tile(CDC& dc, const CRect& r) {
  Shade(dc, r, RGB(44, 44, 92), kNight);
}

std::vector<Piece> TvTiles() {
  const struct {
    UINT id;
    int w, h;
  } tiles[] = {{532, 496, 50}, {534, 14, 135}, {533, 23, 135}, {536, 459, 12}, {537, 145, 46}, {538, 27, 207},
               {539, 112, 6},  {540, 20, 201}, {541, 9, 201},  {542, 71, 8},   {543, 71, 4},   {544, 71, 5},
               {545, 139, 18}, {546, 145, 8},  {547, 145, 14}, {548, 145, 9},  {549, 145, 18}, {552, 26, 40},
               {551, 42, 40},  {550, 7, 40},   {558, 102, 15}, {554, 26, 241}, {555, 12, 241}, {557, 299, 35},
               {553, 102, 18}, {556, 102, 7},  {559, 200, 41}, {560, 41, 18},  {561, 440, 18}, {563, 11, 241},
               {562, 25, 241}, {566, 7, 29},   {565, 6, 29}};
  std::vector<Piece> pieces;
  for (const auto& t : tiles) pieces.push_back({t.id, t.w, t.h, Tile});
  // The band across the top carries the product's name.
  pieces[0].draw = [](CDC& dc, const CRect& r) {
    Tile(dc, r);
    Label(dc, CRect(16, 0, r.right, r.bottom), "QUAVERHOUSE JUKEBOX", RGB(192, 192, 192), 22);
  };
  pieces.push_back({535, 459, 123, [](CDC& dc, const CRect& r) {
                      Shade(dc, r, RGB(30, 30, 66), RGB(16, 16, 40));
                      Bevel(dc, r, RGB(90, 90, 150), RGB(8, 8, 20));
                    }});
  pieces.push_back({564, 481, 46, [](CDC& dc, const CRect& r) {
                      Shade(dc, r, RGB(210, 210, 222), RGB(170, 170, 186));
                      Bevel(dc, r, RGB(240, 240, 250), kInk);
                    }});
  return pieces;
}

enum class Face { Up, Down, Hover, Disabled };

void TvButtonFace(CDC& dc, const CRect& r, Face face, const char* text) {
  COLORREF top = RGB(96, 96, 160), bottom = RGB(44, 44, 92), ink = RGB(230, 230, 240);
  if (face == Face::Down) top = RGB(36, 36, 76), bottom = RGB(80, 80, 140), ink = RGB(255, 160, 40);
  if (face == Face::Hover) top = RGB(120, 120, 190), bottom = RGB(60, 60, 120);
  if (face == Face::Disabled) top = RGB(70, 70, 84), bottom = RGB(50, 50, 60), ink = RGB(120, 120, 130);
  dc.FillSolidRect(&r, kNight);
  const CRect body(r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
  dc.FillSolidRect(&r, kNight);
  CRgn shape;
  shape.CreateRoundRectRgn(body.left, body.top, body.right + 1, body.bottom + 1, 10, 10);
  dc.SelectClipRgn(&shape);
  Shade(dc, body, top, bottom);
  dc.SelectClipRgn(nullptr);
  CBrush edge(face == Face::Down ? RGB(255, 160, 40) : RGB(150, 150, 200));
  dc.FrameRgn(&shape, &edge, 1, 1);
  Label(dc, body, text, ink, std::min(18, body.Height() - 6));
}

std::vector<Piece> TvButtons() {
  const struct {
    UINT up, down, hover, disabled;
    int w, h;
    const char* text;
  } buttons[] = {{598, 599, 600, 597, 102, 36, "ARTIST"},   {594, 595, 596, 593, 102, 36, "ALBUM"},
                 {606, 607, 608, 605, 102, 36, "GENRE"},    {610, 611, 612, 609, 102, 36, "PLAYLIST"},
                 {602, 603, 604, 601, 102, 36, "SEARCH"},   {618, 619, 620, 621, 69, 29, "OPTIONS"},
                 {622, 623, 624, 625, 69, 29, "PLUG-INS"},  {626, 628, 627, 613, 69, 29, "CD RIP"},
                 {614, 615, 616, 617, 69, 29, "IMPORT"},    {634, 635, 636, 633, 71, 50, "VOL +"},
                 {630, 631, 632, 629, 71, 50, "VOL -"},     {638, 639, 640, 637, 71, 50, "MUTE"},
                 {642, 643, 644, 645, 145, 35, "ADD TO LIST"}, {646, 647, 648, 641, 145, 35, "EDIT SONG"},
                 {662, 663, 664, 665, 80, 40, "PLAY"},      {658, 659, 660, 669, 80, 40, "PAUSE"},
                 {666, 667, 668, 657, 80, 40, "STOP"},      {650, 651, 652, 653, 80, 40, "REWIND"},
                 {654, 655, 656, 649, 80, 40, "NEXT"},      {674, 675, 676, 670, 145, 30, "SHUFFLE"},
                 {677, 671, 672, 673, 145, 30, "REPEAT"}};
  std::vector<Piece> pieces;
  for (const auto& b : buttons) {
    const std::pair<UINT, Face> faces[] = {{b.up, Face::Up}, {b.down, Face::Down}, {b.hover, Face::Hover}, {b.disabled, Face::Disabled}};
    for (const auto& [id, face] : faces) {
      const char* text = b.text;
      const Face f = face;
      pieces.push_back({id, b.w, b.h, [f, text](CDC& dc, const CRect& r) { TvButtonFace(dc, r, f, text); }});
    }
  }
  return pieces;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <bitmap folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  int written = 0;
  for (const auto& set : {NormalLook(), TvTiles(), TvButtons()})
    for (const Piece& piece : set)
      if (!Save(folder, piece, written)) return 1;
  std::printf("%d bitmaps written to %s\n", written, folder.c_str());
  return 0;
}
