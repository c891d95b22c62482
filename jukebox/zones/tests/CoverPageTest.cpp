// The cover page's texts, checked as HTML by xmllint, its scaling and its slide-show draw.
#include "jukebox/zones/CoverPage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

struct FitCase {
  int iw, ih, W, H;
  CoverFit expected;
};

TEST(FitPicture, KeepsProportionsAndCentres) {
  const FitCase cases[] = {
      {400, 300, 200, 200, {0, 25, 200, 150}},   // wider than high
      {300, 600, 200, 200, {50, 0, 100, 200}},   // higher than wide
      {500, 500, 200, 100, {50, 0, 100, 100}},   // square takes the second rule, then fits the width
      {800, 100, 200, 10, {60, 0, 80, 10}},      // too high for the area once fitted: scaled again
      {100, 1000, 300, 200, {140, 0, 20, 200}},
  };
  for (const FitCase& c : cases) {
    const CoverFit fit = FitPicture(c.iw, c.ih, c.W, c.H);
    EXPECT_EQ(fit.left, c.expected.left) << c.iw << "x" << c.ih;
    EXPECT_EQ(fit.top, c.expected.top) << c.iw << "x" << c.ih;
    EXPECT_EQ(fit.width, c.expected.width) << c.iw << "x" << c.ih;
    EXPECT_EQ(fit.height, c.expected.height) << c.iw << "x" << c.ih;
  }
}

// xmllint's HTML parser on the page: what it reports (empty when the page is clean).
std::string XmllintHtml(const CString& page) {
  const std::string path = std::filesystem::temp_directory_path() / ("qh-cover-" + std::to_string(::getpid()) + ".htm");
  std::ofstream(path, std::ios::binary) << page.str();
  const std::string command = "xmllint --html --noout '" + path + "' 2>&1";
  std::string output;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
  }
  std::filesystem::remove(path);
  return output;
}

TEST(CoverPageText, IsCleanHtmlWithEscapedAttributesAndAFileUrl) {
  const CString page = CoverPageText("C:\\Quaverhouse\\Covers\\Cover0000000007.jpg",
                                     "Album cover for Rock & \"Roll\" <live>", CoverFit{0, 25, 200, 150});
  EXPECT_EQ(XmllintHtml(page), "");
  EXPECT_NE(page.Find("<META http-equiv=\"Page-Enter\" CONTENT=\"RevealTrans(Duration=2.0,Transition=23)\">"), -1);
  EXPECT_NE(page.Find("<img style=\"position:absolute; left:0px; top:25px; width:200px; height:150px\" "
                      "valign=\"middle\" src=\"file:///C:/Quaverhouse/Covers/Cover0000000007.jpg\" height=\"150\" "
                      "width=\"200\" alt=\"Album cover for Rock &amp; &quot;Roll&quot; &lt;live&gt;\">\r\n"),
            -1)
      << page.str();
  EXPECT_EQ(page.Right(29), "</center>\r\n</body>\r\n</html>\r\n");
}

TEST(CoverPageText, SlideShowPathsWithOddCharactersStayInsideTheAttribute) {
  const CString picture = "D:\\My Pictures\\50% \"off\" & more#1.jpg";
  const CString page = CoverPageText(picture, "Image " + picture, CoverFit{1, 2, 3, 4});
  EXPECT_EQ(XmllintHtml(page), "");
  EXPECT_NE(page.Find("src=\"file:///D:/My%20Pictures/50%25%20%22off%22%20%26%20more%231.jpg\""), -1) << page.str();
  EXPECT_EQ(FileUrlOf("C:\\a\xE9.jpg"), "file:///C:/a%E9.jpg");
}

TEST(LogoPageText, IsCleanHtmlAndNamesTheLogoInTheStartFolder) {
  const CString page = LogoPageText("C:\\Quaverhouse", "4.0.0");
  EXPECT_EQ(XmllintHtml(page), "");
  EXPECT_NE(page.Find("<body scroll=\"no\" style=\"background-image: url('File://C:\\Quaverhouse\\qhlogo3.gif'); "
                      "background-repeat: no-repeat; background-position-x: center; background-position-y: "
                      "bottom\">\r\n<center>\r\n"),
            -1);
  EXPECT_NE(page.Find("<b><font size=\"1\" color=\"red\">Quaverhouse<font size=\"1\">&reg;</font> Jukebox Version "
                      "4.0.0</font></b><br>\r\n<br>&nbsp;<br>\r\n</center>\r\n</body>\r\n</html>\r\n"),
            -1);
  // A quote in the folder can end neither the attribute nor the url('...').
  const CString odd = LogoPageText("C:\\Bob's \"Bar\"", "4.0.0");
  EXPECT_EQ(XmllintHtml(odd), "");
  EXPECT_NE(odd.Find("url('File://C:\\Bob%27s &quot;Bar&quot;\\qhlogo3.gif')"), -1) << odd.str();
}

TEST(CoverPagePath, OnePagePerZone) {
  EXPECT_EQ(CoverPagePath("C:\\Quaverhouse", 0), "C:\\Quaverhouse\\Temp\\Cover1.htm");
  EXPECT_EQ(CoverPagePath("C:\\Quaverhouse", 7), "C:\\Quaverhouse\\Temp\\Cover8.htm");
}

TEST(ChooseSlideShowPicture, ShowsEveryPictureOnceBeforeAnyAgain) {
  CShuffleRandom random;
  random.Seed(7);
  std::vector<BYTE> shown(3, 0);
  for (int round = 0; round < 4; ++round) {
    std::set<int> seen;
    for (int i = 0; i < 3; ++i) {
      const int index = ChooseSlideShowPicture(random, shown);
      ASSERT_GE(index, 0);
      ASSERT_LT(index, 3);
      EXPECT_TRUE(seen.insert(index).second) << "round " << round;
    }
  }
  std::vector<BYTE> none;
  EXPECT_EQ(ChooseSlideShowPicture(random, none), -1);
}

}  // namespace
