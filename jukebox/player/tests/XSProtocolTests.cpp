// The box protocol's pure parts: device strings, volume levels, BYTE reports, positions, durations,
// song formats and the reply reader.
#include <gtest/gtest.h>

#include "dblib/Song.h"
#include "jukebox/player/XSProtocol.h"

TEST(XSProtocol, DeviceStringsGiveTheBoxAddressHoweverShort) {
  struct Case {
    const char* device;
    const char* address;
    const char* name;
  } cases[] = {
      {"__XS:10.0.0.17", "10.0.0.17", "Exstreamer @ 10.0.0.17"},
      {"__XS:1.2.3.4", "1.2.3.4", "Exstreamer @ 1.2.3.4"},  // 12 characters: still a box
      {"__XS:box", "box", "Exstreamer @ box"},
      {"__XS:", "", "__XS:"},
      {"Speakers (USB)", "", "Speakers (USB)"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    CString address = "stale";
    CString name = XSParseDeviceName(c.device, address);
    EXPECT_EQ(address, c.address) << c.device;
    EXPECT_EQ(name, c.name) << c.device;
  }
}

TEST(XSProtocol, VolumeLevelsBothWays) {
  EXPECT_EQ(XSLevelFromVolume(4), 0);
  EXPECT_EQ(XSLevelFromVolume(0), 0);
  EXPECT_EQ(XSLevelFromVolume(-7), 0);
  EXPECT_EQ(XSLevelFromVolume(5), 1);
  EXPECT_EQ(XSLevelFromVolume(100), 20);
  EXPECT_EQ(XSVolumeCommand(20), "v=20\r");
  EXPECT_EQ(XSVolumeFromLevel("7"), 35);
  EXPECT_EQ(XSVolumeFromLevel("25"), 100);
  EXPECT_EQ(XSVolumeFromLevel("-3"), 0);
  EXPECT_EQ(XSVolumeFromLevel("12abc"), 60);
}

TEST(XSProtocol, ByteReportsAddTheStartupBufferExceptZero) {
  EXPECT_EQ(XSBytesPlayedFromReport("0"), 0u);
  EXPECT_EQ(XSBytesPlayedFromReport("100"), 60100u);
  EXPECT_EQ(XSBytesPlayedFromReport("junk"), 0u);
  EXPECT_EQ(XSBytesPlayedFromReport("4294967295"), 4294967295u);  // stops at the limit, no wrap
}

TEST(XSProtocol, PositionIsZeroWhileNothingIsKnownInsteadOfDividingByZero) {
  EXPECT_EQ(XSPositionMs(60100, 0), 0);
  EXPECT_EQ(XSPositionPercent(60100, 0), 0);
  EXPECT_EQ(XSPositionMs(160000, 128000), 10000);
  EXPECT_EQ(XSPositionPercent(50, 200), 25);
}

TEST(XSProtocol, DurationsAreMinutesAndSeconds) {
  EXPECT_EQ(FormatDuration(754900), "12:34");
  EXPECT_EQ(FormatDuration(0), "00:00");
  EXPECT_EQ(FormatDuration(59999), "00:59");
  EXPECT_EQ(FormatDuration(6000000), "100:00");
}

TEST(XSProtocol, SongFormatsByCompressionCode) {
  struct Case {
    char code;
    bool playable;
    const char* fileType;
    LONG bitRate;
  } cases[] = {
      {'R', true, "MP3 128kbs", 128000},           {'3', true, "UNMANAGED MP3 128kbs", 128000},
      {'M', true, "RIFF-MP3 128kbs", 128000},      {' ', false, "PCM 44100 Hz", 44100},
      {'V', false, "UNMANAGED PCM 44100 Hz", 44100}, {'A', false, "ADPCM", -1},
      {'Z', true, "before", -1},
  };
  for (const Case& c : cases) {
    tSong song;
    song.SongCompression = c.code;
    song.BitRate = 128000;
    song.WaveFormat.nAvgBytesPerSec = 16000;
    song.WaveFormat.nSamplesPerSec = 44100;
    CString fileType = "before";
    LONG bitRate = -1;
    EXPECT_EQ(XSSongFormat(song, fileType, bitRate), c.playable) << c.code;
    EXPECT_EQ(fileType, c.fileType) << c.code;
    EXPECT_EQ(bitRate, c.bitRate) << c.code;
  }
}

TEST(XSProtocol, MessagesHaveTheirTexts) {
  CString text;
  text.Format(XSMessageText(61395), 42L);
  EXPECT_EQ(text, "Song 42 is not an mp3 format file and cannot be played by the current version of the Exstreamer.");
  EXPECT_NE(XSMessageText(61426).Find("All songs in the current playlist"), -1);
}

namespace {
std::string Pairs(const std::vector<CXSReplyReader::Pair>& pairs) {
  std::string text;
  for (const auto& [tag, value] : pairs) text += tag.str() + "=" + value.str() + ";";
  return text;
}
std::vector<CXSReplyReader::Pair> FeedText(CXSReplyReader& reader, const std::string& text) {
  return reader.Feed(text.data(), static_cast<int>(text.size()));
}
}  // namespace

TEST(XSReplyReader, ReadsPairsAndSkipsWhatDoesNotMatch) {
  struct Case {
    const char* text;
    const char* pairs;
  } cases[] = {
      {"<VOLUME>7</VOLUME>", "VOLUME=7;"},
      {"<HWTYPE>X1</HWTYPE><SOFTWAREVERS>2.1</SOFTWAREVERS>", "HWTYPE=X1;SOFTWAREVERS=2.1;"},
      {"<VOLUME>7</BYTE>", ""},                       // closing tag of another name: ignored
      {"<status><BYTE>12</BYTE></status>", "BYTE=12;"},  // an opening tag where a closing one was due
      {"noise<BYTE>5</BYTE>noise", "BYTE=5;"},
      {"<>x</>", "=x;"},
  };
  for (const Case& c : cases) {
    CXSReplyReader reader;
    EXPECT_EQ(Pairs(FeedText(reader, c.text)), c.pairs) << c.text;
  }
}

TEST(XSReplyReader, PutsAPairSplitAcrossReadsTogether) {
  const std::string whole = "<HWTYPE>EXS</HWTYPE><BYTE>123456</BYTE>";
  for (size_t cut = 1; cut < whole.size(); ++cut) {
    CXSReplyReader reader;
    std::string first = Pairs(FeedText(reader, whole.substr(0, cut)));
    std::string second = Pairs(FeedText(reader, whole.substr(cut)));
    EXPECT_EQ(first + second, "HWTYPE=EXS;BYTE=123456;") << "cut at " << cut;
    EXPECT_EQ(reader.CarriedBytes(), 0u);
  }
}

TEST(XSReplyReader, KeepsAnUnfinishedTailOnlyUpToItsBound) {
  CXSReplyReader reader;
  FeedText(reader, "<BYTE>");
  EXPECT_EQ(reader.CarriedBytes(), 6u);
  std::string endless(CXSReplyReader::kMaxCarry + 10, '7');
  EXPECT_TRUE(FeedText(reader, endless).empty());
  EXPECT_EQ(reader.CarriedBytes(), 0u);
  EXPECT_EQ(Pairs(FeedText(reader, "<BYTE>9</BYTE>")), "BYTE=9;");
}

TEST(XSReplyReader, StopsAtAZeroByte) {
  CXSReplyReader reader;
  const char data[] = "<BYTE>1</BYTE>\0<BYTE>2</BYTE>";
  EXPECT_EQ(Pairs(reader.Feed(data, sizeof(data) - 1)), "BYTE=1;");
}
