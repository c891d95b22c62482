// The HTML text goes through libxml2's forgiving HTML parser with the network off; the tree is walked
// once with the inherited text style, collecting lines and pictures.
#include "platform/browser/HtmlPage.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include "platform/core/Cp1252.h"

namespace qh::browser {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return std::string(text.substr(begin, end - begin));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

// Attribute text in code page 1252 (libxml2 hands out UTF-8).
std::optional<std::string> Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (!value) return std::nullopt;
  std::string text = Utf8ToCp1252(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

// "a: b; c: d" as lower-case names and trimmed values.
std::vector<std::pair<std::string, std::string>> StyleDeclarations(std::string_view style) {
  std::vector<std::pair<std::string, std::string>> out;
  std::size_t start = 0;
  while (start <= style.size()) {
    std::size_t end = style.find(';', start);
    if (end == std::string_view::npos) end = style.size();
    std::string_view item = style.substr(start, end - start);
    const std::size_t colon = item.find(':');
    if (colon != std::string_view::npos) out.emplace_back(Lower(Trim(item.substr(0, colon))), Trim(item.substr(colon + 1)));
    start = end + 1;
  }
  return out;
}

int Pixels(std::string_view value) { return static_cast<int>(std::strtol(std::string(value).c_str(), nullptr, 10)); }

std::string UrlInside(std::string_view value) {
  std::string text = Trim(value);
  if (!StartsWithNoCase(text, "url(") || text.back() != ')') return {};
  text = Trim(std::string_view(text).substr(4, text.size() - 5));
  if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') && text.back() == text.front())
    text = text.substr(1, text.size() - 2);
  return text;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out.push_back(static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool HasDrive(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

int FontSizePixels(std::string_view size) {
  static constexpr int kSizes[] = {10, 13, 16, 18, 24, 32, 48};
  const int n = std::clamp(Pixels(size), 1, 7);
  return kSizes[n - 1];
}

struct Style {
  COLORREF colour = RGB(0, 0, 0);
  int pixelHeight = 16;
  bool bold = false;
  bool centred = false;
};

class PageBuilder {
 public:
  explicit PageBuilder(const std::string& pageFolder) : folder_(pageFolder) {}

  Page Build(xmlNode* root) {
    Walk(root, Style{});
    EndLine(Style{});
    return std::move(page_);
  }

 private:
  void Walk(xmlNode* node, Style style) {
    for (xmlNode* child = node; child; child = child->next) {
      if (child->type == XML_TEXT_NODE) {
        AddText(reinterpret_cast<const char*>(child->content), style);
      } else if (child->type == XML_ELEMENT_NODE) {
        Element(child, style);
      }
    }
  }

  void Element(xmlNode* node, Style style) {
    const std::string name = Lower(reinterpret_cast<const char*>(node->name));
    if (name == "head" || name == "script" || name == "style" || name == "title") return;
    if (name == "body") Body(node);
    if (name == "b" || name == "strong") style.bold = true;
    if (name == "font") {
      if (auto colour = Attribute(node, "color")) {
        if (auto parsed = ParseHtmlColour(*colour)) style.colour = *parsed;
      }
      if (auto size = Attribute(node, "size")) style.pixelHeight = FontSizePixels(*size);
    }
    if (name == "br") {
      EndLine(style, true);
      return;
    }
    if (name == "img") {
      Image(node, style);
      return;
    }
    const bool block = name == "center" || name == "p" || name == "div" || name == "body";
    if (name == "center") style.centred = true;
    if (block) EndLine(style);
    Walk(node->children, style);
    if (block) EndLine(style);
  }

  void Body(xmlNode* node) {
    if (auto colour = Attribute(node, "bgcolor")) {
      if (auto parsed = ParseHtmlColour(*colour)) page_.background = *parsed;
    }
    auto style = Attribute(node, "style");
    if (!style) return;
    BackgroundImage background;
    for (const auto& [key, value] : StyleDeclarations(*style)) {
      if (key == "background-color") {
        if (auto parsed = ParseHtmlColour(value)) page_.background = *parsed;
      } else if (key == "background-image") {
        background.source = ResolveSource(UrlInside(value), folder_).value_or("");
      } else if (key == "background-repeat") {
        background.repeat = Lower(value) != "no-repeat";
      } else if (key == "background-position-x") {
        background.horizontal = AlignOf(value);
      } else if (key == "background-position-y") {
        background.vertical = AlignOf(value);
      }
    }
    if (!background.source.empty()) page_.backgroundImage = background;
  }

  static Align AlignOf(std::string_view value) {
    const std::string v = Lower(Trim(value));
    if (v == "center") return Align::Centre;
    if (v == "right" || v == "bottom") return Align::End;
    return Align::Start;
  }

  void Image(xmlNode* node, const Style& style) {
    PageImage image;
    image.source = ResolveSource(Attribute(node, "src").value_or(""), folder_).value_or("");
    image.alt = Attribute(node, "alt").value_or("");
    image.width = Pixels(Attribute(node, "width").value_or("0"));
    image.height = Pixels(Attribute(node, "height").value_or("0"));
    image.centred = style.centred;
    if (auto css = Attribute(node, "style")) {
      for (const auto& [key, value] : StyleDeclarations(*css)) {
        if (key == "position") image.absolute = Lower(value) == "absolute";
        else if (key == "left") image.left = Pixels(value);
        else if (key == "top") image.top = Pixels(value);
        else if (key == "width") image.width = Pixels(value);
        else if (key == "height") image.height = Pixels(value);
      }
    }
    if (!image.absolute) EndLine(style);
    page_.blocks.emplace_back(std::move(image));
  }

  void AddText(const char* utf8, const Style& style) {
    if (!utf8) return;
    std::string text = Utf8ToCp1252(utf8);
    std::string collapsed;
    for (char c : text) {
      const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      if (space) {
        if (!collapsed.empty() && collapsed.back() == ' ') continue;
        if (collapsed.empty() && (line_.runs.empty() || EndsWithSpace())) continue;
        collapsed.push_back(' ');
      } else {
        collapsed.push_back(c);
      }
    }
    if (collapsed.empty()) return;
    line_.centred = style.centred;
    line_.runs.push_back(TextRun{collapsed, style.colour, style.pixelHeight, style.bold});
  }

  bool EndsWithSpace() const {
    const std::string& last = line_.runs.back().text;
    return !last.empty() && last.back() == ' ';
  }

  // A <br> always makes a line, an empty one included; block edges only end a started one.
  void EndLine(const Style& style, bool forced = false) {
    if (line_.runs.empty() && !forced) return;
    if (line_.runs.empty()) line_.runs.push_back(TextRun{"", style.colour, style.pixelHeight, style.bold});
    if (!line_.runs.empty() && !line_.runs.back().text.empty() && line_.runs.back().text.back() == ' ')
      line_.runs.back().text.pop_back();
    line_.centred = line_.centred || style.centred;
    page_.blocks.emplace_back(std::move(line_));
    line_ = TextLine{};
  }

  std::string folder_;
  Page page_;
  TextLine line_;
};

}  // namespace

std::optional<COLORREF> ParseHtmlColour(std::string_view text) {
  const std::string v = Lower(Trim(text));
  if (v.size() == 7 && v[0] == '#' && std::all_of(v.begin() + 1, v.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
    const long value = std::strtol(v.c_str() + 1, nullptr, 16);
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
  }
  if (v.size() == 4 && v[0] == '#' && std::all_of(v.begin() + 1, v.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
    auto nibble = [&](int i) { return static_cast<BYTE>(std::strtol(std::string(2, v[i]).c_str(), nullptr, 16)); };
    return RGB(nibble(1), nibble(2), nibble(3));
  }
  static const std::pair<const char*, COLORREF> kNames[] = {
      {"black", RGB(0, 0, 0)},       {"silver", RGB(192, 192, 192)}, {"gray", RGB(128, 128, 128)},
      {"grey", RGB(128, 128, 128)},  {"white", RGB(255, 255, 255)},  {"maroon", RGB(128, 0, 0)},
      {"red", RGB(255, 0, 0)},       {"purple", RGB(128, 0, 128)},   {"fuchsia", RGB(255, 0, 255)},
      {"green", RGB(0, 128, 0)},     {"lime", RGB(0, 255, 0)},       {"olive", RGB(128, 128, 0)},
      {"yellow", RGB(255, 255, 0)},  {"navy", RGB(0, 0, 128)},       {"blue", RGB(0, 0, 255)},
      {"teal", RGB(0, 128, 128)},    {"aqua", RGB(0, 255, 255)},     {"orange", RGB(255, 165, 0)}};
  for (const auto& [name, colour] : kNames)
    if (v == name) return colour;
  return std::nullopt;
}

std::optional<std::string> ResolveSource(std::string_view source, const std::string& pageFolder) {
  std::string text = Trim(source);
  if (text.empty()) return std::nullopt;
  if (StartsWithNoCase(text, "file:")) {
    text = PercentDecoded(std::string_view(text).substr(5));
    std::size_t slashes = 0;
    while (slashes < text.size() && (text[slashes] == '/' || text[slashes] == '\\')) ++slashes;
    std::string rest = text.substr(slashes);
    // "file:///C:/x" and "file://C:\x" name a drive; "file:///srv/x" a host path.
    text = HasDrive(rest) ? rest : "/" + rest;
  } else {
    const std::size_t colon = text.find(':');
    const std::size_t slash = text.find_first_of("/\\");
    if (colon != std::string::npos && colon > 1 && (slash == std::string::npos || colon < slash)) return std::nullopt;
    text = PercentDecoded(text);
    if (!HasDrive(text) && text[0] != '/' && text[0] != '\\') {
      if (pageFolder.empty()) return std::nullopt;
      text = pageFolder + "\\" + text;
    }
  }
  if (HasDrive(text)) std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

Page ParsePage(std::string_view html, const std::string& pageFolder) {
  htmlDocPtr document =
      htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "windows-1252",
                     HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER);
  if (!document) return Page{};
  PageBuilder builder(pageFolder);
  Page page = builder.Build(xmlDocGetRootElement(document));
  xmlFreeDoc(document);
  return page;
}

}  // namespace qh::browser
