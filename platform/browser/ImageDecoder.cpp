// JPEG through libjpeg (errors leave by longjmp from its error manager), GIF through giflib (first
// frame, transparent pixels over white as a page shows them), PNG through the raster's own reader.
#include "platform/browser/ImageDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <jpeglib.h>

#include "platform/ui/gdi/Png.h"

namespace qh::browser {
namespace {

void Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
}

std::string GifText(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "error " + std::to_string(code);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  info->err->format_message(info, error->message);
  std::longjmp(error->escape, 1);
}

void JpegQuiet(j_common_ptr, int) {}

// Kept outside DecodeJpeg's frame so nothing with a destructor lives across the setjmp.
struct JpegJob {
  jpeg_decompress_struct info;
  JpegError error;
  gdi::Surface pixels;
  std::vector<JSAMPLE> line;
};

bool RunJpeg(JpegJob& job, std::FILE* file) {
  if (setjmp(job.error.escape)) return false;
  jpeg_create_decompress(&job.info);
  jpeg_stdio_src(&job.info, file);
  jpeg_read_header(&job.info, TRUE);
  job.info.out_color_space = JCS_RGB;
  if (job.info.image_width > static_cast<unsigned>(kMaxImageSide) ||
      job.info.image_height > static_cast<unsigned>(kMaxImageSide)) {
    std::snprintf(job.error.message, sizeof job.error.message, "picture too large (%ux%u)", job.info.image_width,
                  job.info.image_height);
    return false;
  }
  jpeg_start_decompress(&job.info);
  const int width = static_cast<int>(job.info.output_width), height = static_cast<int>(job.info.output_height);
  job.pixels = gdi::Surface(width, height);
  job.line.resize(static_cast<std::size_t>(width) * 3);
  while (job.info.output_scanline < job.info.output_height) {
    JSAMPROW row = job.line.data();
    const int y = static_cast<int>(job.info.output_scanline);
    jpeg_read_scanlines(&job.info, &row, 1);
    gdi::Pixel* out = job.pixels.row(y);
    for (int x = 0; x < width; ++x)
      out[x] = (static_cast<gdi::Pixel>(row[x * 3]) << 16) | (static_cast<gdi::Pixel>(row[x * 3 + 1]) << 8) |
               row[x * 3 + 2];
  }
  jpeg_finish_decompress(&job.info);
  return true;
}

std::optional<gdi::Surface> DecodeJpeg(const std::string& path, std::string* error) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    Fail(error, "cannot open " + path);
    return std::nullopt;
  }
  auto job = std::make_unique<JpegJob>();
  job->info.err = jpeg_std_error(&job->error.manager);
  job->error.manager.error_exit = JpegErrorExit;
  job->error.manager.emit_message = JpegQuiet;
  job->error.message[0] = '\0';
  const bool ok = RunJpeg(*job, file.get());
  jpeg_destroy_decompress(&job->info);
  if (!ok) {
    Fail(error, std::string("JPEG: ") + job->error.message);
    return std::nullopt;
  }
  return std::move(job->pixels);
}

std::optional<gdi::Surface> DecodeGif(const std::string& path, std::string* error) {
  int status = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &status);
  if (!gif) {
    Fail(error, "GIF: " + GifText(status));
    return std::nullopt;
  }
  std::unique_ptr<GifFileType, void (*)(GifFileType*)> closer(gif, [](GifFileType* g) {
    int ignored = 0;
    DGifCloseFile(g, &ignored);
  });
  if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
    Fail(error, "GIF: " + GifText(gif->Error));
    return std::nullopt;
  }
  if (gif->SWidth <= 0 || gif->SHeight <= 0 || gif->SWidth > kMaxImageSide || gif->SHeight > kMaxImageSide) {
    Fail(error, "GIF: bad picture size");
    return std::nullopt;
  }
  const SavedImage& frame = gif->SavedImages[0];
  const ColorMapObject* colours = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
  if (!colours) {
    Fail(error, "GIF: no colour table");
    return std::nullopt;
  }
  int transparent = -1;
  GraphicsControlBlock control;
  if (DGifSavedExtensionToGCB(gif, 0, &control) == GIF_OK) transparent = control.TransparentColor;
  gdi::Surface pixels(gif->SWidth, gif->SHeight, 0xFFFFFF);
  const GifImageDesc& d = frame.ImageDesc;
  for (int y = 0; y < d.Height; ++y) {
    for (int x = 0; x < d.Width; ++x) {
      const int px = d.Left + x, py = d.Top + y;
      if (!pixels.contains(px, py)) continue;
      const int index = frame.RasterBits[static_cast<std::size_t>(y) * d.Width + x];
      if (index == transparent || index >= colours->ColorCount) continue;
      const GifColorType& c = colours->Colors[index];
      pixels.set(px, py, (static_cast<gdi::Pixel>(c.Red) << 16) | (static_cast<gdi::Pixel>(c.Green) << 8) | c.Blue);
    }
  }
  return pixels;
}

}  // namespace

std::optional<gdi::Surface> DecodeImageFile(const std::string& hostPath, std::string* error) {
  unsigned char magic[8] = {};
  {
    FilePtr file(std::fopen(hostPath.c_str(), "rb"));
    if (!file) {
      Fail(error, "cannot open " + hostPath);
      return std::nullopt;
    }
    if (std::fread(magic, 1, sizeof magic, file.get()) < 4) {
      Fail(error, "not a picture: " + hostPath);
      return std::nullopt;
    }
  }
  if (magic[0] == 0xFF && magic[1] == 0xD8) return DecodeJpeg(hostPath, error);
  if (std::memcmp(magic, "GIF8", 4) == 0) return DecodeGif(hostPath, error);
  if (std::memcmp(magic, "\x89PNG", 4) == 0) {
    auto pixels = gdi::ReadPng(hostPath, error);
    if (pixels && (pixels->width() > kMaxImageSide || pixels->height() > kMaxImageSide)) {
      Fail(error, "PNG: picture too large");
      return std::nullopt;
    }
    return pixels;
  }
  Fail(error, "unknown picture format: " + hostPath);
  return std::nullopt;
}

}  // namespace qh::browser
