// Fonts (LOGFONT resolved through fontconfig, rasterised by cairo) and text output: TextOut, ExtTextOut,
// DrawText and the measuring functions. Text is code page 1252 and becomes UTF-8 only for cairo.
#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/ui/gdi/GdiInternal.h"

namespace qh::gdi {
namespace {

// Faces the programs ask for that fontconfig has no metric-compatible match for: the nearest face
// that exists, with the weight the name stands for.
struct FaceRequest {
  std::string family;
  int weight;
};

FaceRequest Normalise(const LOGFONT& log) {
  std::string face(log.lfFaceName, strnlen(log.lfFaceName, LF_FACESIZE));
  int weight = log.lfWeight == FW_DONTCARE ? FW_NORMAL : log.lfWeight;
  if (face.empty() || face == "MS Sans Serif" || face == "MS Shell Dlg" || face == "MS Shell Dlg 2" ||
      face == "System")
    face = "Arial";
  if (face == "Arial Black") {
    face = "Arial";
    weight = std::max(weight, FW_BLACK);
  }
  return {face, std::clamp(weight, 1, 1000)};
}

struct FaceCache {
  std::mutex mutex;
  std::map<std::string, std::pair<cairo_font_face_t*, std::string>> faces;
};
FaceCache& Faces() {
  static auto* cache = new FaceCache();
  return *cache;
}

// A cairo face for the family, weight and slant, and the family fontconfig chose.
std::pair<cairo_font_face_t*, std::string> ResolveFace(const FaceRequest& request, bool italic) {
  const std::string key = request.family + "/" + std::to_string(request.weight) + (italic ? "/i" : "/r");
  FaceCache& cache = Faces();
  std::lock_guard lock(cache.mutex);
  if (auto it = cache.faces.find(key); it != cache.faces.end()) return it->second;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(request.weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  std::string family = request.family;
  cairo_font_face_t* face = nullptr;
  if (match) {
    FcChar8* name = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) family = reinterpret_cast<char*>(name);
    face = cairo_ft_font_face_create_for_pattern(match);
    FcPatternDestroy(match);
  } else {
    face = cairo_toy_font_face_create(request.family.c_str(), italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                      request.weight >= FW_SEMIBOLD ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  }
  cache.faces[key] = {face, family};
  return {face, family};
}

cairo_scaled_font_t* ScaledFont(cairo_font_face_t* face, double size, bool antialias) {
  cairo_matrix_t fontMatrix, identity;
  cairo_matrix_init_scale(&fontMatrix, size, size);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &fontMatrix, &identity, options);
  cairo_font_options_destroy(options);
  return scaled;
}

// A positive height asks for the cell (ascent + descent), a negative one for the character height
// (the em size); zero gives the default 16-pixel cell.
void SizeFont(FontObject& font, cairo_font_face_t* face) {
  const double reference = 1000;
  cairo_scaled_font_t* probe = ScaledFont(face, reference, font.antialias);
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(probe, &extents);
  cairo_scaled_font_destroy(probe);
  const double cellPerEm = std::max(0.5, (extents.ascent + extents.descent) / reference);
  const LONG height = font.log.lfHeight == 0 ? 16 : font.log.lfHeight;
  font.emSize = height < 0 ? -height : height / cellPerEm;
  font.scaled = ScaledFont(face, std::max(1.0, font.emSize), font.antialias);
  cairo_scaled_font_extents(font.scaled, &extents);
  font.ascent = std::ceil(extents.ascent - 0.01);
  font.descent = std::ceil(extents.descent - 0.01);
  if (height > 0) font.descent = std::max(1.0, height - font.ascent);
}

int CellHeight(const FontObject& f) { return static_cast<int>(f.ascent + f.descent); }

int Measure(const FontObject& font, std::string_view text) {
  if (text.empty() || !font.scaled) return 0;
  const std::string utf8 = Cp1252ToUtf8(text);
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(font.scaled, utf8.c_str(), &extents);
  return static_cast<int>(std::lround(extents.x_advance));
}

FontObject* SelectedFont(DeviceContext& dc) {
  FontObject* font = dc.font();
  return font ? font : LookupFont(GetStockObject(SYSTEM_FONT));
}

// Draws one line of text with its cell's top-left at surface point (x, y), limited to `clip`.
// underlineAt: index of a character to underline (keyboard mnemonic), -1 for none.
void RenderLine(DeviceContext& dc, const Canvas& canvas, const FontObject& font, int x, int y, std::string_view text,
                const Region& clip, int underlineAt) {
  const int width = Measure(font, text);
  const int height = CellHeight(font);
  if (dc.state.bkMode == OPAQUE && width > 0) {
    Canvas limited = canvas;
    limited.clip = clip;
    PaintSolid(limited, Region::FromRect(x, y, x + width, y + height), DevicePixel(canvas, dc.state.bkColor));
  }
  if (text.empty() || !font.scaled) return;
  const int margin = static_cast<int>(font.emSize / 2) + 2;
  const int maskWidth = width + 2 * margin, maskHeight = height + 2;
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, maskWidth, maskHeight);
  cairo_t* cr = cairo_create(mask);
  cairo_set_scaled_font(cr, font.scaled);
  cairo_set_antialias(cr, font.antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  const std::string utf8 = Cp1252ToUtf8(text);
  cairo_move_to(cr, margin, font.ascent);
  cairo_show_text(cr, utf8.c_str());
  const double thickness = std::max(1.0, std::round(font.emSize / 14));
  if (font.log.lfUnderline) cairo_rectangle(cr, margin, font.ascent + std::max(1.0, std::round(font.descent / 2)), width, thickness);
  if (font.log.lfStrikeOut) cairo_rectangle(cr, margin, std::round(font.ascent * 0.65), width, thickness);
  if (underlineAt >= 0 && underlineAt < static_cast<int>(text.size())) {
    const int from = Measure(font, text.substr(0, underlineAt));
    const int to = Measure(font, text.substr(0, underlineAt + 1));
    cairo_rectangle(cr, margin + from, font.ascent + 1, std::max(1, to - from), thickness);
  }
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(mask);

  const unsigned char* bits = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  const int left = x - margin;
  const Pixel ink = DevicePixel(canvas, dc.state.textColor);
  const Region area = Region::Combine(Region::FromRect(left, y, left + maskWidth, y + maskHeight), clip, RegionOp::And);
  Surface& surface = *canvas.surface;
  for (const RECT& r : area.rects())
    for (int py = r.top; py < r.bottom; ++py) {
      Pixel* row = surface.row(py);
      const unsigned char* coverage = bits + static_cast<std::size_t>(py - y) * stride;
      for (int px = r.left; px < r.right; ++px) {
        const unsigned a = coverage[px - left];
        if (a == 0) continue;
        if (canvas.monochrome || a == 255) {
          if (a >= 128) row[px] = ink;
          continue;
        }
        const Pixel d = row[px];
        Pixel out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
          const unsigned dc8 = (d >> shift) & 0xFF, ic8 = (ink >> shift) & 0xFF;
          out |= ((dc8 * (255 - a) + ic8 * a + 127) / 255) << shift;
        }
        row[px] = out;
      }
    }
  cairo_surface_destroy(mask);
}

Region ClipFor(const Canvas& canvas, const RECT* limitInSurface) {
  return limitInSurface ? canvas.clip.intersected(*limitInSurface) : canvas.clip;
}

// Removes mnemonic markers: "&&" shows one "&", "&x" shows x underlined. Returns the index of the
// underlined character in the result, or -1.
int StripPrefixes(std::string_view text, std::string& out) {
  int underline = -1;
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lone marker at the end shows nothing
    if (text[i + 1] != '&') underline = static_cast<int>(out.size());
    out += text[++i];
  }
  return underline;
}

