// RIFF files through mmio: chunks written and fixed on ascent, searches bounded by their parent.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/testing/TestSandbox.h"
#include "platform/mm/Mmio.h"

namespace {

class MmioTest : public ::testing::Test {
 protected:
  qh::testing::TestSandbox sandbox_;
};

TEST_F(MmioTest, CreatedChunksGetTheirSizesAndEvenPaddingOnAscent) {
  char path[] = "C:\\made.wav";
  HMMIO out = mmioOpen(path, nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
  ASSERT_NE(out, nullptr);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioCreateChunk(out, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  ASSERT_EQ(mmioCreateChunk(out, &data, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioWrite(out, "abc", 3), 3);
  ASSERT_EQ(mmioAscend(out, &data, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioAscend(out, &riff, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioClose(out, 0), MMSYSERR_NOERROR);

  std::string bytes = qh::testing::ReadHostFile(sandbox_.HostPath("C/made.wav"));
  std::string expected("RIFF\x10\0\0\0WAVEdata\x03\0\0\0abc\0", 24);
  EXPECT_EQ(bytes, expected);
}

TEST_F(MmioTest, DescendFindsChunksInsideTheirParentOnly) {
  // RIFF WAVE with "fmt ", "data" (odd size, padded) and a trailing LIST; then bytes outside the RIFF.
  std::string file("RIFF\x26\0\0\0WAVE"
                   "fmt \x02\0\0\0xy"
                   "data\x03\0\0\0abc\0"
                   "LIST\x04\0\0\0INFO"
                   "junk\x00\0\0\0",
                   54);
  qh::testing::WriteHostFile(sandbox_.HostPath("C/in.wav"), file);
  char path[] = "C:\\in.wav";
  HMMIO in = mmioOpen(path, nullptr, MMIO_READ | MMIO_ALLOCBUF);
  ASSERT_NE(in, nullptr);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(in, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  ASSERT_EQ(mmioDescend(in, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 3u);
  EXPECT_EQ(chunk.dwDataOffset, 30u);
  char text[4] = {};
  EXPECT_EQ(mmioRead(in, text, 3), 3);
  EXPECT_STREQ(text, "abc");
  ASSERT_EQ(mmioAscend(in, &chunk, 0), MMSYSERR_NOERROR);
  MMCKINFO list{};
  list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
  EXPECT_EQ(mmioDescend(in, &list, &riff, MMIO_FINDLIST), MMSYSERR_NOERROR);
  // "junk" lies after the RIFF chunk's end: a search inside the RIFF never reaches it.
  mmioSeek(in, 12, SEEK_SET);
  MMCKINFO junk{};
  junk.ckid = mmioFOURCC('j', 'u', 'n', 'k');
  EXPECT_EQ(mmioDescend(in, &junk, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  mmioClose(in, 0);
}

TEST_F(MmioTest, ChunkSizesPastTheFileEndAreNotFollowed) {
  qh::testing::WriteHostFile(sandbox_.HostPath("C/bad.wav"), std::string("RIFF\xFF\xFF\xFF\x7FWAVEfmt \xF0\xFF\xFF\x0F", 20));
  char path[] = "C:\\bad.wav";
  HMMIO in = mmioOpen(path, nullptr, MMIO_READ);
  ASSERT_NE(in, nullptr);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(in, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(in, &data, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  mmioClose(in, 0);
  char missing[] = "C:\\none.wav";
  EXPECT_EQ(mmioOpen(missing, nullptr, MMIO_READ), nullptr);
}

}  // namespace
