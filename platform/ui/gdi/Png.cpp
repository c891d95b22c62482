// PNG through libpng, with its errors turned into return values instead of long jumps across C++ frames.
#include "platform/ui/gdi/Png.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace qh::gdi {
namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Pixels larger than this are refused: a corrupt header must not make us allocate gigabytes.
constexpr png_uint_32 kMaxSide = 16384;

}  // namespace

bool WritePng(const Surface& surface, const std::string& path, std::string* error) {
  if (surface.empty()) {
    SetError(error, "nothing to write: the surface is empty");
    return false;
  }
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    SetError(error, "cannot create " + path + ": " + std::strerror(errno));
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    SetError(error, "out of memory writing " + path);
    return false;
  }
  std::vector<png_byte> row(static_cast<std::size_t>(surface.width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    SetError(error, "cannot write " + path);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, surface.width(), surface.height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < surface.height(); ++y) {
    const Pixel* src = surface.row(y);
    for (int x = 0; x < surface.width(); ++x) {
      row[x * 3] = static_cast<png_byte>(src[x] >> 16);
      row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
      row[x * 3 + 2] = static_cast<png_byte>(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.get()) != 0) {
    SetError(error, "cannot write " + path + ": " + std::strerror(errno));
    return false;
  }
  return true;
}

std::optional<Surface> ReadPng(const std::string& path, std::string* error) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    SetError(error, "cannot open " + path + ": " + std::strerror(errno));
    return std::nullopt;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    SetError(error, path + " is not a PNG file");
    return std::nullopt;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    SetError(error, "out of memory reading " + path);
    return std::nullopt;
  }
  // Declared before setjmp so that a long jump leaves nothing half-built behind.
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    SetError(error, path + " is damaged or truncated");
    return std::nullopt;
  }
  png_init_io(png, file.get());
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  pixels.resize(static_cast<std::size_t>(width) * height * 4);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  Surface surface(static_cast<int>(width), static_cast<int>(height));
  for (png_uint_32 y = 0; y < height; ++y)
    for (png_uint_32 x = 0; x < width; ++x) {
      const png_byte* p = rows[y] + x * 4;
      const unsigned a = p[3];
      auto channel = [a](unsigned v) { return (v * a + 127) / 255; };
      surface.set(static_cast<int>(x), static_cast<int>(y),
                  (channel(p[0]) << 16) | (channel(p[1]) << 8) | channel(p[2]));
    }
  return surface;
}

}  // namespace qh::gdi
