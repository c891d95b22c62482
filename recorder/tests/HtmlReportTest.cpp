// The HTML report: its layout, escaping of hostile song texts, well-formedness per xmllint --html.
#include <gtest/gtest.h>

#include <filesystem>

#include "dblib/Song.h"
#include "platform/core/testing/TestSandbox.h"
#include "recorder/HtmlReport.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

tSong Hostile(LONG id) {
  tSong song;
  song.SongID = id;
  song.SongName = "<script>alert('x')</script>";
  song.SongArtist = "Tom & \"Jerry\"";
  song.SongAlbumName = "</td></tr></table><b>";
  song.SongComments = "<!-- -->";
  song.SongLabel = "A&B";
  song.SongCompression = 'M';
  song.SongCDDB = 0xAB;
  song.SongGUID = "{G}";
  return song;
}

TEST(HtmlReport, SummaryLayoutAndEscapes) {
  tSong a = Hostile(7);
  tReportRequest request{ReportKind::Summary, "Songs <& more>", "Sorted by Artist and Title", false};
  std::string text = CHtmlReport(request).Compose({&a}).str();
  EXPECT_EQ(0u, text.find("<html><head><title>Quaverhouse Jukebox Summary Report</title>\r\n<style>\r\n"));
  EXPECT_NE(std::string::npos, text.find("<tr><th colspan=\"4\">Songs &lt;&amp; more&gt;</th></tr>"
                                         "<tr><th colspan=\"4\">Sorted by Artist and Title</th></tr>"
                                         "<tr><th>SongID</th><th>Name</th><th>Artist</th><th>Album</th></tr>"));
  EXPECT_NE(std::string::npos,
            text.find("<tr><td>7</td><td>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;</td><td>Tom &amp; "
                      "&quot;Jerry&quot;</td><td>&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;&lt;b&gt;</td></tr>"));
  EXPECT_EQ(std::string::npos, text.find("<script>"));
  EXPECT_NE(std::string::npos, text.find("<tr><th align=\"center\" colspan=\"4\">Songs &lt;&amp; more&gt;</th></tr>"
                                         "</table></body></html>"));
}

TEST(HtmlReport, DetailRowsAndPlaylistHeading) {
  tSong a = Hostile(3);
  tReportRequest request{ReportKind::Detail, "Report for playlist Bar", "00:10:16", true};
  std::string text = CHtmlReport(request).Compose({&a}).str();
  EXPECT_EQ(0u, text.find("<html><head><title>Quaverhouse Jukebox Detail Report</title><style>\r\n"));
  EXPECT_NE(std::string::npos, text.find("<tr><th colspan=\"4\">Total Running Time - 00:10:16</th></tr>"));
  EXPECT_NE(std::string::npos, text.find("<tr><td align=\"right\">SongID:&nbsp;</td><td>3</td></tr>"));
  EXPECT_NE(std::string::npos, text.find("<tr><td align=\"right\">Label:&nbsp;</td><td>A&amp;B</td></tr>"));
  EXPECT_NE(std::string::npos,
            text.find("<tr><td align=\"right\">CD Track / ID:&nbsp;</td><td>0 / 000000AB</td></tr>"));
  EXPECT_NE(std::string::npos,
            text.find("<tr><td align=\"right\">Compression Type / Flag:&nbsp;</td><td>MP3 / False</td></tr>"));
  EXPECT_NE(std::string::npos, text.find("<tr><td class=\"White\" colspan=\"2\"><hr></td></tr>"));
  EXPECT_EQ(std::string::npos, text.find("<th>SongID</th>")) << "no column row in a Detail report";
}

TEST(HtmlReport, WrittenReportIsWellFormedPerXmllint) {
  if (!HaveTool("xmllint")) GTEST_SKIP() << "xmllint missing";
  qh::testing::TestSandbox sandbox;
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
  tSong a = Hostile(1), b = Hostile(2);
  for (ReportKind kind : {ReportKind::Summary, ReportKind::Detail}) {
    tReportRequest request{kind, "<title>", "<sort>", false};
    CString path = ReportFilePath("C:\\Quaverhouse");
    EXPECT_EQ("C:\\Quaverhouse\\Temp\\Cover.htm", path.str());
    ASSERT_TRUE(CHtmlReport(request).Write(path, {&a, &b}));
    std::string host = sandbox.HostPath("C/Quaverhouse/Temp/Cover.htm");
    std::string errors = host + ".err";
    EXPECT_TRUE(RunTool("xmllint --html --noout '" + host + "' 2>'" + errors + "'"));
    EXPECT_EQ("", ReadHostFile(errors)) << static_cast<int>(kind);
    // Every song is one set of rows, and nothing the songs carry became markup.
    std::string text = ReadHostFile(host);
    EXPECT_EQ(std::string::npos, text.find("<script>"));
  }
}

}  // namespace
}  // namespace qh::recorder::testing
