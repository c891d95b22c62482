// The encoder module loaded by name as the system loads it, and MP3 streams it makes, decoded by mpg123.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/lame/LameEnc.h"

namespace {

struct Encoder {
  BEINITSTREAM init = nullptr;
  BEENCODECHUNK encode = nullptr;
  BEDEINITSTREAM deinit = nullptr;
  BECLOSESTREAM close = nullptr;
  BEVERSION version = nullptr;
  BEWRITEVBRHEADER vbr = nullptr;
};

Encoder LoadEncoder() {
  HMODULE module = LoadLibrary("lame_enc.dll");
  EXPECT_NE(module, nullptr);
  Encoder encoder;
  encoder.init = reinterpret_cast<BEINITSTREAM>(GetProcAddress(module, "beInitStream"));
  encoder.encode = reinterpret_cast<BEENCODECHUNK>(GetProcAddress(module, "beEncodeChunk"));
  encoder.deinit = reinterpret_cast<BEDEINITSTREAM>(GetProcAddress(module, "beDeinitStream"));
  encoder.close = reinterpret_cast<BECLOSESTREAM>(GetProcAddress(module, "beCloseStream"));
  encoder.version = reinterpret_cast<BEVERSION>(GetProcAddress(module, "beVersion"));
  encoder.vbr = reinterpret_cast<BEWRITEVBRHEADER>(GetProcAddress(module, "beWriteVBRHeader"));
  return encoder;
}

BE_CONFIG Config(DWORD rate, LONG mode, DWORD kbps) {
  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  config.dwConfig = BE_CONFIG_LAME;
  config.format.LHV1.dwStructVersion = 1;
  config.format.LHV1.dwStructSize = sizeof config;
  config.format.LHV1.dwSampleRate = rate;
  config.format.LHV1.nMode = mode;
  config.format.LHV1.dwBitrate = kbps;
  config.format.LHV1.nPreset = LQP_HIGH_QUALITY;
  config.format.LHV1.dwMpegVersion = MPEG1;
  return config;
}

TEST(DynamicLibraryTest, ModulesAndEntryPointsAreFoundByName) {
  Encoder encoder = LoadEncoder();
  EXPECT_NE(encoder.init, nullptr);
  EXPECT_NE(encoder.encode, nullptr);
  EXPECT_NE(encoder.deinit, nullptr);
  EXPECT_NE(encoder.close, nullptr);
  EXPECT_NE(encoder.version, nullptr);
  EXPECT_NE(encoder.vbr, nullptr);
  HMODULE module = LoadLibrary("LAME_ENC.DLL");
  ASSERT_NE(module, nullptr);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "beNoSuchEntry"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(LoadLibrary("no_such_module.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(nullptr, "beVersion"), nullptr);
}

TEST(LameEncTest, VersionNamesTheEngine) {
  BE_VERSION version;
  LoadEncoder().version(&version);
  EXPECT_EQ(version.byMajorVersion, 3);
  EXPECT_EQ(version.byMinorVersion, 100);
  EXPECT_EQ(version.byMMXEnabled, 0);
}

TEST(LameEncTest, EncodedStreamDecodesToTheSourceLength) {
  qh::testing::TestSandbox sandbox;
  std::string raw = sandbox.HostPath("in.raw");
  qh::cd::testing::RunCommand("sox -n -t raw -r 44100 -c 2 -b 16 -e signed-integer -L '" + raw + "' synth 2.5 sine 440");
  std::string pcm = qh::testing::ReadHostFile(raw);
  Encoder encoder = LoadEncoder();
  BE_CONFIG config = Config(44100, BE_MP3_MODE_JSTEREO, 128);
  DWORD samples = 0, bufferBytes = 0;
  HBE_STREAM stream = 0;
  ASSERT_EQ(encoder.init(&config, &samples, &bufferBytes, &stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(samples, 1152u * 2);
  std::vector<BYTE> out(bufferBytes);
  std::string mp3;
  for (size_t at = 0; at < pcm.size(); at += samples * 2) {
    size_t bytes = std::min<size_t>(samples * 2, pcm.size() - at);
    DWORD written = 0;
    ASSERT_EQ(encoder.encode(stream, static_cast<DWORD>(bytes / 2), reinterpret_cast<SHORT*>(pcm.data() + at), out.data(), &written),
              BE_ERR_SUCCESSFUL);
    mp3.append(reinterpret_cast<char*>(out.data()), written);
  }
  DWORD written = 0;
  ASSERT_EQ(encoder.deinit(stream, out.data(), &written), BE_ERR_SUCCESSFUL);
  mp3.append(reinterpret_cast<char*>(out.data()), written);
  EXPECT_EQ(encoder.close(stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(encoder.close(stream), BE_ERR_INVALID_HANDLE);

  qh::testing::WriteHostFile(sandbox.HostPath("out.mp3"), mp3);
  std::string decoded = sandbox.HostPath("out.wav");
  qh::cd::testing::RunCommand("mpg123 -q -w '" + decoded + "' '" + sandbox.HostPath("out.mp3") + "'");
  long frames = std::stol(qh::cd::testing::RunCommand("soxi -s '" + decoded + "'"));
  EXPECT_NEAR(frames, static_cast<long>(pcm.size() / 4), 1152 * 2);  // the coder's delay and padding
  EXPECT_EQ(mp3.find("Xing"), std::string::npos);
  EXPECT_EQ(mp3.find("Info"), std::string::npos);
}

TEST(LameEncTest, BadConfigurationsAndOversizedChunksAreRefused) {
  Encoder encoder = LoadEncoder();
  DWORD samples = 0, bufferBytes = 0;
  HBE_STREAM stream = 0;
  BE_CONFIG config = Config(44100, 7, 128);
  EXPECT_EQ(encoder.init(&config, &samples, &bufferBytes, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
  config = Config(44100, BE_MP3_MODE_MONO, 128);
  config.dwConfig = BE_CONFIG_MP3;
  EXPECT_EQ(encoder.init(&config, &samples, &bufferBytes, &stream), BE_ERR_INVALID_FORMAT);
  config = Config(22050, BE_MP3_MODE_MONO, 256);  // MPEG-1 asked for: taken up to 44.1 kHz
  ASSERT_EQ(encoder.init(&config, &samples, &bufferBytes, &stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(samples, 1152u);
  std::vector<SHORT> pcm(samples * 20, 0);
  std::vector<BYTE> out(bufferBytes);
  DWORD written = 0;
  EXPECT_EQ(encoder.encode(stream, samples * 20, pcm.data(), out.data(), &written), BE_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(encoder.encode(stream + 1000, samples, pcm.data(), out.data(), &written), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(encoder.close(stream), BE_ERR_SUCCESSFUL);
}

}  // namespace
