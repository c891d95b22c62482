#include "platform/browser/HtmlPage.h"

#include <gtest/gtest.h>

namespace qh::browser {
namespace {

TEST(ResolveSource, NamesLocalFilesOnly) {
  struct Case {
    const char* source;
    const char* expected;  // nullptr = refused
  } cases[] = {
      {"file:///C:/Quaverhouse/Covers/Cover0000000001.jpg", "C:\\Quaverhouse\\Covers\\Cover0000000001.jpg"},
      {"File://C:\\Quaverhouse\\qhlogo3.gif", "C:\\Quaverhouse\\qhlogo3.gif"},
      {"file:///C:/My%20Pictures/a%26b.jpg", "C:\\My Pictures\\a&b.jpg"},
      {"file:///srv/pictures/a.png", "/srv/pictures/a.png"},
      {"D:\\Pictures\\b.jpg", "D:\\Pictures\\b.jpg"},
      {"logo.gif", "C:\\Pages\\logo.gif"},
      {"http://example.com/a.jpg", nullptr},
      {"javascript:alert(1)", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    auto resolved = ResolveSource(c.source, "C:\\Pages");
    if (!c.expected) {
      EXPECT_FALSE(resolved) << c.source;
    } else {
      ASSERT_TRUE(resolved) << c.source;
      EXPECT_EQ(*resolved, c.expected) << c.source;
    }
  }
}

TEST(ParseHtmlColour, HexAndNames) {
  EXPECT_EQ(ParseHtmlColour("#ffffff"), RGB(255, 255, 255));
  EXPECT_EQ(ParseHtmlColour("#F0a"), RGB(0xFF, 0x00, 0xAA));
  EXPECT_EQ(ParseHtmlColour("red"), RGB(255, 0, 0));
  EXPECT_EQ(ParseHtmlColour(" Navy "), RGB(0, 0, 128));
  EXPECT_FALSE(ParseHtmlColour("#12"));
  EXPECT_FALSE(ParseHtmlColour("nocolour"));
}

TEST(ParsePage, AbsolutePictureOfTheCoverPage) {
  const Page page = ParsePage(
      "<html><head>\r\n<META http-equiv=\"Page-Enter\" CONTENT=\"RevealTrans(Duration=2.0,Transition=23)\">\r\n"
      "</head>\r\n<body scroll=\"no\" bgcolor=\"#ffffff\">\r\n<center>\r\n"
      "<img style=\"position:absolute; left:0px; top:25px; width:200px; height:150px\" valign=\"middle\" "
      "src=\"file:///C:/Quaverhouse/Covers/Cover0000000007.jpg\" height=\"150\" width=\"200\" "
      "alt=\"Album cover for Rock &amp; &quot;Roll&quot;\">\r\n</center>\r\n</body>\r\n</html>\r\n",
      "C:\\Quaverhouse\\Temp");
  EXPECT_EQ(page.background, RGB(255, 255, 255));
  ASSERT_EQ(page.blocks.size(), 1u);
  const auto& image = std::get<PageImage>(page.blocks[0]);
  EXPECT_TRUE(image.absolute);
  EXPECT_EQ(image.left, 0);
  EXPECT_EQ(image.top, 25);
  EXPECT_EQ(image.width, 200);
  EXPECT_EQ(image.height, 150);
  EXPECT_EQ(image.source, "C:\\Quaverhouse\\Covers\\Cover0000000007.jpg");
  EXPECT_EQ(image.alt, "Album cover for Rock & \"Roll\"");
}

TEST(ParsePage, LogoPageBackgroundAndCentredRedText) {
  const Page page = ParsePage(
      "<html><head>\r\n</head>\r\n<body scroll=\"no\" style=\"background-image: url('File://C:\\Quaverhouse"
      "\\qhlogo3.gif'); background-repeat: no-repeat; background-position-x: center; background-position-y: "
      "bottom\">\r\n<center>\r\n<b><font size=\"1\" color=\"red\">Quaverhouse<font size=\"1\">&reg;</font> Jukebox "
      "Version 4.0.0</font></b><br>\r\n<br>&nbsp;<br>\r\n</center>\r\n</body>\r\n</html>\r\n",
      "C:\\Quaverhouse\\Temp");
  ASSERT_TRUE(page.backgroundImage);
  EXPECT_EQ(page.backgroundImage->source, "C:\\Quaverhouse\\qhlogo3.gif");
  EXPECT_FALSE(page.backgroundImage->repeat);
  EXPECT_EQ(page.backgroundImage->horizontal, Align::Centre);
  EXPECT_EQ(page.backgroundImage->vertical, Align::End);
  ASSERT_GE(page.blocks.size(), 1u);
  const auto& line = std::get<TextLine>(page.blocks[0]);
  EXPECT_TRUE(line.centred);
  std::string text;
  for (const TextRun& run : line.runs) {
    text += run.text;
    EXPECT_TRUE(run.bold);
    EXPECT_EQ(run.colour, RGB(255, 0, 0));
    EXPECT_EQ(run.pixelHeight, 10);
  }
  EXPECT_EQ(text, "Quaverhouse\xAE Jukebox Version 4.0.0");
}

TEST(ParsePage, BrokenMarkupStillGivesWhatItCan) {
  const Page page = ParsePage("<body><p>one<br>two<img src=\"x.png\"><script>never()</script>", "C:\\P");
  ASSERT_EQ(page.blocks.size(), 3u);
  EXPECT_EQ(std::get<TextLine>(page.blocks[0]).runs[0].text, "one");
  EXPECT_EQ(std::get<TextLine>(page.blocks[1]).runs[0].text, "two");
  EXPECT_EQ(std::get<PageImage>(page.blocks[2]).source, "C:\\P\\x.png");
}

}  // namespace
}  // namespace qh::browser