std::vector<std::string> SplitParagraphs(const std::string& text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else if (text[i] == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

// Breaks one paragraph into lines no wider than `width` at spaces; a word wider than that stays whole.
std::vector<std::string> WrapWords(const FontObject& font, const std::string& paragraph, int width) {
  std::vector<std::string> out;
  std::string line;
  std::size_t i = 0;
  while (i < paragraph.size()) {
    std::size_t end = paragraph.find(' ', i);
    if (end == std::string::npos) end = paragraph.size();
    const std::string word = paragraph.substr(i, end - i);
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && Measure(font, candidate) > width) {
      out.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    i = end + 1;
  }
  out.push_back(line);
  return out;
}

// Shortens a line that does not fit to the longest start that fits with "..." after it.
std::string WithEllipsis(const FontObject& font, const std::string& line, int width) {
  if (Measure(font, line) <= width) return line;
  for (std::size_t n = line.size(); n-- > 0;) {
    const std::string candidate = line.substr(0, n) + "...";
    if (Measure(font, candidate) <= width) return candidate;
  }
  return "...";
}

}  // namespace

FontObject::~FontObject() {
  if (scaled) cairo_scaled_font_destroy(scaled);
}

}  // namespace qh::gdi

using namespace qh::gdi;

HFONT CreateFontIndirect(const LOGFONT* log) {
  if (!log) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto font = std::make_unique<FontObject>();
  font->log = *log;
  font->log.lfFaceName[LF_FACESIZE - 1] = '\0';
  font->antialias = log->lfQuality != NONANTIALIASED_QUALITY;
  const FaceRequest request = Normalise(font->log);
  auto [face, family] = ResolveFace(request, log->lfItalic != 0);
  font->resolvedFamily = family;
  SizeFont(*font, face);
  return static_cast<HFONT>(Register(std::move(font)));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCSTR face) {
  LOGFONT log;
  log.lfHeight = height;
  log.lfWidth = width;
  log.lfEscapement = escapement;
  log.lfOrientation = orientation;
  log.lfWeight = weight;
  log.lfItalic = static_cast<BYTE>(italic);
  log.lfUnderline = static_cast<BYTE>(underline);
  log.lfStrikeOut = static_cast<BYTE>(strikeOut);
  log.lfCharSet = static_cast<BYTE>(charSet);
  log.lfOutPrecision = static_cast<BYTE>(outPrecision);
  log.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  log.lfQuality = static_cast<BYTE>(quality);
  log.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (face) std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&log);
}

