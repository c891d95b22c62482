#include "recorder/capture/Mp3Compressor.h"

#include <cstring>


namespace {

// Copies a text into a fixed ID3 field: cut to the width, zero padded, no terminator when full.
void PutField(BYTE* field, size_t width, const CString& text) {
  size_t length = std::min(width, static_cast<size_t>(text.GetLength()));
  std::memcpy(field, text.GetString(), length);
}

}  // namespace

CMp3Compressor::CMp3Compressor(HWND owner, const char* encoderModule)
    : CCompressionWorker(owner), m_encoderModule(encoderModule) {}

CMp3Compressor::~CMp3Compressor() {
  if (m_stream != 0 && m_beCloseStream != nullptr) m_beCloseStream(m_stream);
}

BOOL CMp3Compressor::AddJob(const CString& source, const CString& target, const CString& title, const CString& artist,
                            const CString& album, const COleDateTime& date, const CString& comment, int track,
                            BYTE genre, DWORD bitrate) {
  CSingleLock lock(&m_jobLock, TRUE);
  if (!AcceptJob()) return FALSE;
  m_source = source;
  m_target = target;
  m_title = title;
  m_artist = artist;
  m_album = album;
  m_date = date;
  m_comment = comment;
  m_track = track;
  m_genre = genre;
  m_bitrate = bitrate / 1000;
  if (bitrate < 64000 || bitrate > 320000) return FALSE;
  HandOverJob();
  return TRUE;
}

CString CMp3Compressor::ErrorText(int code) const {
  CString text;
  if (code == 21 || code == 22) {
    text = "Error: There is a problem with the mp3 encoder (lame_enc.dll). Make sure this file was installed "
           "correctly and is not corrupted.";
  } else {
    text.Format("An unexpected error was detected in the compressor. The error code is %d. Please write down this "
                "message before calling Tech Support.",
                code);
  }
  return text;
}

void CMp3Compressor::LoadEncoder() {
  if (m_encoder != nullptr) return;
  HMODULE module = LoadLibrary(m_encoderModule);
  if (module == nullptr) throw 21;
  m_beInitStream = reinterpret_cast<BEINITSTREAM>(GetProcAddress(module, "beInitStream"));
  m_beEncodeChunk = reinterpret_cast<BEENCODECHUNK>(GetProcAddress(module, "beEncodeChunk"));
  m_beDeinitStream = reinterpret_cast<BEDEINITSTREAM>(GetProcAddress(module, "beDeinitStream"));
  m_beCloseStream = reinterpret_cast<BECLOSESTREAM>(GetProcAddress(module, "beCloseStream"));
  m_beVersion = reinterpret_cast<BEVERSION>(GetProcAddress(module, "beVersion"));
  m_beWriteVBRHeader = reinterpret_cast<BEWRITEVBRHEADER>(GetProcAddress(module, "beWriteVBRHeader"));
  if (!m_beInitStream || !m_beEncodeChunk || !m_beDeinitStream || !m_beCloseStream || !m_beVersion ||
      !m_beWriteVBRHeader) {
    m_beCloseStream = nullptr;
    throw 22;
  }
  m_encoder = module;
}

