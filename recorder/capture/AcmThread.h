// The ACM conversion worker: one job at a time converts a PCM WAV file into a WAV file of another
// format (the compress dialog's "ADPCM", format tag 2) through the first ACM codec for the target tag,
// and writes an INFO list (software, title, artist) after the data. Same job interface, states and
// locking as the MP3 worker (Mp3Compressor.h), with GetErrorCode and posted errors as there.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/mm/Acm.h"
#include "platform/mm/Mmio.h"
#include "recorder/capture/CompressionWorker.h"
#include "recorder/capture/WaveSource.h"

class CAcmThread : public CCompressionWorker {
 public:
  explicit CAcmThread(HWND owner = nullptr);
  ~CAcmThread() override;

  // The first driver that codes the format tag, or null (the compress dialog offers "ADPCM" only
  // when tag 2 has one).
  static HACMDRIVERID FindAcmCodec(WORD formatTag);

  BOOL AddJob(const CString& source, const CString& target, WORD sourceTag, WORD targetTag, const CString& title,
              const CString& artist, const CString& software);

 private:
  void StartJob() override;
  bool WorkStep() override { return ConvertBlocks(); }
  void FinishJob() override { WriteWaveFile(); }
  void CloseJob() override { CloseAll(); }
  CString ErrorText(int code) const override;
  void StartConversion(const CString& source, const CString& target, WORD sourceTag, WORD targetTag);
  bool ConvertBlocks();
  void WriteBlock(DWORD bytes);
  void WriteWaveFile();
  void WriteInfoText(FOURCC id, const CString& text, int code);
  void CloseAll();

  CString m_source, m_target;
  WORD m_sourceTag = WAVE_FORMAT_PCM, m_targetTag = WAVE_FORMAT_ADPCM;
  CString m_title, m_artist, m_software;
  int m_firstBlock = 1;

  enum : DWORD {
    kSourceOpen = 1, kFormatRead = 2, kDriverOpen = 4, kBuffers = 8, kStreamOpen = 16, kHeaderPrepared = 32,
    kTargetOpen = 64, kDataFound = 128
  };
  DWORD m_resources = 0;
  CWaveSource m_wave;
  HMMIO m_targetFile = nullptr;
  std::vector<BYTE> m_sourceBuffer, m_destinationBuffer;
  DWORD m_sourceBlockBytes = 0;
  bool m_streamEnded = false;
  HACMSTREAM m_stream = nullptr;
  ACMSTREAMHEADER m_header{};
  MMCKINFO m_riffChunk{}, m_subChunk{};
  HACMDRIVER m_driver = nullptr;
};
