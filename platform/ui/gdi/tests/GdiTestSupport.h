// Small helpers of the raster tests: a memory DC over a colour bitmap, and pixel probes.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/ui/gdi/Gdi.h"

namespace qh::gdi::testing {

// A memory DC with a width x height colour bitmap selected, filled with `fill`.
class MemoryCanvas {
 public:
  MemoryCanvas(int width, int height, COLORREF fill = RGB(255, 255, 255), bool monochrome = false)
      : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = monochrome ? CreateBitmap(width, height, 1, 1, nullptr) : CreateBitmap(width, height, 1, 32, nullptr);
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    const RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~MemoryCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
  int width() const { return width_; }
  int height() const { return height_; }
  // Pixels inside `area` that differ from `background`.
  int CountInk(const RECT& area, COLORREF background) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (at(x, y) != background) ++n;
    return n;
  }
  int CountInkOutside(const RECT& area, COLORREF background) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
        if (!inside && at(x, y) != background) ++n;
      }
    return n;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A folder of its own for one test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("qh-gdi-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace qh::gdi::testing
