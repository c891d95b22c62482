// Bitmap resources from files, and LoadBitmap.
#include "platform/ui/gdi/BitmapResources.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "platform/ui/gdi/GdiInternal.h"
#include "platform/ui/gdi/Png.h"

namespace qh::gdi {
namespace {

std::mutex& FoldersMutex() {
  static std::mutex m;
  return m;
}
std::vector<std::string>& Folders() {
  static auto* folders = new std::vector<std::string>();
  return *folders;
}

bool Exists(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return f.good();
}

std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::optional<Surface> Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return std::nullopt;
}

constexpr long kMaxBmpSide = 16384;

}  // namespace

void AddBitmapFolder(const std::string& folder) {
  std::lock_guard lock(FoldersMutex());
  Folders().push_back(folder);
}

void ClearBitmapFolders() {
  std::lock_guard lock(FoldersMutex());
  Folders().clear();
}

std::optional<std::string> FindBitmapFile(unsigned id) {
  std::lock_guard lock(FoldersMutex());
  for (const std::string& folder : Folders())
    for (const char* extension : {".png", ".bmp"}) {
      const std::string path = folder + "/" + std::to_string(id) + extension;
      if (Exists(path)) return path;
    }
  return std::nullopt;
}

std::optional<Surface> ReadBmp(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, "cannot open " + path);
  const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return Fail(error, path + " is not a BMP file");
  const std::uint32_t dataOffset = U32(b, 10);
  const std::uint32_t headerSize = U32(b, 14);
  if (headerSize < 40 || 14 + headerSize > b.size()) return Fail(error, path + ": unsupported BMP header");
  const auto width = static_cast<std::int32_t>(U32(b, 18));
  const auto rawHeight = static_cast<std::int32_t>(U32(b, 22));
  const std::uint16_t bits = U16(b, 28);
  const std::uint32_t compression = U32(b, 30);
  std::uint32_t colours = U32(b, 46);
  const bool topDown = rawHeight < 0;
  const long height = topDown ? -static_cast<long>(rawHeight) : rawHeight;
  if (width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide)
    return Fail(error, path + ": bad BMP size");
  if (compression != 0 && !(compression == 3 && (bits == 32 || bits == 16)))
    return Fail(error, path + ": compressed BMP files are not read");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return Fail(error, path + ": " + std::to_string(bits) + "-bit BMP files are not read");
  if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
  const std::size_t paletteAt = 14 + headerSize;
  if (bits <= 8 && paletteAt + colours * 4 > b.size()) return Fail(error, path + " is truncated");
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  if (dataOffset > b.size() || rowBytes * height > b.size() - dataOffset) return Fail(error, path + " is truncated");

  Surface surface(width, static_cast<int>(height));
  for (long y = 0; y < height; ++y) {
    const unsigned char* row = b.data() + dataOffset + rowBytes * (topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      Pixel p = 0;
      if (bits >= 24) {
        const unsigned char* q = row + x * (bits / 8);
        p = (q[2] << 16) | (q[1] << 8) | q[0];
      } else {
        const unsigned index = bits == 8 ? row[x] : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF
                                                              : (row[x / 8] >> (7 - x % 8)) & 1;
        if (index < colours) {
          const unsigned char* q = b.data() + paletteAt + index * 4;
          p = (q[2] << 16) | (q[1] << 8) | q[0];
        }
      }
      surface.set(x, static_cast<int>(y), p);
    }
  }
  return surface;
}

std::optional<Surface> ReadImageFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, "cannot open " + path);
  char magic[2] = {};
  in.read(magic, 2);
  if (magic[0] == 'B' && magic[1] == 'M') return ReadBmp(path, error);
  return ReadPng(path, error);
}

}  // namespace qh::gdi

using namespace qh::gdi;

HBITMAP LoadBitmap(HINSTANCE, LPCSTR name) {
  if (!name || !IS_INTRESOURCE(name)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  const unsigned id = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
  const auto path = FindBitmapFile(id);
  if (!path) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  auto pixels = ReadImageFile(*path);
  if (!pixels) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return MakeBitmapFromSurface(std::move(*pixels));
}