static std::string_view TextOf(LPCSTR text, int length) {
  if (!text) return {};
  return length < 0 ? std::string_view(text) : std::string_view(text, static_cast<std::size_t>(length));
}

BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int length, LPSIZE size) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !size || length < 0) return FALSE;
  const FontObject* font = SelectedFont(*context);
  size->cx = font ? Measure(*font, TextOf(text, length)) : 0;
  size->cy = font ? CellHeight(*font) : 0;
  return TRUE;
}

BOOL GetTextMetrics(HDC dc, LPTEXTMETRIC metrics) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !metrics) return FALSE;
  const FontObject* font = SelectedFont(*context);
  if (!font || !font->scaled) return FALSE;
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(font->scaled, &extents);
  *metrics = TEXTMETRIC{};
  metrics->tmAscent = static_cast<LONG>(font->ascent);
  metrics->tmDescent = static_cast<LONG>(font->descent);
  metrics->tmHeight = CellHeight(*font);
  metrics->tmInternalLeading = std::max<LONG>(0, metrics->tmHeight - static_cast<LONG>(std::lround(font->emSize)));
  metrics->tmAveCharWidth = Measure(*font, "x");
  metrics->tmMaxCharWidth = static_cast<LONG>(std::ceil(extents.max_x_advance));
  metrics->tmWeight = Normalise(font->log).weight;
  metrics->tmItalic = font->log.lfItalic;
  metrics->tmUnderlined = font->log.lfUnderline;
  metrics->tmStruckOut = font->log.lfStrikeOut;
  metrics->tmCharSet = font->log.lfCharSet;
  metrics->tmPitchAndFamily = VARIABLE_PITCH;
  return TRUE;
}

