// The MP3 encoding worker: one job at a time encodes a 16-bit PCM WAV file into an MP3 file through
// the encoder module "lame_enc.dll" and appends an ID3 v1.1 tag. Its owner creates the thread
// suspended, lowers its priority, resumes it and polls IsBusy from a timer; AddJob, IsBusy, GetStatus
// and Stop run on the owner's thread.
//
// Beyond the job interface: GetErrorCode tells the owner why a job ended without its done flag (the
// worker's thread has then ended), and errors are posted to the owner window (WorkerReport.h), never
// shown from the worker. Only 16-bit PCM is accepted (code 25 otherwise), since the encoder reads
// 16-bit samples.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/DateTime.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/File.h"
#include "platform/lame/LameEnc.h"
#include "recorder/capture/CompressionWorker.h"
#include "recorder/capture/WaveSource.h"

class CMp3Compressor : public CCompressionWorker {
 public:
  enum : int { kErrorNot16Bit = 25 };

  explicit CMp3Compressor(HWND owner = nullptr, const char* encoderModule = "lame_enc.dll");
  ~CMp3Compressor() override;

  BOOL AddJob(const CString& source, const CString& target, const CString& title, const CString& artist,
              const CString& album, const COleDateTime& date, const CString& comment, int track, BYTE genre,
              DWORD bitrate);

 private:
  void StartJob() override { EncodeFile(m_source, m_target); }
  bool WorkStep() override { return EncodeChunk(); }
  void FinishJob() override { WriteTag(); }
  void CloseJob() override { Close(); }
  CString ErrorText(int code) const override;
  void EncodeFile(const CString& source, const CString& target);
  bool EncodeChunk();
  void WriteTag();
  void Close();
  void LoadEncoder();

  CString m_encoderModule;
  CString m_source, m_target;
  CString m_title, m_artist, m_album, m_comment;
  COleDateTime m_date;
  int m_track = 0;
  BYTE m_genre = 0;
  DWORD m_bitrate = 128;
  DWORD m_samplesPerChunk = 0;

  HMODULE m_encoder = nullptr;
  BEINITSTREAM m_beInitStream = nullptr;
  BEENCODECHUNK m_beEncodeChunk = nullptr;
  BEDEINITSTREAM m_beDeinitStream = nullptr;
  BECLOSESTREAM m_beCloseStream = nullptr;
  BEVERSION m_beVersion = nullptr;
  BEWRITEVBRHEADER m_beWriteVBRHeader = nullptr;
  BE_VERSION m_version{};
  BE_CONFIG m_config{};
  HBE_STREAM m_stream = 0;

  enum : DWORD { kSourceOpen = 1, kFormatBuffer = 2, kBuffers = 4, kTargetOpen = 8 };
  DWORD m_resources = 0;
  CWaveSource m_wave;
  CFile m_targetFile;
  WORD m_blockAlign = 0;
  WORD m_bitsPerSample = 0;
  std::vector<BYTE> m_samples;
  std::vector<BYTE> m_mp3;
  DWORD m_chunkBytes = 0;
  DWORD m_mp3BufferBytes = 0;
};