void CMp3Compressor::EncodeFile(const CString& source, const CString& target) {
  m_resources = 0;
  if (m_stream != 0) {
    m_beCloseStream(m_stream);
    m_stream = 0;
  }
  LoadEncoder();
  std::memset(&m_version, 0, sizeof m_version);
  m_beVersion(&m_version);
  m_status.Format(m_version.byMMXEnabled ? "MP3 Encoder Version %u.%02u (MMX Enabled)" : "MP3 Encoder Version %u.%02u",
                  m_version.byMajorVersion, m_version.byMinorVersion);

  m_resources |= kSourceOpen;
  m_wave.Open(source);
  m_resources |= kFormatBuffer;
  const WAVEFORMATEX& format = m_wave.Format();
  if (!m_wave.IsPcm()) throw 7;
  m_blockAlign = format.nBlockAlign;
  m_bitsPerSample = format.wBitsPerSample;
  if (m_bitsPerSample != 16) throw static_cast<int>(kErrorNot16Bit);

  std::memset(&m_config, 0, sizeof m_config);
  m_config.dwConfig = BE_CONFIG_LAME;
  BE_CONFIG_LHV1& lhv1 = m_config.format.LHV1;
  lhv1.dwStructVersion = 1;
  lhv1.dwStructSize = sizeof m_config;
  lhv1.dwSampleRate = format.nSamplesPerSec;
  lhv1.dwReSampleRate = 0;
  if (format.nChannels == 1) lhv1.nMode = BE_MP3_MODE_MONO;
  else if (format.nChannels == 2) lhv1.nMode = BE_MP3_MODE_JSTEREO;
  else throw 24;
  lhv1.dwBitrate = m_bitrate;
  lhv1.dwMaxBitrate = 0;
  lhv1.nPreset = LQP_HIGH_QUALITY;
  lhv1.dwMpegVersion = MPEG1;
  lhv1.dwPsyModel = 0;
  lhv1.dwEmphasis = 0;

  DWORD samples = 0;
  if (m_beInitStream(&m_config, &samples, &m_mp3BufferBytes, &m_stream) != BE_ERR_SUCCESSFUL) {
    m_stream = 0;
    throw 23;
  }
  m_samplesPerChunk = samples;
  m_chunkBytes = m_samplesPerChunk * (m_bitsPerSample / 8);
  m_samples.assign(m_chunkBytes, 0);
  m_mp3.assign(m_mp3BufferBytes, 0);
  m_resources |= kBuffers;

  CFileException error;
  if (!m_targetFile.Open(target, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary, &error)) throw 13;
  m_resources |= kTargetOpen;
  m_resources &= ~kFormatBuffer;
}

bool CMp3Compressor::EncodeChunk() {
  LONG got = m_wave.Read(m_samples.data(), m_chunkBytes);
  if (got < 0) got = 0;
  if (got > 0) {
    DWORD written = 0;
    DWORD sampleCount = static_cast<DWORD>(got) / (m_bitsPerSample / 8);
    if (m_beEncodeChunk(m_stream, sampleCount, reinterpret_cast<SHORT*>(m_samples.data()), m_mp3.data(), &written) !=
        BE_ERR_SUCCESSFUL) {
      throw 15;
    }
    m_targetFile.Write(m_mp3.data(), written);
  }
  m_percent = m_wave.Percent();
  return static_cast<DWORD>(got) == m_chunkBytes;
}

void CMp3Compressor::WriteTag() {
  DWORD written = 0;
  if (m_beDeinitStream(m_stream, m_mp3.data(), &written) == BE_ERR_SUCCESSFUL && written > 0) {
    m_targetFile.Write(m_mp3.data(), written);
  }
  m_beCloseStream(m_stream);
  m_stream = 0;
  BYTE tag[128] = {};
  std::memcpy(tag, "TAG", 3);
  PutField(tag + 3, 30, m_title);
  PutField(tag + 33, 30, m_artist);
  PutField(tag + 63, 30, m_album);
  PutField(tag + 93, 4, m_date.Format("%Y"));
  PutField(tag + 97, 28, m_comment);
  tag[125] = 0;
  tag[126] = static_cast<BYTE>(m_track & 0xFF);
  tag[127] = m_genre;
  m_targetFile.Write(tag, sizeof tag);
}

void CMp3Compressor::Close() {
  if (m_resources & kTargetOpen) {
    try {
      m_targetFile.Close();
    } catch (CException* exception) {
      exception->Delete();
    }
  }
  if (m_resources & kSourceOpen) m_wave.Close();
  if (m_resources & kBuffers) {
    m_samples.clear();
    m_mp3.clear();
  }
  if (m_stream != 0) {
    m_beCloseStream(m_stream);
    m_stream = 0;
  }
  m_doneEvent.SetEvent();
  m_resources = 0;
}