int GetTextFace(HDC dc, int size, LPSTR face) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return 0;
  const FontObject* font = SelectedFont(*context);
  const std::string name = font ? std::string(font->log.lfFaceName) : std::string();
  if (!face || size <= 0) return static_cast<int>(name.size()) + 1;
  const std::size_t n = std::min<std::size_t>(name.size(), size - 1);
  std::memcpy(face, name.data(), n);
  face[n] = '\0';
  return static_cast<int>(n);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length, const INT* dx) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  auto canvas = CanvasOf(*context);
  if (!canvas) return FALSE;
  const FontObject* font = SelectedFont(*context);
  if (!font) return FALSE;
  const std::string_view line = TextOf(text, text ? static_cast<int>(length) : 0);
  std::optional<RECT> box;
  if (rect) box = canvas->toSurface(*rect);
  if ((options & ETO_OPAQUE) && box)
    PaintSolid(*canvas, Region(*box), DevicePixel(*canvas, context->state.bkColor));
  const Region clip = ClipFor(*canvas, (options & ETO_CLIPPED) && box ? &*box : nullptr);

  const UINT align = context->state.textAlign;
  if (align & TA_UPDATECP) {
    x = context->state.current.x;
    y = context->state.current.y;
  }
  const int width = Measure(*font, line);
  int left = canvas->sx(x), top = canvas->sy(y);
  if ((align & TA_CENTER) == TA_CENTER) left -= width / 2;
  else if (align & TA_RIGHT) left -= width;
  if ((align & TA_BASELINE) == TA_BASELINE) top -= static_cast<int>(font->ascent);
  else if (align & TA_BOTTOM) top -= CellHeight(*font);

  if (dx) {
    int pen = left;
    for (std::size_t i = 0; i < line.size(); ++i) {
      RenderLine(*context, *canvas, *font, pen, top, line.substr(i, 1), clip, -1);
      pen += dx[i];
    }
  } else {
    RenderLine(*context, *canvas, *font, left, top, line, clip, -1);
  }
  // With TA_UPDATECP the current position moves past the text in its writing direction.
  if (align & TA_UPDATECP) {
    const bool rightAligned = (align & TA_CENTER) == TA_RIGHT;
    context->state.current.x += rightAligned ? -width : width;
  }
  return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int length) {
  if (length < 0) return FALSE;
  return ExtTextOut(dc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

// ---- Tabs ----------------------------------------------------------------------------------------
namespace {

// A line's tab stops: the given ones (pixels from the line's start, ascending), then one every `every`
// pixels; every == 0 with no stops shows a tab as a space.
struct TabStops {
  std::vector<int> stops;
  int every = 0;
};

int NextTabStop(int x, const std::vector<int>& stops, int every) {
  for (int stop : stops)
    if (stop > x) return stop;
  if (every <= 0) return x;
  return (x / every + 1) * every;
}

// Walks the pieces of a line between tabs: piece(offset into the line, the piece, its x).
template <class Piece>
int WalkTabbed(const FontObject& font, std::string_view line, const TabStops& tabs, Piece piece) {
  int x = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    const std::string_view part = line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
    piece(start, part, x);
    x += Measure(font, part);
    if (tab == std::string_view::npos) return x;
    const int next = NextTabStop(x, tabs.stops, tabs.every);
    x = next > x ? next : x + Measure(font, " ");
    start = tab + 1;
  }
}

int MeasureTabbed(const FontObject& font, std::string_view line, const TabStops& tabs) {
  return WalkTabbed(font, line, tabs, [](std::size_t, std::string_view, int) {});
}

void RenderTabbed(DeviceContext& dc, const Canvas& canvas, const FontObject& font, int x, int y, std::string_view line,
                  const Region& clip, int underlineAt, const TabStops& tabs) {
  WalkTabbed(font, line, tabs, [&](std::size_t offset, std::string_view part, int at) {
    const int mark = underlineAt >= static_cast<int>(offset) && underlineAt < static_cast<int>(offset + part.size())
                         ? underlineAt - static_cast<int>(offset) : -1;
    RenderLine(dc, canvas, font, x + at, y, part, clip, mark);
  });
}

TabStops StopsFrom(int count, const INT* positions, int origin) {
  TabStops tabs;
  const int every = count == 1 && positions ? positions[0] : 0;
  tabs.every = count <= 0 || !positions ? 0 : every;
  if (count > 1 && positions)
    for (int i = 0; i < count; ++i) tabs.stops.push_back(positions[i] - origin);
  return tabs;
}

TabStops DefaultOr(const FontObject& font, TabStops tabs) {
  if (tabs.stops.empty() && tabs.every <= 0) tabs.every = 8 * Measure(font, "x");
  return tabs;
}

}  // namespace

LONG TabbedTextOut(HDC dc, int x, int y, LPCSTR text, int length, int count, const INT* positions, int origin) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !text) return 0;
  auto canvas = CanvasOf(*context);
  const FontObject* font = SelectedFont(*context);
  if (!canvas || !font) return 0;
  const std::string_view line = TextOf(text, length);
  const TabStops tabs = DefaultOr(*font, StopsFrom(count, positions, origin - x));
  const Region clip = ClipFor(*canvas, nullptr);
  RenderTabbed(*context, *canvas, *font, canvas->sx(x), canvas->sy(y), line, clip, -1, tabs);
  return MAKELONG(static_cast<WORD>(MeasureTabbed(*font, line, tabs)), static_cast<WORD>(CellHeight(*font)));
}

