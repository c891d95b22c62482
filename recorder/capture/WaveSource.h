// The PCM source of the conversion and encoding workers: a RIFF "WAVE" file opened through mmio, its
// "fmt " chunk read whole and its "data" chunk found. Reads never go past the end of the "data"
// chunk, so chunks after it (LIST/INFO, id3, cue) are never taken for audio. Failures throw the
// workers' integer codes: 2 cannot open, 3 not RIFF "WAVE", 4 no "fmt ", 5 short "fmt ", 6 no "data".
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/mm/Mmio.h"

class CWaveSource {
 public:
  CWaveSource() = default;
  ~CWaveSource() { Close(); }
  CWaveSource(const CWaveSource&) = delete;
  CWaveSource& operator=(const CWaveSource&) = delete;

  // Opens the file and positions it at the first audio byte; throws the codes above.
  void Open(const CString& path);
  void Close();
  bool IsOpen() const { return m_hFile != nullptr; }

  const WAVEFORMATEX& Format() const { return *reinterpret_cast<const WAVEFORMATEX*>(m_format.data()); }
  const std::vector<BYTE>& FormatBytes() const { return m_format; }
  // Plain PCM: format tag 1, or the extensible format (as multi-channel files have) with the PCM
  // sub-format.
  bool IsPcm() const;
  DWORD DataSize() const { return m_dataSize; }
  DWORD DataStart() const { return m_dataStart; }
  DWORD ReadPosition() const { return m_readPosition; }

  // Reads up to `count` bytes of audio; fewer at the end of the data chunk. -1 on a read error.
  LONG Read(BYTE* buffer, DWORD count);
  // Moves the read position (within the data chunk) and the file to it; false when it cannot.
  bool SeekTo(DWORD position);
  // Progress through the data chunk, 0..100, in 64-bit arithmetic.
  int Percent() const;

 private:
  HMMIO m_hFile = nullptr;
  std::vector<BYTE> m_format;
  DWORD m_dataSize = 0;
  DWORD m_dataStart = 0;
  DWORD m_readPosition = 0;
};
