// ACM: finding the built-in codecs, and PCM conversions compared with sox's own.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/mm/Acm.h"

namespace {

BOOL TakeFirstCodec(HACMDRIVERID id, LPACMFORMATDETAILS, DWORD_PTR instance, DWORD support) {
  if (!(support & ACMDRIVERDETAILS_SUPPORTF_CODEC)) return TRUE;
  *reinterpret_cast<HACMDRIVERID*>(instance) = id;
  return FALSE;
}

HACMDRIVERID FindCodec(WORD tag) {
  DWORD largest = 0;
  EXPECT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest), MMSYSERR_NOERROR);
  std::vector<BYTE> format(largest);
  ACMFORMATDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwFormatTag = tag;
  details.pwfx = reinterpret_cast<LPWAVEFORMATEX>(format.data());
  details.cbwfx = largest;
  details.pwfx->wFormatTag = tag;
  HACMDRIVERID found = nullptr;
  acmFormatEnum(nullptr, &details, TakeFirstCodec, reinterpret_cast<DWORD_PTR>(&found), ACM_FORMATENUMF_WFORMATTAG);
  return found;
}

WAVEFORMATEX Pcm(DWORD rate, WORD channels, WORD bits) {
  WORD align = static_cast<WORD>(channels * bits / 8);
  return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// Converts a whole buffer the way the conversion worker does: full blocks aligned, the rest at the end.
std::vector<BYTE> ConvertAll(WAVEFORMATEX from, WAVEFORMATEX to, const std::vector<BYTE>& input) {
  HACMSTREAM stream = nullptr;
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, &from, &to, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME), MMSYSERR_NOERROR);
  if (stream == nullptr) return {};
  DWORD block = from.nAvgBytesPerSec / 3 / from.nBlockAlign * from.nBlockAlign;
  DWORD outSize = 0;
  EXPECT_EQ(acmStreamSize(stream, block, &outSize, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
  std::vector<BYTE> src(block), dst(outSize), result;
  ACMSTREAMHEADER header{};
  header.cbStruct = sizeof header;
  header.pbSrc = src.data();
  header.cbSrcLength = block;
  header.pbDst = dst.data();
  header.cbDstLength = outSize;
  EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
  size_t position = 0;
  bool first = true;
  while (position < input.size()) {
    size_t take = std::min<size_t>(block, input.size() - position);
    std::memcpy(src.data(), input.data() + position, take);
    header.cbSrcLength = static_cast<DWORD>(take);
    DWORD flags = take == block ? ACM_STREAMCONVERTF_BLOCKALIGN | (first ? ACM_STREAMCONVERTF_START : 0) : 0;
    first = false;
    EXPECT_EQ(acmStreamConvert(stream, &header, flags), MMSYSERR_NOERROR);
    result.insert(result.end(), dst.begin(), dst.begin() + header.cbDstLengthUsed);
    position += header.cbSrcLengthUsed;
    if (take < block) break;
  }
  header.cbSrcLength = block;
  acmStreamUnprepareHeader(stream, &header, 0);
  acmStreamClose(stream, 0);
  return result;
}

std::vector<float> ReadSamples(const std::string& hostPath, SF_INFO* info) {
  SNDFILE* file = sf_open(hostPath.c_str(), SFM_READ, info);
  EXPECT_NE(file, nullptr) << hostPath;
  if (file == nullptr) return {};
  std::vector<float> samples(static_cast<size_t>(info->frames * info->channels));
  sf_readf_float(file, samples.data(), info->frames);
  sf_close(file);
  return samples;
}

// Level of the difference of two signals against the reference, in dB (lower is closer).
double DifferenceDb(const std::vector<float>& reference, const std::vector<float>& other) {
  size_t count = std::min(reference.size(), other.size());
  double signal = 0, noise = 0;
  for (size_t i = 0; i < count; ++i) {
    signal += reference[i] * reference[i];
    noise += (reference[i] - other[i]) * (reference[i] - other[i]);
  }
  return 10 * std::log10((noise + 1e-12) / (signal + 1e-12));
}

TEST(AcmTest, BuiltInCodecsAreFoundByTagWithTheirDetails) {
  HACMDRIVERID adpcm = FindCodec(WAVE_FORMAT_ADPCM);
  ASSERT_NE(adpcm, nullptr);
  ACMDRIVERDETAILS details{};
  details.cbStruct = sizeof details;
  ASSERT_EQ(acmDriverDetails(adpcm, &details, 0), MMSYSERR_NOERROR);
  EXPECT_STREQ(details.szShortName, "MS-ADPCM");
  EXPECT_NE(FindCodec(WAVE_FORMAT_PCM), nullptr);
  EXPECT_EQ(FindCodec(0x55), nullptr);  // no MP3 codec behind ACM

  HACMDRIVER driver = nullptr;
  ASSERT_EQ(acmDriverOpen(&driver, adpcm, 0), MMSYSERR_NOERROR);
  DWORD largest = 0;
  ASSERT_EQ(acmMetrics(driver, ACM_METRIC_MAX_SIZE_FORMAT, &largest), MMSYSERR_NOERROR);
  std::vector<BYTE> buffer(largest, 0);
  auto* suggested = reinterpret_cast<LPWAVEFORMATEX>(buffer.data());
  suggested->wFormatTag = WAVE_FORMAT_ADPCM;
  suggested->nChannels = 2;
  suggested->nSamplesPerSec = 44100;
  suggested->cbSize = static_cast<WORD>(largest - sizeof(WAVEFORMATEX));
  WAVEFORMATEX source = Pcm(44100, 2, 16);
  ASSERT_EQ(acmFormatSuggest(driver, &source, suggested, largest,
                             ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC),
            MMSYSERR_NOERROR);
  EXPECT_EQ(suggested->wFormatTag, WAVE_FORMAT_ADPCM);
  EXPECT_EQ(suggested->nChannels, 2);
  EXPECT_EQ(suggested->nSamplesPerSec, 44100u);
  EXPECT_EQ(suggested->wBitsPerSample, 4);
  EXPECT_EQ(sizeof(WAVEFORMATEX) + suggested->cbSize, largest);
  WAVEFORMATEX eightBit = Pcm(44100, 2, 8);
  EXPECT_EQ(acmFormatSuggest(driver, &eightBit, suggested, largest, 0), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(acmDriverClose(driver, 0), MMSYSERR_NOERROR);
}

struct PcmCase {
  const char* name;
  DWORD fromRate;
  WORD fromChannels;
  WORD fromBits;
  DWORD toRate;
  WORD toChannels;
  WORD toBits;
  double limitDb;
};

class PcmConversionTest : public ::testing::TestWithParam<PcmCase> {
 protected:
  qh::testing::TestSandbox sandbox_;
};

TEST_P(PcmConversionTest, AgreesWithSox) {
  const PcmCase& c = GetParam();
  std::string source = sandbox_.HostPath("source.wav");
  std::string reference = sandbox_.HostPath("sox.wav");
  std::string ours = sandbox_.HostPath("ours.raw");
  auto format = [](DWORD rate, WORD channels, WORD bits) {
    return " -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b " + std::to_string(bits) +
           (bits == 8 ? " -e unsigned-integer" : " -e signed-integer");
  };
  qh::cd::testing::RunCommand("sox -n" + format(c.fromRate, c.fromChannels, c.fromBits) + " '" + source +
                              "' synth 1.7 sine 440 sine 1000 vol 0.6");
  qh::cd::testing::RunCommand("sox '" + source + "'" + format(c.toRate, c.toChannels, c.toBits) + " '" + reference +
                              "' rate -v");

  std::string sourceBytes = qh::testing::ReadHostFile(source).substr(44);
  std::vector<BYTE> input(sourceBytes.begin(), sourceBytes.end());
  std::vector<BYTE> output = ConvertAll(Pcm(c.fromRate, c.fromChannels, c.fromBits), Pcm(c.toRate, c.toChannels, c.toBits), input);
  qh::testing::WriteHostFile(ours, std::string(output.begin(), output.end()));
  std::string oursWav = sandbox_.HostPath("ours.wav");
  qh::cd::testing::RunCommand("sox -t raw" + format(c.toRate, c.toChannels, c.toBits) + " '" + ours + "' '" + oursWav + "'");

  SF_INFO a{}, b{};
  std::vector<float> expected = ReadSamples(reference, &a);
  std::vector<float> got = ReadSamples(oursWav, &b);
  EXPECT_NEAR(static_cast<double>(b.frames), static_cast<double>(a.frames), c.toRate / 100.0);
  EXPECT_LT(DifferenceDb(expected, got), c.limitDb);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PcmConversionTest,
    ::testing::Values(PcmCase{"rate_down", 44100, 2, 16, 22050, 2, 16, -60}, PcmCase{"rate_up", 22050, 1, 16, 48000, 1, 16, -60},
                      PcmCase{"stereo_to_mono", 44100, 2, 16, 44100, 1, 16, -60},
                      PcmCase{"mono_to_stereo", 22050, 1, 16, 22050, 2, 16, -100},
                      PcmCase{"to_8_bits", 44100, 1, 16, 44100, 1, 8, -30}, PcmCase{"from_8_bits", 11025, 2, 8, 11025, 2, 16, -100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AcmTest, BadHandlesAndUnpreparedHeadersAreRefused) {
  ACMSTREAMHEADER header{};
  EXPECT_EQ(acmStreamConvert(nullptr, &header, 0), MMSYSERR_INVALHANDLE);
  WAVEFORMATEX from = Pcm(44100, 2, 16), to = Pcm(22050, 2, 16);
  HACMSTREAM stream = nullptr;
  ASSERT_EQ(acmStreamOpen(&stream, nullptr, &from, &to, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
  BYTE buffer[64] = {};
  header.cbStruct = sizeof header;
  header.pbSrc = buffer;
  header.cbSrcLength = 32;
  header.pbDst = buffer + 32;
  header.cbDstLength = 32;
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
  acmStreamClose(stream, 0);
  WAVEFORMATEX six = Pcm(44100, 6, 16);
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, &six, &to, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
}

}  // namespace
