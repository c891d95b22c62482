// Cover sizes read from JPEG frame headers, on a file that ffmpeg writes and on variants of it that
// other writers produce (fill bytes, EXIF or AVI1 segments instead of JFIF, progressive frames).
#include <cstdlib>

#include "dblib/JpegSize.h"
#include "dblib/tests/media/MediaTestBase.h"

namespace qh::dblib::media_testing {
namespace {

class JpegSizeTest : public MediaTest {
 protected:
  void SetUp() override {
    MediaTest::SetUp();
    if (Missing({"ffmpeg", "ffprobe"})) GTEST_SKIP() << "ffmpeg is missing";
    ASSERT_TRUE(RunTool("ffmpeg -nostdin -y -f lavfi -i color=c=red:size=160x90 -frames:v 1 " + Quoted(Host("base.jpg"))));
    base = qh::testing::ReadHostFile(Host("base.jpg"));
    ASSERT_EQ("\xFF\xD8\xFF\xE0", base.substr(0, 4));
    appZeroEnd = 4 + ((static_cast<unsigned char>(base[4]) << 8) | static_cast<unsigned char>(base[5]));
  }
  // The file without its JFIF segment: everything after it.
  std::string AfterAppZero() const { return base.substr(appZeroEnd); }
  static std::string Segment(unsigned char marker, const std::string& body) {
    size_t length = body.size() + 2;
    return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} +
           body;
  }
  int SizeOf(const std::string& content, int& width, int& height) {
    Write("cover.jpg", content);
    width = height = -1;
    return GetJpegSize(OnD("cover.jpg"), width, height);
  }

  std::string base;
  size_t appZeroEnd = 0;
};

TEST_F(JpegSizeTest, WritersVariantsAllGiveTheFrameSize) {
  std::string withFill = base;
  withFill.insert(withFill.find("\xFF\xC0"), "\xFF\xFF\xFF");
  std::string progressive = base;
  progressive[progressive.find("\xFF\xC0") + 1] = '\xC2';
  struct Case {
    const char* what;
    std::string content;
  } cases[] = {
      {"as written", base},
      {"fill bytes before a marker", withFill},
      {"EXIF and no JFIF", "\xFF\xD8" + Segment(0xE1, "Exif" + std::string(2, '\0') + std::string(200, 'e')) + AfterAppZero()},
      {"AVI1 application segment", "\xFF\xD8" + Segment(0xE0, "AVI1" + std::string(10, '\0')) + AfterAppZero()},
      {"JFIF then JFXX", base.substr(0, appZeroEnd) + Segment(0xE0, "JFXX" + std::string(3000, 't')) + AfterAppZero()},
      {"JFIF with a large thumbnail", "\xFF\xD8" + Segment(0xE0, "JFIF" + std::string(5000, 't')) + AfterAppZero()},
      {"progressive frame", progressive},
  };
  for (const Case& c : cases) {
    int width, height;
    EXPECT_EQ(0, SizeOf(c.content, width, height)) << c.what;
    EXPECT_EQ(160, width) << c.what;
    EXPECT_EQ(90, height) << c.what;
  }
  // ffprobe reads the same size from the file as written.
  EXPECT_EQ("160x90", Capture("ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x " + Quoted(Host("base.jpg"))));
}

TEST_F(JpegSizeTest, Failures) {
  size_t frame = base.find("\xFF\xC0");
  int width, height;
  EXPECT_EQ(-1, SizeOf("GIF89a", width, height));
  EXPECT_EQ(-12, SizeOf(base.substr(0, frame), width, height));
  EXPECT_EQ(-12, SizeOf(base.substr(0, frame + 6), width, height));
  EXPECT_EQ(-10, SizeOf(base.substr(0, frame) + "\xFF\xD9", width, height));
  EXPECT_EQ(-2, SizeOf(base.substr(0, frame) + std::string("\xFF\xC4\x00\x01", 4), width, height));
  EXPECT_EQ(-8, SizeOf(base.substr(0, frame) + "junk", width, height));
  EXPECT_EQ(-1, width);
  EXPECT_EQ(-7, GetJpegSize(OnD("missing.jpg"), width, height));
}

}  // namespace
}  // namespace qh::dblib::media_testing
