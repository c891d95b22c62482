// Layout is the simplest that serves the system's pages: an 8-pixel margin, text lines stacked from
// the top (centred inside <center>), flow pictures on lines of their own, absolute pictures at their
// place, the body's background picture under everything.
#include "platform/browser/PageRenderer.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/browser/ImageDecoder.h"
#include "platform/core/Paths.h"

namespace qh::browser {
namespace {

constexpr int kMargin = 8;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void DrawPicture(HDC dc, const gdi::Surface& picture, int x, int y, int width, int height) {
  if (picture.empty() || width <= 0 || height <= 0) return;
  HBITMAP bitmap = CreateBitmap(picture.width(), picture.height(), 1, 32, picture.data());
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  StretchBlt(dc, x, y, width, height, memory, 0, 0, picture.width(), picture.height(), SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

// A picture that cannot be shown: a grey frame with its alternative text, as browsers do.
void DrawMissingPicture(HDC dc, const PageImage& image, int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return;
  RECT frame{x, y, x + width, y + height};
  HBRUSH grey = CreateSolidBrush(RGB(160, 160, 160));
  FrameRect(dc, &frame, grey);
  DeleteObject(grey);
  if (image.alt.empty()) return;
  frame.left += 3; frame.top += 3; frame.right -= 3; frame.bottom -= 3;
  SetTextColor(dc, RGB(0, 0, 0));
  DrawText(dc, image.alt.c_str(), -1, &frame, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

HFONT FontOf(const TextRun& run) {
  return CreateFont(-run.pixelHeight, 0, 0, 0, run.bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                    DEFAULT_QUALITY, 0, "Times New Roman");
}

int DrawLine(HDC dc, const TextLine& line, const RECT& area, int y) {
  int width = 0, height = 0;
  std::vector<SIZE> sizes;
  for (const TextRun& run : line.runs) {
    HFONT font = FontOf(run);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32(dc, run.text.c_str(), static_cast<int>(run.text.size()), &size);
    size.cy = std::max<LONG>(size.cy, run.pixelHeight);
    sizes.push_back(size);
    width += size.cx;
    height = std::max<int>(height, size.cy);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  const int areaWidth = area.right - area.left;
  int x = area.left + (line.centred ? (areaWidth - width) / 2 : kMargin);
  SetBkMode(dc, TRANSPARENT);
  for (std::size_t i = 0; i < line.runs.size(); ++i) {
    const TextRun& run = line.runs[i];
    HFONT font = FontOf(run);
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, run.colour);
    // Runs of one line share its bottom, as a baseline would have them.
    TextOut(dc, x, y + height - sizes[i].cy, run.text.c_str(), static_cast<int>(run.text.size()));
    x += sizes[i].cx;
    SelectObject(dc, old);
    DeleteObject(font);
  }
  return height;
}

int AlignedOffset(Align align, int room, int size) {
  switch (align) {
    case Align::Centre: return (room - size) / 2;
    case Align::End: return room - size;
    case Align::Start: break;
  }
  return 0;
}

}  // namespace

LoadedPage LoadedPage::FromFile(const std::string& path) {
  std::ifstream file(HostPathOf(path.c_str()), std::ios::binary);
  if (!file) {
    return FromText("<html><body><p>The page cannot be displayed.</p><p>" + path + "</p></body></html>",
                    std::string());
  }
  std::ostringstream text;
  text << file.rdbuf();
  return FromText(text.str(), FolderOf(path));
}

LoadedPage LoadedPage::FromText(std::string_view html, const std::string& pageFolder) {
  LoadedPage loaded;
  loaded.page_ = ParsePage(html, pageFolder);
  loaded.LoadPictures();
  return loaded;
}

void LoadedPage::LoadPictures() {
  auto load = [this](const std::string& source) {
    if (source.empty() || pictures_.count(source)) return;
    pictures_[source] = DecodeImageFile(HostPathOf(source.c_str()));
  };
  if (page_.backgroundImage) load(page_.backgroundImage->source);
  for (const PageBlock& block : page_.blocks)
    if (const auto* image = std::get_if<PageImage>(&block)) load(image->source);
}

const gdi::Surface* LoadedPage::Picture(const std::string& source) const {
  auto it = pictures_.find(source);
  return it != pictures_.end() && it->second ? &*it->second : nullptr;
}

void LoadedPage::Draw(HDC dc, const RECT& area) const {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  HBRUSH background = CreateSolidBrush(page_.background);
  FillRect(dc, &area, background);
  DeleteObject(background);
  const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
  if (page_.backgroundImage) {
    if (const gdi::Surface* picture = Picture(page_.backgroundImage->source)) {
      const BackgroundImage& bg = *page_.backgroundImage;
      if (bg.repeat) {
        for (int y = area.top; y < area.bottom; y += picture->height())
          for (int x = area.left; x < area.right; x += picture->width())
            DrawPicture(dc, *picture, x, y, picture->width(), picture->height());
      } else {
        DrawPicture(dc, *picture, area.left + AlignedOffset(bg.horizontal, areaWidth, picture->width()),
                    area.top + AlignedOffset(bg.vertical, areaHeight, picture->height()), picture->width(),
                    picture->height());
      }
    }
  }
  int y = area.top + kMargin;
  for (const PageBlock& block : page_.blocks) {
    if (const auto* line = std::get_if<TextLine>(&block)) {
      y += DrawLine(dc, *line, area, y);
      continue;
    }
    const PageImage& image = std::get<PageImage>(block);
    const gdi::Surface* picture = Picture(image.source);
    int width = image.width, height = image.height;
    if (picture && width <= 0) width = picture->width();
    if (picture && height <= 0) height = picture->height();
    int x = area.left + kMargin, top = y;
    if (image.absolute) {
      x = area.left + image.left;
      top = area.top + image.top;
    } else if (image.centred) {
      x = area.left + (areaWidth - width) / 2;
    }
    if (picture) DrawPicture(dc, *picture, x, top, width, height);
    else DrawMissingPicture(dc, image, x, top, width, height);
    if (!image.absolute) y += height;
  }
  RestoreDC(dc, saved);
}

}  // namespace qh::browser
