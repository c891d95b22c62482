// A page as the browser draws it: what libxml2's HTML parser found, reduced to the elements and
// attributes the system's own pages use (body colour and background picture, centred text lines with
// bold and font colour and size, pictures placed in the flow or at absolute places). Everything else is
// left out quietly.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/core/WinTypes.h"

namespace qh::browser {

struct TextRun {
  std::string text;  // code page 1252
  COLORREF colour = RGB(0, 0, 0);
  int pixelHeight = 16;
  bool bold = false;
};

struct TextLine {
  std::vector<TextRun> runs;
  bool centred = false;
};

struct PageImage {
  std::string source;  // the system's path of the picture; empty when it is not a local file
  bool absolute = false;
  int left = 0, top = 0;     // absolute placement
  int width = 0, height = 0;  // 0 = the picture's own size
  bool centred = false;
  std::string alt;
};

enum class Align { Start, Centre, End };

struct BackgroundImage {
  std::string source;
  bool repeat = true;
  Align horizontal = Align::Start;
  Align vertical = Align::Start;
};

using PageBlock = std::variant<TextLine, PageImage>;

struct Page {
  COLORREF background = RGB(255, 255, 255);
  std::optional<BackgroundImage> backgroundImage;
  std::vector<PageBlock> blocks;  // in document order
};

// Parses the page's HTML. pageFolder is the system's path of the folder holding the page (relative
// sources are taken from it).
Page ParsePage(std::string_view html, const std::string& pageFolder);

// The system's path a source names: a file URL ("file:///C:/a%20b.jpg", "File://C:\a.gif"), an absolute
// path, or a name relative to pageFolder. Nothing for other URL schemes (the browser never goes online).
std::optional<std::string> ResolveSource(std::string_view source, const std::string& pageFolder);

// "#rrggbb", "#rgb" or one of the sixteen basic colour names (and "orange"); nothing otherwise.
std::optional<COLORREF> ParseHtmlColour(std::string_view text);

}  // namespace qh::browser
