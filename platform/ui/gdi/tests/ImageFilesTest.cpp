#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/tests/GdiTestSupport.h"

namespace {

using qh::gdi::Surface;
using qh::gdi::testing::TempFolder;

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A bottom-up BMP with the given bits per pixel, palette and pixel rows (already padded).
std::vector<unsigned char> MakeBmp(int width, int height, int bits, const std::vector<std::uint32_t>& palette,
                                   const std::vector<unsigned char>& rows) {
  const std::size_t offset = 54 + palette.size() * 4;
  std::vector<unsigned char> b(offset + rows.size(), 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, static_cast<std::uint32_t>(offset));
  Put32(b, 14, 40);
  Put32(b, 18, width);
  Put32(b, 22, height);
  b[26] = 1;
  b[28] = static_cast<unsigned char>(bits);
  Put32(b, 46, static_cast<std::uint32_t>(palette.size()));
  for (std::size_t i = 0; i < palette.size(); ++i) Put32(b, 54 + i * 4, palette[i]);
  std::copy(rows.begin(), rows.end(), b.begin() + offset);
  return b;
}

TEST(ImageFiles, PngRoundTripKeepsEveryPixel) {
  TempFolder folder;
  Surface picture(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) picture.set(x, y, static_cast<qh::gdi::Pixel>((x * 50) << 16 | (y * 80) << 8 | 7));
  const std::string path = folder.file("round.png");
  std::string error;
  ASSERT_TRUE(qh::gdi::WritePng(picture, path, &error)) << error;
  auto back = qh::gdi::ReadPng(path, &error);
  ASSERT_TRUE(back) << error;
  ASSERT_EQ(back->width(), 5);
  ASSERT_EQ(back->height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back->at(x, y), picture.at(x, y)) << x << "," << y;
}

// python3's zlib reads the file we wrote: the PNG is valid for a reader that is not ours.
TEST(ImageFiles, WrittenPngIsReadableByAnotherDecoder) {
  TempFolder folder;
  Surface picture(3, 2, 0x112233);
  const std::string path = folder.file("peer.png");
  ASSERT_TRUE(qh::gdi::WritePng(picture, path));
  const std::string script =
      "import struct,zlib,sys\n"
      "d=open(sys.argv[1],'rb').read()\n"
      "assert d[:8]==b'\\x89PNG\\r\\n\\x1a\\n'\n"
      "w,h=struct.unpack('>II',d[16:24])\n"
      "i=d.index(b'IDAT')\n"
      "n=struct.unpack('>I',d[i-4:i])[0]\n"
      "raw=zlib.decompress(d[i+4:i+4+n])\n"
      "assert (w,h)==(3,2) and raw[1:4]==bytes([0x11,0x22,0x33]), (w,h,raw[:4])\n";
  const std::string scriptPath = folder.file("check.py");
  std::ofstream(scriptPath) << script;
  EXPECT_EQ(std::system(("python3 " + scriptPath + " " + path).c_str()), 0);
}

TEST(ImageFiles, DamagedPngIsReportedNotRead) {
  TempFolder folder;
  Surface picture(40, 40, 0xABCDEF);
  const std::string path = folder.file("cut.png");
  ASSERT_TRUE(qh::gdi::WritePng(picture, path));
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bytes.resize(bytes.size() / 2);
  WriteBytes(path, bytes);
  std::string error;
  EXPECT_FALSE(qh::gdi::ReadPng(path, &error));
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  EXPECT_FALSE(qh::gdi::ReadPng(folder.file("missing.png"), &error));
  EXPECT_FALSE(qh::gdi::WritePng(picture, folder.file("no/such/folder/x.png"), &error));
}

TEST(ImageFiles, BmpOfEachDepthReads) {
  TempFolder folder;
  // 24-bit, 2 x 2: bottom row first, rows padded to 4 bytes.
  WriteBytes(folder.file("24.bmp"), MakeBmp(2, 2, 24, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}));
  auto p24 = qh::gdi::ReadBmp(folder.file("24.bmp"));
  ASSERT_TRUE(p24);
  EXPECT_EQ(p24->at(0, 1), 0xFF0000u) << "bottom-left is red";
  EXPECT_EQ(p24->at(1, 1), 0x00FF00u);
  EXPECT_EQ(p24->at(0, 0), 0x0000FFu);
  EXPECT_EQ(p24->at(1, 0), 0xFFFFFFu);
  // 1-bit, 3 x 1 with a black/magenta palette: pixels 0 1 0.
  WriteBytes(folder.file("1.bmp"), MakeBmp(3, 1, 1, {0x000000, 0xFF00FF}, {0x40, 0, 0, 0}));
  auto p1 = qh::gdi::ReadBmp(folder.file("1.bmp"));
  ASSERT_TRUE(p1);
  EXPECT_EQ(p1->at(0, 0), 0x000000u);
  EXPECT_EQ(p1->at(1, 0), 0xFF00FFu);
  // 8-bit with a palette.
  WriteBytes(folder.file("8.bmp"), MakeBmp(1, 1, 8, {0x000000, 0x123456}, {1, 0, 0, 0}));
  auto p8 = qh::gdi::ReadBmp(folder.file("8.bmp"));
  ASSERT_TRUE(p8);
  EXPECT_EQ(p8->at(0, 0), 0x123456u);
}

TEST(ImageFiles, TruncatedOrHugeBmpIsRefused) {
  TempFolder folder;
  auto bytes = MakeBmp(100, 100, 24, {}, std::vector<unsigned char>(16, 0));
  WriteBytes(folder.file("short.bmp"), bytes);
  std::string error;
  EXPECT_FALSE(qh::gdi::ReadBmp(folder.file("short.bmp"), &error));
  EXPECT_NE(error.find("truncated"), std::string::npos) << error;
  Put32(bytes, 18, 0x7FFFFFFF);
  WriteBytes(folder.file("huge.bmp"), bytes);
  EXPECT_FALSE(qh::gdi::ReadBmp(folder.file("huge.bmp"), &error));
}

TEST(ImageFiles, LoadBitmapFindsResourcesByIdInRegisteredFolders) {
  TempFolder folder;
  Surface face(12, 11, 0x336699);
  ASSERT_TRUE(qh::gdi::WritePng(face, folder.file("514.png")));
  qh::gdi::ClearBitmapFolders();
  qh::gdi::AddBitmapFolder(folder.path());
  HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(514));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info;
  GetObject(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 12);
  EXPECT_EQ(info.bmHeight, 11);
  DeleteObject(bitmap);
  SetLastError(0);
  EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(999)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  qh::gdi::ClearBitmapFolders();
}

}  // namespace
