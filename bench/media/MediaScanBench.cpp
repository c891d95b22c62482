// Scans generated songs as the importers do (tags on) and as the players do (tags off), and reports
// files per second from a warm cache and the bytes the scanners read per file.
//
//   bench_media_scan [files]      (default 2000: half MP3, half WAV)
//
// One MP3 (lame) and one WAV (sox) of five seconds are made once; every song file is that audio with
// tags of its own: an ID3v2 tag and an ID3v1 trailer on the MP3 files, a LIST INFO chunk (before the
// data on every second file, as some tools write it) on the WAV files. Files live on a drive D: of a
// temporary drive table, so paths go through the platform's file layer like the system's own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dblib/MediaFileReader.h"
#include "dblib/Song.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

std::string Le32(uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
          static_cast<char>(v >> 24)};
}

std::string Field(const std::string& text, size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, '\0');
  return out;
}

// An ID3v2.3 tag with title, artist and album frames.
std::string Id3v2Tag(const std::string& title, const std::string& artist, const std::string& album) {
  std::string frames;
  for (const auto& [id, text] : {std::pair<const char*, std::string>{"TIT2", title}, {"TPE1", artist}, {"TALB", album}}) {
    std::string body = std::string(1, '\0') + text;
    uint32_t size = static_cast<uint32_t>(body.size());
    frames += std::string(id) + static_cast<char>(size >> 24) + static_cast<char>(size >> 16) +
              static_cast<char>(size >> 8) + static_cast<char>(size) + std::string(2, '\0') + body;
  }
  frames += std::string(512, '\0');  // padding, as taggers leave it
  uint32_t n = static_cast<uint32_t>(frames.size());
  std::string header = "ID3\x03";
  header += std::string(2, '\0');
  header += static_cast<char>((n >> 21) & 0x7F);
  header += static_cast<char>((n >> 14) & 0x7F);
  header += static_cast<char>((n >> 7) & 0x7F);
  header += static_cast<char>(n & 0x7F);
  return header + frames;
}

std::string Id3v1(const std::string& title, const std::string& artist, int track) {
  return "TAG" + Field(title, 30) + Field(artist, 30) + Field("Bench Album", 30) + "2001" + Field("bench", 28) +
         std::string(1, '\0') + static_cast<char>(track) + static_cast<char>(17);
}

std::string InfoChunk(const std::string& title, const std::string& artist) {
  std::string data = "INFO";
  for (const auto& [id, text] : {std::pair<const char*, std::string>{"INAM", title}, {"IART", artist}, {"IGNR", "Rock"},
                                 {"ICRD", "2001-05-04"}}) {
    std::string value = text + '\0';
    if (value.size() % 2) value += '\0';
    data += std::string(id) + Le32(static_cast<uint32_t>(value.size())) + value;
  }
  return "LIST" + Le32(static_cast<uint32_t>(data.size())) + data;
}

// The WAV file with its LIST chunk put before or after the data chunk.
std::string TaggedWav(const std::string& wav, const std::string& info, bool listFirst) {
  size_t data = wav.find("data");
  std::string head = wav.substr(12, data - 12);
  std::string tail = wav.substr(data);
  std::string body = "WAVE" + (listFirst ? head + info + tail : head + tail + info);
  return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

struct Pass {
  double seconds = 0;
  uint64_t bytes = 0;
  uint64_t maxBytes = 0;
  int failures = 0;
};

Pass ScanAll(const std::vector<std::string>& paths, bool tags) {
  Pass pass;
  auto start = std::chrono::steady_clock::now();
  for (const std::string& path : paths) {
    uint64_t before = tMediaFileReader::TotalBytesRead();
    tSong song;
    int result = path.ends_with(".mp3") ? song.ScanMp3File(path.c_str(), tags) : song.ScanWavFile(path.c_str(), tags);
    if (result != 0) ++pass.failures;
    uint64_t read = tMediaFileReader::TotalBytesRead() - before;
    pass.bytes += read;
    pass.maxBytes = std::max(pass.maxBytes, read);
  }
  pass.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return pass;
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 2000;
  qh::testing::TestSandbox sandbox;
  std::string folder = sandbox.AddDrive('D', 0x0BE7C0DE, "BENCH");
  std::string wavSource = folder + "/source.wav", mp3Source = folder + "/source.mp3";
  if (std::system(("sox -n -r 44100 -c 2 -b 16 '" + wavSource + "' synth 5 sine 440 && lame --quiet -b 128 '" +
                   wavSource + "' '" + mp3Source + "'").c_str()) != 0) {
    std::fprintf(stderr, "sox and lame are needed to make the source audio\n");
    return 1;
  }
  std::string wav = qh::testing::ReadHostFile(wavSource);
  std::string mp3 = qh::testing::ReadHostFile(mp3Source);

  std::vector<std::string> paths;
  uint64_t totalBytes = 0;
  for (int i = 0; i < count; ++i) {
    std::string title = "Bench Song " + std::to_string(i), artist = "The Bench Artist " + std::to_string(i % 37);
    std::string name, content;
    if (i % 2 == 0) {
      name = "song" + std::to_string(i) + ".mp3";
      content = Id3v2Tag(title, artist, "Bench Album") + mp3 + Id3v1(title, artist, i % 99 + 1);
    } else {
      name = "song" + std::to_string(i) + ".wav";
      content = TaggedWav(wav, InfoChunk(title, artist), i % 4 == 1);
    }
    qh::testing::WriteHostFile(folder + "/" + name, content);
    totalBytes += content.size();
    paths.push_back("D:\\" + name);
  }

  ScanAll(paths, true);  // warms the cache
  Pass tagged = ScanAll(paths, true);
  Pass plain = ScanAll(paths, false);
  std::printf("files: %d (%.1f MiB, %.0f KiB per file)\n", count, totalBytes / 1048576.0, totalBytes / 1024.0 / count);
  for (const auto& [label, pass] : {std::pair<const char*, Pass>{"tags on ", tagged}, {"tags off", plain}}) {
    std::printf("%s: %.0f files/s, %.0f bytes read per file (most %llu), failures %d\n", label,
                count / pass.seconds, static_cast<double>(pass.bytes) / count,
                static_cast<unsigned long long>(pass.maxBytes), pass.failures);
  }
  bool met = count / tagged.seconds >= 2000 && tagged.maxBytes <= 64 * 1024 && tagged.failures == 0 && plain.failures == 0;
  std::printf("targets (>= 2000 files/s, <= 64 KiB per file): %s\n", met ? "met" : "NOT met");
  return met ? 0 : 2;
}
