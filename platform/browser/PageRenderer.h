// Draws a parsed page with its pictures. Pictures are decoded once per page and kept with it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/browser/HtmlPage.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/Surface.h"

namespace qh::browser {

class LoadedPage {
 public:
  LoadedPage() = default;
  // Reads the page file (a system path); a missing or unreadable file gives a page saying so.
  static LoadedPage FromFile(const std::string& path);
  static LoadedPage FromText(std::string_view html, const std::string& pageFolder);

  const Page& page() const { return page_; }
  // The decoded picture of a source; null when it could not be read.
  const gdi::Surface* Picture(const std::string& source) const;
  // Draws the page into the area of the device context (the area's top-left is the page's origin).
  void Draw(HDC dc, const RECT& area) const;

 private:
  void LoadPictures();

  Page page_;
  std::map<std::string, std::optional<gdi::Surface>> pictures_;
};

}  // namespace qh::browser
