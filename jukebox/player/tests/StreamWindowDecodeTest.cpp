// Every format the local engine plays, decoded into the WAVE-file renderer and compared with the
// reference decoders' own output of the same file.
#include "jukebox/player/tests/StreamWindowFixture.h"

namespace jukebox::player_testing {
namespace {

struct FormatCase {
  const char* name;
  char code;
  const char* file;
  std::string make;       // shell command; %IN% the tone, %OUT% the song file
  std::string reference;  // shell command; %OUT% the song file, %REF% the reference WAVE
  bool exact;             // samples equal (else correlation above 0.999)
  const char* fileType;   // the zone's file-type text, empty when not checked
};

std::string Expand(std::string text, const std::string& in, const std::string& out, const std::string& ref) {
  auto replace = [&](const std::string& key, const std::string& value) {
    for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  };
  replace("%IN%", Q(in));
  replace("%OUT%", Q(out));
  replace("%REF%", Q(ref));
  return text;
}

using Decode = StreamWindowTest;

TEST_F(Decode, EveryFormatMatchesItsReferenceDecode) {
  SKIP_WITHOUT_TOOLS("sox", "lame", "ffmpeg", "mpg123");
  const std::string soxRef = "sox %OUT% -e signed -b 16 %REF%";
  const std::string mpgRef = "mpg123 -q -w %REF% %OUT%";
  const FormatCase cases[] = {
      {"PCM 8-bit mono", ' ', "pcm8.wav", "sox %IN% -r 22050 -c 1 -b 8 -e unsigned %OUT%", soxRef, true, "PCM 22050 Hz"},
      {"PCM 16-bit stereo", ' ', "pcm16.wav", "sox %IN% -b 16 %OUT%", soxRef, true, "PCM 44100 Hz"},
      {"PCM unmanaged", 'V', "pcmv.wav", "sox %IN% -r 48000 -b 16 %OUT%", soxRef, true, "UNMANAGED PCM 48000 Hz"},
      {"IMA ADPCM", 'A', "ima.wav", "sox %IN% -r 22050 -e ima-adpcm %OUT%", soxRef, false, "ADPCM"},
      {"MS ADPCM", 'A', "ms.wav", "sox %IN% -r 22050 -e ms-adpcm %OUT%", soxRef, false, "ADPCM"},
      {"MP3 CBR", 'R', "cbr.mp3", "lame --quiet -b 128 %IN% %OUT%", mpgRef, false, "MP3 128kbs"},
      {"MP3 VBR", '3', "vbr.mp3", "lame --quiet -V 2 %IN% %OUT%", mpgRef, false, ""},
      {"MPEG-2 layer 3", 'R', "mpeg2.mp3", "lame --quiet --resample 22.05 -b 64 %IN% %OUT%", mpgRef, false, ""},
      {"MP2", 'R', "layer2.mp2", "ffmpeg -loglevel error -y -i %IN% -c:a mp2 -b:a 192k %OUT%", mpgRef, false, ""},
      {"MP3 inside WAV", 'M', "riff.wav", "ffmpeg -loglevel error -y -i %IN% -c:a libmp3lame -b:a 128k -f wav %OUT%",
       "ffmpeg -loglevel error -y -i %OUT% -c:a pcm_s16le %REF%", false, ""},
  };
  ASSERT_TRUE(Tone("tone.wav", "-r 44100 -c 2 -b 16"));
  zone->SetVolume(100);  // full level: the samples pass unscaled
  LONG id = 1;
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = Host(c.file), ref = Host(std::string(c.file) + ".ref.wav");
    ASSERT_TRUE(RunTool(Expand(c.make, Host("tone.wav"), out, ref)));
    ASSERT_TRUE(RunTool(Expand(c.reference, Host("tone.wav"), out, ref)));
    std::remove(capture.c_str());
    auto song = Song(id++, c.code, c.file);
    ASSERT_EQ(0, zone->PlaySong(song.get())) << (app.log.empty() ? "" : app.log.back().text);
    EXPECT_EQ(PLAYER_PLAYING, zone->GetState());
    if (*c.fileType != '\0') {
      EXPECT_EQ(c.fileType, zone->GetFileTypeText().str());
    }
    ASSERT_TRUE(PlayedToEnd());
    zone->Stop();  // a new graph (and a new capture file) for the next format
    Pcm16 got, want;
    ASSERT_TRUE(ReadWave16(capture, got));
    ASSERT_TRUE(ReadWave16(ref, want));
    EXPECT_EQ(want.rate, got.rate);
    EXPECT_EQ(want.channels, got.channels);
    if (c.exact) {
      EXPECT_EQ(want.samples, got.samples);
      continue;
    }
    const long frameTolerance = 1152;
    EXPECT_NEAR(static_cast<long>(want.Frames()), static_cast<long>(got.Frames()), frameTolerance);
    EXPECT_GT(Correlation(want.samples, got.samples, std::min(want.samples.size(), got.samples.size())), 0.999);
  }
}

}  // namespace
}  // namespace jukebox::player_testing