DWORD GetTabbedTextExtent(HDC dc, LPCSTR text, int length, int count, const INT* positions) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !text) return 0;
  const FontObject* font = SelectedFont(*context);
  if (!font) return 0;
  const TabStops tabs = DefaultOr(*font, StopsFrom(count, positions, 0));
  return MAKELONG(static_cast<WORD>(MeasureTabbed(*font, TextOf(text, length), tabs)), static_cast<WORD>(CellHeight(*font)));
}

int DrawText(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !rect || !text) return 0;
  auto canvas = CanvasOf(*context);
  if (!canvas) return 0;
  const FontObject* font = SelectedFont(*context);
  if (!font) return 0;

  std::string shown;
  int underline = -1;
  if (format & DT_NOPREFIX) shown = std::string(TextOf(text, length));
  else underline = StripPrefixes(TextOf(text, length), shown);
  // Tabs stop every eight average characters when expanded; otherwise they show as a space.
  const TabStops tabs = (format & DT_EXPANDTABS) ? TabStops{{}, 8 * Measure(*font, "x")} : TabStops{{}, 0};

  const int boxWidth = rect->right - rect->left;
  std::vector<std::string> lines;
  if (format & DT_SINGLELINE) {
    std::string single;
    for (char ch : shown) single += (ch == '\r' || ch == '\n') ? ' ' : ch;
    lines.push_back(single);
  } else {
    for (const std::string& paragraph : SplitParagraphs(shown)) {
      if (format & DT_WORDBREAK) {
        for (std::string& l : WrapWords(*font, paragraph, boxWidth)) lines.push_back(std::move(l));
      } else {
        lines.push_back(paragraph);
      }
    }
    underline = -1;  // the mnemonic underline is drawn on single lines only
  }
  if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
    for (std::string& l : lines) {
      const std::string cut = WithEllipsis(*font, l, boxWidth);
      if (cut != l && underline >= static_cast<int>(cut.size()) - 3) underline = -1;
      l = cut;
    }

  const int lineHeight = CellHeight(*font);
  const int total = lineHeight * static_cast<int>(lines.size());
  int widest = 0;
  for (const std::string& l : lines) widest = std::max(widest, MeasureTabbed(*font, l, tabs));

  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }

  int top = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (format & DT_BOTTOM) top = rect->bottom - lineHeight;
  }
  const RECT box = canvas->toSurface(*rect);
  const Region clip = ClipFor(*canvas, (format & DT_NOCLIP) ? nullptr : &box);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int width = MeasureTabbed(*font, lines[i], tabs);
    int left = rect->left;
    if (format & DT_CENTER) left = rect->left + (boxWidth - width) / 2;
    else if (format & DT_RIGHT) left = rect->right - width;
    RenderTabbed(*context, *canvas, *font, canvas->sx(left), canvas->sy(top + lineHeight * static_cast<int>(i)), lines[i],
                 clip, underline, tabs);
  }
  return (top - rect->top) + total;
}

// Libraries under the raster and the display lose a few bytes that are not ours to free: fontconfig 2.14
// while it parses its configuration, D-Bus when SDL asks it about the session. The leak checker of the
// sanitizer build must not count them against every program that draws text or opens a display.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
