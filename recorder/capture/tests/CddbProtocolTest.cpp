// Disc ids and query offsets read through MCI from generated images, checked against libdiscid; the
// reading of CDDB replies, including replies a faulty or hostile server could send.
#include <discid/discid.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "recorder/capture/CddbProtocol.h"
#include "recorder/capture/MciCdAudio.h"

namespace {

using qh::cd::testing::ImageTrack;

struct DiscCase {
  const char* name;
  std::vector<ImageTrack> tracks;
  std::vector<int> audioTracks;
};

class CddbTocTest : public ::testing::TestWithParam<DiscCase> {
 protected:
  void SetUp() override { sandbox_.AddDrive('E', 0xCDCD0001, "AUDIO_CD", DRIVE_CDROM); }
  void TearDown() override {
    mci_.Close(0);
    unsetenv("QH_CDROM");
  }
  qh::testing::TestSandbox sandbox_;
  CMciCdAudio mci_;
};

TEST_P(CddbTocTest, DiscIdAndOffsetsAgreeWithLibDiscId) {
  qh::cd::testing::CdImage image = qh::cd::testing::MakeCdImage(sandbox_.Root(), GetParam().name, GetParam().tracks);
  setenv("QH_CDROM", image.cuePath.c_str(), 1);
  ASSERT_EQ(mci_.Open('E'), 1) << mci_.GetErrorText().GetString();
  CddbToc toc;
  CString error;
  ASSERT_TRUE(ReadCddbToc(mci_.GetDeviceID(), toc, error)) << error.GetString();
  EXPECT_EQ(toc.audioTracks, GetParam().audioTracks);

  // libdiscid from the image's own table (cd-info's numbers) as the reference.
  int n = static_cast<int>(image.trackFrames.size());
  int offsets[100] = {0};
  for (int t = 1; t <= n; ++t) offsets[t] = image.trackFrames[static_cast<size_t>(t - 1)] + 150;
  offsets[0] = image.trackFrames.back() + image.trackLengths.back() + 150;
  DiscId* disc = discid_new();
  ASSERT_EQ(discid_put(disc, 1, n, offsets), 1);
  EXPECT_EQ(toc.discId, static_cast<DWORD>(std::strtoul(discid_get_freedb_id(disc), nullptr, 16)));
  std::ostringstream expected;
  for (int t = 1; t <= n; ++t) expected << "+" << discid_get_track_offset(disc, t);
  expected << "+" << (offsets[0] / 75 - offsets[1] / 75);
  EXPECT_EQ(std::string(toc.offsets.GetString()), expected.str());
  discid_free(disc);

  CString status;
  ASSERT_EQ(mci_.GetStatus("time format", status, 0), 1);
  EXPECT_EQ(status, "tmsf");  // set back for the dialog's display
}

INSTANTIATE_TEST_SUITE_P(
    Images, CddbTocTest,
    ::testing::Values(DiscCase{"three_audio", {{true, 3.3, 440}, {true, 62.0, 660}, {true, 4.1, 880}}, {1, 2, 3}},
                      DiscCase{"data_first", {{false, 4.0, 0}, {true, 3.3, 440}, {true, 2.0, 660}}, {2, 3}},
                      DiscCase{"one_track", {{true, 5.5, 330}}, {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CddbPathTest, TextsFromOutsideAreEscapedInRequests) {
  EXPECT_EQ(CddbHello("rip@quaverhouse.example"), "rip+quaverhouse.example");
  EXPECT_EQ(CddbHello("a b@c&d"), "a%20b+c%26d");
  CString path = CddbReadPath("rock\r\nHost: evil", "1a2b3c4d&x=y", "u+h", "4.0");
  EXPECT_EQ(path, "/~cddb/cddb.cgi?cmd=cddb+read+rock%0D%0AHost%3A%20evil+1a2b3c4d%26x%3Dy&hello=u+h+Quaverhouse+4.0&proto=4");
  CddbToc toc;
  toc.discId = 0x0a0b0c03;
  toc.totalTracks = 3;
  toc.offsets = "+150+2000+9000+200";
  EXPECT_EQ(CddbQueryPath(toc, "u+h", "4.0"),
            "/~cddb/cddb.cgi?cmd=cddb+query+0a0b0c03+3+150+2000+9000+200&hello=u+h+Quaverhouse+4.0&proto=4");
  EXPECT_EQ(CddbVersionPath("u+h", "4.0"), "/~cddb/cddb.cgi?cmd=ver&hello=u+h+Quaverhouse+4.0&proto=4");
}

struct QueryCase {
  const char* name;
  const char* reply;
  bool match;
  const char* category;
  const char* discId;
  const char* artist;
  const char* album;
};

class CddbQueryReplyTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(CddbQueryReplyTest, OnlyMatchStatusesGiveAMatch) {
  CddbMatch match;
  EXPECT_EQ(ParseCddbQuery(GetParam().reply, match), GetParam().match);
  if (!GetParam().match) return;
  EXPECT_EQ(match.category, GetParam().category);
  EXPECT_EQ(match.discIdText, GetParam().discId);
  EXPECT_EQ(match.artist, GetParam().artist);
  EXPECT_EQ(match.album, GetParam().album);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CddbQueryReplyTest,
    ::testing::Values(
        QueryCase{"exact", "200 rock 7a0bc10d The Band / The Album\r\n", true, "rock", "7a0bc10d", "The Band", "The Album"},
        QueryCase{"exact_lf_only", "200 jazz 00112233 Solo Artist / Live\nnext line\n", true, "jazz", "00112233",
                  "Solo Artist", "Live"},
        QueryCase{"no_slash", "200 misc 12345678 Just A Title\r\n", true, "misc", "12345678", "Just A Title",
                  "Just A Title"},
        QueryCase{"several", "211 close matches found\r\nblues 11111111 First / One\r\nrock 22222222 Second / Two\r\n.\r\n",
                  true, "blues", "11111111", "First", "One"},
        QueryCase{"exact_list", "210 Found exact matches\nfolk 33333333 A / B\n.\n", true, "folk", "33333333", "A", "B"},
        QueryCase{"no_match", "202 No match found\r\n", false, "", "", "", ""},
        QueryCase{"error_status", "500 Command syntax error\r\nrock 44444444 Not / Real\r\n", false, "", "", "", ""},
        QueryCase{"denied", "403 Database entry is corrupt\r\n", false, "", "", "", ""},
        QueryCase{"empty_list", "211 close matches found\r\n.\r\n", false, "", "", "", ""},
        QueryCase{"truncated", "200 rock", false, "", "", "", ""}, QueryCase{"empty", "", false, "", "", "", ""},
        QueryCase{"not_a_status", "HTML <html>200 rock x y</html>", false, "", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CddbReadReplyTest, TitlesAreMatchedByTheirWholeKeyAndContinuationLinesJoin) {
  std::string reply = "210 rock 7a0bc10d CD database entry follows\r\n# comment\r\nDISCID=7a0bc10d\r\n";
  for (int i = 0; i < 12; ++i) reply += "TTITLE" + std::to_string(i) + "=Song " + std::to_string(i) + "\r\n";
  reply += "TTITLE11= and its long end\r\nEXTT1=Extra one\r\nEXTT10=Extra ten\r\n.\r\n";
  CddbTitles titles;
  std::vector<int> tracks;
  for (int t = 1; t <= 13; ++t) tracks.push_back(t);
  ASSERT_TRUE(ParseCddbRead(reply.c_str(), tracks, titles));
  ASSERT_EQ(titles.titles.size(), 13u);
  EXPECT_EQ(titles.titles[1], "Song 1");
  EXPECT_EQ(titles.titles[10], "Song 10");
  EXPECT_EQ(titles.titles[11], "Song 11 and its long end");
  EXPECT_EQ(titles.titles[12], "Track 13");
  EXPECT_EQ(titles.listEntries[0], "01 - Song 0");
  EXPECT_EQ(titles.listEntries[12], "13 - Unknown Song");
  EXPECT_EQ(titles.extended[1], "Extra one");
  EXPECT_EQ(titles.extended[10], "Extra ten");
  EXPECT_EQ(titles.extended[0], "");
}

TEST(CddbReadReplyTest, LineFeedOnlyRepliesEndEachTitleAtItsLine) {
  CddbTitles titles;
  ASSERT_TRUE(ParseCddbRead("210 rock 1 x\nTTITLE0=First\nTTITLE1=Second\n.\n", {1, 2}, titles));
  EXPECT_EQ(titles.titles[0], "First");
  EXPECT_EQ(titles.titles[1], "Second");
  EXPECT_FALSE(ParseCddbRead("401 no such entry\r\n", {1, 2}, titles));
  EXPECT_FALSE(ParseCddbRead("", {1, 2}, titles));
}

// A mixed-mode disc as real entries describe it: the data track has its TTITLE too, and each audio
// track keeps the name and extra text of its own number.
TEST(CddbReadReplyTest, EveryAudioTrackTakesTheNameOfItsOwnDiscTrack) {
  const CString reply =
      "210 misc 2f0a1c04 CD database entry follows\r\nDTITLE=Band / Album\r\nTTITLE0=(data track)\r\n"
      "TTITLE1=Second\r\nTTITLE2=Third\r\nTTITLE3=Fourth\r\nEXTT0=data\r\nEXTT3=the last\r\n.\r\n";
  CddbTitles titles;
  ASSERT_TRUE(ParseCddbRead(reply, {2, 3, 4}, titles));
  EXPECT_EQ(titles.titles, (std::vector<CString>{"Second", "Third", "Fourth"}));
  EXPECT_EQ(titles.listEntries, (std::vector<CString>{"02 - Second", "03 - Third", "04 - Fourth"}));
  EXPECT_EQ(titles.extended, (std::vector<CString>{"", "", "the last"}));
  // An audio track in the middle that the entry leaves out gets its own default name.
  ASSERT_TRUE(ParseCddbRead("210 x\r\nTTITLE0=One\r\nTTITLE2=Three\r\n.\r\n", {1, 2, 3}, titles));
  EXPECT_EQ(titles.titles, (std::vector<CString>{"One", "Track 2", "Three"}));
  EXPECT_EQ(titles.listEntries[1], "02 - Unknown Song");
  CddbTitles defaults = DefaultCddbTitles({2, 3, 5});
  EXPECT_EQ(defaults.titles, (std::vector<CString>{"Track 2", "Track 3", "Track 5"}));
  EXPECT_EQ(defaults.listEntries, (std::vector<CString>{"02 - Unknown Song", "03 - Unknown Song", "05 - Unknown Song"}));
}

struct ServerCase {
  const char* setting;
  bool valid;
  const char* host;
  int port;
};

TEST(CddbServerSettingTest, AHostMayCarryItsPortAndOnlyBracketsMakeAnIpv6Address) {
  const ServerCase cases[] = {
      {"gnudb.gnudb.org", true, "gnudb.gnudb.org", 80},
      {"127.0.0.1:8880", true, "127.0.0.1", 8880},
      {"  cddb.example:65535 ", true, "cddb.example", 65535},
      {"[::1]", true, "::1", 80},
      {"[::1]:8080", true, "::1", 8080},
      {"[fe80::1]:1", true, "fe80::1", 1},
      {"::1", false, "", 0},
      {"host:8080:9", false, "", 0},
      {"host:", false, "", 0},
      {"host:0", false, "", 0},
      {"host:65536", false, "", 0},
      {"host:99999999999", false, "", 0},
      {"host:80a", false, "", 0},
      {"host:-1", false, "", 0},
      {":8080", false, "", 0},
      {"", false, "", 0},
      {"[]:80", false, "", 0},
      {"[::1", false, "", 0},
      {"[::1]x", false, "", 0},
      {"[::1]:", false, "", 0},
  };
  for (const ServerCase& c : cases) {
    CString host;
    INTERNET_PORT port = 0;
    ASSERT_EQ(c.valid, ParseCddbServer(c.setting, host, port)) << c.setting;
    if (!c.valid) continue;
    EXPECT_EQ(c.host, host) << c.setting;
    EXPECT_EQ(c.port, port) << c.setting;
  }
}

TEST(CddbReplyTextTest, Utf8BecomesCp1252AndLatin1StaysAsItIs) {
  EXPECT_EQ(CddbReplyText("TTITLE0=Caf\xC3\xA9 \xE2\x82\xAC"), "TTITLE0=Caf\xE9 \x80");  // é and the euro sign
  EXPECT_EQ(CddbReplyText("TTITLE0=Caf\xE9"), "TTITLE0=Caf\xE9");                      // Latin-1 as sent
  EXPECT_EQ(CddbReplyText("TTITLE0=\xE6\x97\xA5"), "TTITLE0=?");                       // none in 1252
  EXPECT_EQ(CddbStatus("210 x"), 210);
  EXPECT_EQ(CddbStatus("2x0"), 0);
}

}  // namespace
