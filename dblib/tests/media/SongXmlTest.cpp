// Song documents: the QHSongInfo fragment (checked by xmllint) and the QHSong upload document read back.
#include <chrono>
#include <functional>

#include "dblib/TextUtil.h"

#include "dblib/tests/media/MediaTestBase.h"

namespace qh::dblib::media_testing {
namespace {

class SongXmlTest : public MediaTest {
 protected:
  bool WellFormed(const std::string& document) {
    Write("check.xml", document);
    return RunTool("xmllint --noout --nonet " + Quoted(Host("check.xml")));
  }
};

COleDateTime Day(int year, int month, int day) {
  COleDateTime date;
  date.SetDate(year, month, day);
  return date;
}

TEST_F(SongXmlTest, FragmentLinesAndEscapes) {
  tSong song;
  song.SongID = 12;
  song.SetSongName("Rock & Roll <Live>");
  song.SetSongArtist("Quote \"Q\" O'Neil");
  song.SetSongDate(Day(1987, 5, 1));
  song.SongLengthMS = 183456;
  song.AddGenre("Rock", TRUE);
  EXPECT_EQ(
      "<QHSongInfo>\r\n"
      "  <SongID>12</SongID>\r\n"
      "  <SongName>Rock &amp; Roll &lt;Live&gt;</SongName>\r\n"
      "  <SongArtist>Quote \"Q\" O'Neil</SongArtist>\r\n"
      "  <SongAlbum></SongAlbum>\r\n"
      "  <SongYear>1987</SongYear>\r\n"
      "  <SongLengthMS>183456</SongLengthMS>\r\n"
      "  <SongPrimaryGenre>Rock</SongPrimaryGenre>\r\n"
      "</QHSongInfo>\r\n",
      song.GetSongInfoXml().str());
}

TEST_F(SongXmlTest, FragmentIsWellFormedPerXmllint) {
  SKIP_WITHOUT("xmllint");
  tSong song;
  song.SongID = 3;
  song.SetSongName("Caf\xE9 \x93quoted\x94 & <b>");
  song.SetSongArtist(CString("Tab\tand\x01" "control"));
  song.SetSongAlbumName("]]> & >");
  std::string fragment = song.GetSongInfoXml().str();
  EXPECT_TRUE(WellFormed("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n" + fragment)) << fragment;
  // Without a valid date the year is empty, and the fragment stays well-formed.
  song.SongDate.SetStatus(COleDateTime::invalid);
  fragment = song.GetSongInfoXml().str();
  EXPECT_NE(fragment.find("  <SongYear></SongYear>\r\n"), std::string::npos);
  EXPECT_TRUE(WellFormed("<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + fragment));
}

TEST_F(SongXmlTest, NoSongIdGivesOneByte) {
  tSong song;
  song.SongID = 0;
  EXPECT_EQ(std::string(1, '\xFF'), song.GetSongInfoXml().str());
  song.SongID = -1;
  EXPECT_EQ(std::string(1, '\xFF'), song.GetSongInfoXml().str());
}

// The document a recorder writes when it uploads a song, line by line.
std::string QHSongDocument(const tSong& s, const std::vector<std::string>& furtherGenres) {
  CString doc = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<QHSong Version=\"4.0\">\r\n";
  doc.AppendFormat("<SongID>%ld</SongID>\r\n", static_cast<long>(s.SongID));
  doc.AppendFormat("<SongName>%s</SongName>\r\n", XmlEscape(s.SongName).GetString());
  doc.AppendFormat("<SongArtist>%s</SongArtist>\r\n", XmlEscape(s.SongArtist).GetString());
  doc.AppendFormat("<SongAlbum>%s</SongAlbum>\r\n", XmlEscape(s.SongAlbumName).GetString());
  doc.AppendFormat("<SongLabel>%s</SongLabel>\r\n", XmlEscape(s.SongLabel).GetString());
  doc += s.SongDate.Format("<SongDate>%Y-%m-%d</SongDate>\r\n");
  doc += s.SongRecordDate.Format("<SongRecordDate>%Y-%m-%d</SongRecordDate>\r\n");
  doc.AppendFormat("<SongBPM>%f</SongBPM>\r\n", s.SongBPM);
  doc.AppendFormat("<SongBPMAccuracy>%f</SongBPMAccuracy>\r\n", s.SongBPMAccuracy);
  doc.AppendFormat("<SongAttributes>%s</SongAttributes>\r\n", XmlEscape(s.SongAttributes).GetString());
  doc.AppendFormat("<SongLength>%s</SongLength>\r\n", s.SongLength.GetString());
  doc.AppendFormat("<SongCDTrack>%hd</SongCDTrack>\r\n", static_cast<short>(s.SongCdTrack));
  doc.AppendFormat("<SongCDDB>%08X</SongCDDB>\r\n", s.SongCDDB);
  doc.AppendFormat("<SongCompression>%c</SongCompression>\r\n", s.SongCompression);
  doc.AppendFormat("<SongUncompressed>%d</SongUncompressed>\r\n", s.SongUncompressed);
  doc.AppendFormat("<SongComments>%s</SongComments>\r\n", XmlEscape(s.SongComments).GetString());
  doc.AppendFormat("<SongInventoryCode>%s</SongInventoryCode>\r\n", XmlEscape(s.SongInventoryCode).GetString());
  doc.AppendFormat("<SongSource>%s</SongSource>\r\n", XmlEscape(s.SongSource).GetString());
  doc.AppendFormat("<SongRotationCode>%s</SongRotationCode>\r\n", XmlEscape(s.SongRotationCode).GetString());
  doc.AppendFormat("<OriginalPath>%s</OriginalPath>\r\n", XmlEscape(s.SongPath).GetString());
  doc.AppendFormat("<OriginalVolser>%08X</OriginalVolser>\r\n", s.SongVolser);
  doc.AppendFormat("<SongGUID>%s</SongGUID>\r\n", s.SongGUID.GetString());
  doc.AppendFormat("<SongPlaycount>%ld</SongPlaycount>\r\n", static_cast<long>(s.SongPlayCount));
  doc.AppendFormat("<SongPrimaryGenre>%s</SongPrimaryGenre>\r\n<GenreList>\r\n", XmlEscape(s.SongPrimaryGenre).GetString());
  for (const std::string& genre : furtherGenres) doc.AppendFormat("<SongGenre>%s</SongGenre>\r\n", genre.c_str());
  doc += "</GenreList>\r\n</QHSong>\r\n";
  return doc.str();
}

TEST_F(SongXmlTest, UploadedDocumentRoundTrip) {
  tSong sent;
  sent.SongID = 77;
  sent.SetSongName("Caf\xE9 & Bar \x80");
  sent.SetSongArtist("Artist <One>");
  sent.SetSongAlbumName("Album");
  sent.SetSongLabel("Label");
  sent.SetSongDate(Day(1999, 12, 31));
  sent.SetSongRecordDate(Day(2004, 2, 29));
  sent.SetSongBPM(120.5);
  sent.SetSongBPMAccuracy(90.0);
  sent.SetSongAttributes("slow");
  sent.SetSongLength("03:25.120");
  sent.SetSongCdTrack(11);
  sent.SetSongCDDB(0xA10B2C0D);
  sent.SetSongCompression('R');
  sent.SetSongUncompressed(TRUE);
  sent.SetSongComments("Comments");
  sent.SetSongInventoryCode("INV-1");
  sent.SetSongSource("CD");
  sent.SetSongRotationCode("A");
  sent.SetSongPath("Music\\R&B\\a.mp3");
  sent.SetSongGUID("{12345678-1234-1234-1234-123456789ABC}");
  sent.AddGenre("Jazz", TRUE);
  Write("upload.xml", QHSongDocument(sent, {"Blues", "Soul"}));
  SKIP_WITHOUT("xmllint");
  EXPECT_TRUE(RunTool("xmllint --noout --nonet " + Quoted(Host("upload.xml"))));

  tSong received;
  received.SongID = 5;
  received.AddGenre("Kept", FALSE);
  ASSERT_EQ(0, received.FromSongXml(OnD("upload.xml")));
  EXPECT_EQ(5, received.SongID);
  EXPECT_EQ(sent.SongName, received.SongName);
  EXPECT_EQ(sent.SongArtist, received.SongArtist);
  EXPECT_EQ(sent.SongAlbumName, received.SongAlbumName);
  EXPECT_EQ(sent.SongLabel, received.SongLabel);
  EXPECT_EQ(sent.SongDate, received.SongDate);
  EXPECT_EQ(sent.SongRecordDate, received.SongRecordDate);
  EXPECT_DOUBLE_EQ(sent.SongBPM, received.SongBPM);
  EXPECT_DOUBLE_EQ(sent.SongBPMAccuracy, received.SongBPMAccuracy);
  EXPECT_EQ(sent.SongAttributes, received.SongAttributes);
  EXPECT_EQ(sent.SongLength, received.SongLength);
  EXPECT_EQ(sent.SongCdTrack, received.SongCdTrack);
  EXPECT_EQ(sent.SongCDDB, received.SongCDDB);
  EXPECT_EQ('R', received.SongCompression);
  EXPECT_EQ(TRUE, received.SongUncompressed);
  EXPECT_EQ(sent.SongComments, received.SongComments);
  EXPECT_EQ(sent.SongInventoryCode, received.SongInventoryCode);
  EXPECT_EQ(sent.SongSource, received.SongSource);
  EXPECT_EQ(sent.SongRotationCode, received.SongRotationCode);
  EXPECT_EQ(sent.SongGUID, received.SongGUID);
  EXPECT_EQ("Jazz", received.SongPrimaryGenre.str());
  // The path, the volume and the further genres of the upload are not taken.
  EXPECT_TRUE(received.SongPath.IsEmpty());
  EXPECT_EQ(0u, received.SongVolser);
  ASSERT_EQ(1u, received.SongGenres.size());
  EXPECT_EQ("Kept", received.SongGenres[0].str());
}

struct ElementCase {
  const char* document;
  const char* what;
  std::function<void(const tSong&)> check;
};

TEST_F(SongXmlTest, ElementRules) {
  const ElementCase cases[] = {
      {"<QHSong><SongCDDB>7f</SongCDDB></QHSong>", "hex disc id", [](const tSong& s) { EXPECT_EQ(127u, s.SongCDDB); }},
      {"<QHSong><SongCDDB>zz</SongCDDB></QHSong>", "no hex digit", [](const tSong& s) { EXPECT_EQ(0x99u, s.SongCDDB); }},
      {"<QHSong><SongCompression>R</SongCompression></QHSong>", "code R", [](const tSong& s) { EXPECT_EQ('R', s.SongCompression); }},
      {"<QHSong><SongCompression>X</SongCompression></QHSong>", "code X", [](const tSong& s) { EXPECT_EQ('M', s.SongCompression); }},
      {"<QHSong><SongCompression/></QHSong>", "code empty", [](const tSong& s) { EXPECT_EQ('M', s.SongCompression); }},
      {"<QHSong><SongDate>2004-02-30</SongDate></QHSong>", "impossible day",
       [](const tSong& s) { EXPECT_EQ(COleDateTime::invalid, s.SongDate.GetStatus()); }},
      {"<QHSong><SongDate>2004</SongDate></QHSong>", "short date",
       [](const tSong& s) { EXPECT_EQ(1990, s.SongDate.GetYear()); }},
      {"<qhsong><SongName>lower</SongName></qhsong>", "song element keeps case",
       [](const tSong& s) { EXPECT_EQ("Old", s.SongName.str()); }},
      {"<QHSong><SONGNAME>upper</SONGNAME></QHSong>", "child ignores case",
       [](const tSong& s) { EXPECT_EQ("upper", s.SongName.str()); }},
      {"<All><QHSong><SongName>one</SongName></QHSong><x><QHSong><SongName>two</SongName></QHSong></x></All>",
       "later songs overwrite", [](const tSong& s) { EXPECT_EQ("two", s.SongName.str()); }},
      {"<QHSong><SongBPM> 120abc</SongBPM><SongCDTrack>-3</SongCDTrack></QHSong>", "lenient numbers",
       [](const tSong& s) {
         EXPECT_DOUBLE_EQ(120.0, s.SongBPM);
         EXPECT_EQ(4, s.SongCdTrack);
       }},
      {"<QHSong><SongGUID>12345678-1234-1234-1234-123456789ABC</SongGUID></QHSong>", "guid of 36",
       [](const tSong& s) { EXPECT_TRUE(s.SongGUID.IsEmpty()); }},
      {"<Other/>", "no song element", [](const tSong& s) { EXPECT_EQ("Old", s.SongName.str()); }},
  };
  for (const ElementCase& c : cases) {
    Write("e.xml", c.document);
    tSong song;
    song.SetSongName("Old");
    song.SetSongCDDB(0x99);
    song.SetSongCompression('M');
    song.SetSongDate(Day(1990, 1, 1));
    song.SetSongCdTrack(4);
    ASSERT_EQ(0, song.FromSongXml(OnD("e.xml"))) << c.what;
    SCOPED_TRACE(c.what);
    c.check(song);
  }
}

TEST_F(SongXmlTest, BrokenAndHostileDocumentsAreRefusedAndChangeNothing) {
  std::string entities = "<!DOCTYPE QHSong [<!ENTITY a \"aaaaaaaaaa\">";
  for (int level = 1; level <= 8; ++level) {
    std::string previous = level == 1 ? "a" : "e" + std::to_string(level - 1);
    entities += "<!ENTITY e" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i) entities += "&" + previous + ";";
    entities += "\">";
  }
  Write("secret.txt", "SECRET");
  const std::string documents[] = {
      "<QHSong><SongName>open",
      "",
      entities + "]><QHSong><SongName>&e8;</SongName></QHSong>",
      "<!DOCTYPE QHSong [<!ENTITY x SYSTEM \"file://" + Host("secret.txt") + "\">]><QHSong><SongName>&x;</SongName></QHSong>",
      "<!DOCTYPE QHSong SYSTEM \"http://127.0.0.1:9/song.dtd\"><QHSong/>",
      "<QHSong><SongComments>" + std::string(300 * 1024, 'x') + "</SongComments></QHSong>",
  };
  for (const std::string& document : documents) {
    Write("hostile.xml", document);
    tSong song;
    song.SetSongName("Old");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(-2, song.FromSongXml(OnD("hostile.xml"))) << document.substr(0, 80);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ("Old", song.SongName.str());
    EXPECT_TRUE(song.SongComments.IsEmpty());
  }
  tSong song;
  EXPECT_EQ(-2, song.FromSongXml(OnD("missing.xml")));
}

}  // namespace
}  // namespace qh::dblib::media_testing
