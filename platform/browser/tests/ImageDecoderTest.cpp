#include "platform/browser/ImageDecoder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/browser/tests/BrowserTestSupport.h"
#include "platform/core/testing/TestSandbox.h"

namespace qh::browser {
namespace {

int Channel(gdi::Pixel p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

TEST(DecodeImageFile, EachFormatGivesItsSizeAndColour) {
  qh::testing::TestSandbox sandbox;
  struct Case {
    const char* name;
    const char* colour;
    int r, g, b;
  } cases[] = {{"a.jpg", "0xFF0000", 0xFF, 0, 0}, {"a.png", "0x00FF00", 0, 0xFF, 0}, {"a.gif", "0x0000FF", 0, 0, 0xFF}};
  for (const Case& c : cases) {
    const std::string path = sandbox.HostPath(c.name);
    ASSERT_TRUE(test::MakePicture(path, c.colour, 36, 20)) << c.name;
    std::string error;
    auto picture = DecodeImageFile(path, &error);
    ASSERT_TRUE(picture) << c.name << ": " << error;
    EXPECT_EQ(picture->width(), 36) << c.name;
    EXPECT_EQ(picture->height(), 20) << c.name;
    const gdi::Pixel middle = picture->at(18, 10);
    // JPEG and the GIF palette shift colours a little.
    EXPECT_NEAR(Channel(middle, 16), c.r, 24) << c.name;
    EXPECT_NEAR(Channel(middle, 8), c.g, 24) << c.name;
    EXPECT_NEAR(Channel(middle, 0), c.b, 24) << c.name;
  }
}

TEST(DecodeImageFile, BadFilesAreRefusedWithAReason) {
  qh::testing::TestSandbox sandbox;
  ASSERT_TRUE(test::MakePicture(sandbox.HostPath("whole.jpg"), "0x808080", 64, 64));
  const auto size = std::filesystem::file_size(sandbox.HostPath("whole.jpg"));
  std::filesystem::copy_file(sandbox.HostPath("whole.jpg"), sandbox.HostPath("cut.jpg"));
  std::filesystem::resize_file(sandbox.HostPath("cut.jpg"), size / 3);
  test::WriteText(sandbox.HostPath("text.jpg"), "not a picture at all");
  test::WriteText(sandbox.HostPath("cut.gif"), "GIF89a\x10");
  for (const char* name : {"missing.jpg", "text.jpg", "cut.gif"}) {
    std::string error;
    EXPECT_FALSE(DecodeImageFile(sandbox.HostPath(name), &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
  // A cut JPEG still decodes what it has (libjpeg fills the rest) or fails cleanly; it never crashes.
  std::string error;
  auto cut = DecodeImageFile(sandbox.HostPath("cut.jpg"), &error);
  if (cut) {
    EXPECT_EQ(cut->width(), 64);
  }
}

}  // namespace
}  // namespace qh::browser
