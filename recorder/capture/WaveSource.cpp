#include "recorder/capture/WaveSource.h"

#include <algorithm>
#include <cstdio>

void CWaveSource::Open(const CString& path) {
  Close();
  std::vector<char> name(path.GetString(), path.GetString() + path.GetLength() + 1);
  m_hFile = mmioOpen(name.data(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (m_hFile == nullptr) throw 2;
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(m_hFile, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) throw 3;
  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (mmioDescend(m_hFile, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) throw 4;
  // A format shorter than the record, or absurdly long, is no format this program can read.
  if (chunk.cksize < 16 || chunk.cksize > 65536) throw 5;
  m_format.assign(std::max<DWORD>(chunk.cksize, sizeof(WAVEFORMATEX)), 0);
  if (mmioRead(m_hFile, reinterpret_cast<char*>(m_format.data()), static_cast<LONG>(chunk.cksize)) !=
      static_cast<LONG>(chunk.cksize)) {
    throw 5;
  }
  mmioAscend(m_hFile, &chunk, 0);
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(m_hFile, &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) throw 6;
  m_dataSize = data.cksize;
  m_dataStart = data.dwDataOffset;
  m_readPosition = m_dataStart;
}

bool CWaveSource::IsPcm() const {
  static const BYTE kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                         0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  const WORD kExtensible = 0xFFFE;
  if (Format().wFormatTag == WAVE_FORMAT_PCM) return true;
  if (Format().wFormatTag != kExtensible || m_format.size() < 40 || Format().cbSize < 22) return false;
  return std::equal(kPcmSubFormat, kPcmSubFormat + 16, m_format.begin() + 24);
}

void CWaveSource::Close() {
  if (m_hFile != nullptr) mmioClose(m_hFile, 0);
  m_hFile = nullptr;
}

LONG CWaveSource::Read(BYTE* buffer, DWORD count) {
  DWORD dataEnd = m_dataStart + m_dataSize;
  DWORD left = m_readPosition < dataEnd ? dataEnd - m_readPosition : 0;
  DWORD take = std::min(count, left);
  if (take == 0) return 0;
  LONG got = mmioRead(m_hFile, reinterpret_cast<char*>(buffer), static_cast<LONG>(take));
  if (got > 0) m_readPosition += static_cast<DWORD>(got);
  return got;
}

bool CWaveSource::SeekTo(DWORD position) {
  if (position < m_dataStart || position > m_dataStart + m_dataSize) return false;
  if (mmioSeek(m_hFile, static_cast<LONG>(position), SEEK_SET) < 0) return false;
  m_readPosition = position;
  return true;
}

int CWaveSource::Percent() const {
  if (m_dataSize == 0) return 100;
  uint64_t done = m_readPosition - m_dataStart;
  return static_cast<int>(std::min<uint64_t>(100, done * 100 / m_dataSize));
}
