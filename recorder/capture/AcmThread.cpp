#include "recorder/capture/AcmThread.h"

#include <cstring>


namespace {

BOOL TakeCodecDriver(HACMDRIVERID driverId, LPACMFORMATDETAILS, DWORD_PTR instance, DWORD support) {
  if (!(support & ACMDRIVERDETAILS_SUPPORTF_CODEC)) return TRUE;
  *reinterpret_cast<HACMDRIVERID*>(instance) = driverId;
  return FALSE;
}

}  // namespace

CAcmThread::CAcmThread(HWND owner) : CCompressionWorker(owner) {}

CAcmThread::~CAcmThread() { CloseAll(); }

HACMDRIVERID CAcmThread::FindAcmCodec(WORD formatTag) {
  DWORD largest = 0;
  if (acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest) != MMSYSERR_NOERROR || largest < sizeof(WAVEFORMATEX)) {
    return nullptr;
  }
  std::vector<BYTE> format(largest, 0);
  auto* wave = reinterpret_cast<LPWAVEFORMATEX>(format.data());
  wave->wFormatTag = formatTag;
  ACMFORMATDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwFormatTag = formatTag;
  details.pwfx = wave;
  details.cbwfx = largest;
  HACMDRIVERID found = nullptr;
  if (acmFormatEnum(nullptr, &details, TakeCodecDriver, reinterpret_cast<DWORD_PTR>(&found),
                    ACM_FORMATENUMF_WFORMATTAG) != MMSYSERR_NOERROR) {
    return nullptr;
  }
  return found;
}

BOOL CAcmThread::AddJob(const CString& source, const CString& target, WORD sourceTag, WORD targetTag,
                        const CString& title, const CString& artist, const CString& software) {
  CSingleLock lock(&m_jobLock, TRUE);
  if (!AcceptJob()) return FALSE;
  m_source = source;
  m_target = target;
  m_sourceTag = sourceTag;
  m_targetTag = targetTag;
  m_title = title;
  m_artist = artist;
  m_software = software;
  HandOverJob();
  return TRUE;
}

CString CAcmThread::ErrorText(int code) const {
  CString text;
  text.Format("An error (Code %d) occurred in the AcmThread. Please contact Tech Support with this number for "
              "assistance.",
              code);
  return text;
}

void CAcmThread::StartJob() {
  StartConversion(m_source, m_target, m_sourceTag, m_targetTag);
  m_firstBlock = 1;
}

void CAcmThread::StartConversion(const CString& source, const CString& target, WORD sourceTag, WORD targetTag) {
  m_resources = 0;
  m_streamEnded = false;
  HACMDRIVERID driverId = FindAcmCodec(targetTag);
  if (driverId == nullptr) throw 1;
  ACMDRIVERDETAILS details{};
  details.cbStruct = sizeof details;
  m_status.Empty();
  if (acmDriverDetails(driverId, &details, 0) == MMSYSERR_NOERROR) {
    m_status.Format("%s Codec Version %08X", details.szShortName, details.vdwDriver);
  }

  m_resources |= kSourceOpen;
  m_wave.Open(source);
  m_resources |= kFormatRead | kDataFound;
  const WAVEFORMATEX& from = m_wave.Format();
  if (from.wFormatTag != sourceTag) throw 7;

  if (acmDriverOpen(&m_driver, driverId, 0) != MMSYSERR_NOERROR) throw 8;
  m_resources |= kDriverOpen;
  DWORD largest = 0;
  if (acmMetrics(m_driver, ACM_METRIC_MAX_SIZE_FORMAT, &largest) != MMSYSERR_NOERROR || largest < sizeof(WAVEFORMATEX)) {
    throw 9;
  }

  std::vector<BYTE> destination(largest, 0);
  auto* to = reinterpret_cast<LPWAVEFORMATEX>(destination.data());
  to->wFormatTag = targetTag;
  to->nChannels = from.nChannels;
  to->nSamplesPerSec = from.nSamplesPerSec;
  to->cbSize = static_cast<WORD>(largest - sizeof(WAVEFORMATEX));
  std::vector<BYTE> sourceFormat = m_wave.FormatBytes();
  if (acmFormatSuggest(m_driver, reinterpret_cast<LPWAVEFORMATEX>(sourceFormat.data()), to, largest,
                       ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC) != MMSYSERR_NOERROR) {
    throw 10;
  }

  if (!m_wave.SeekTo(m_wave.DataStart())) throw 6;
  if (acmStreamOpen(&m_stream, m_driver, reinterpret_cast<LPWAVEFORMATEX>(sourceFormat.data()), to, nullptr, 0, 0,
                    ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
    throw 11;
  }
  m_resources |= kStreamOpen;

  m_sourceBlockBytes = 2 * from.nAvgBytesPerSec;
  if (from.nBlockAlign > 0) m_sourceBlockBytes -= m_sourceBlockBytes % from.nBlockAlign;
  if (m_sourceBlockBytes == 0) throw 21;
  DWORD destinationBytes = 0;
  if (acmStreamSize(m_stream, m_sourceBlockBytes, &destinationBytes, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR) {
    throw 21;
  }
  m_sourceBuffer.assign(m_sourceBlockBytes, 0);
  m_destinationBuffer.assign(destinationBytes, 0);
  m_resources |= kBuffers;
  std::memset(&m_header, 0, sizeof m_header);
  m_header.cbStruct = sizeof m_header;
  m_header.pbSrc = m_sourceBuffer.data();
  m_header.cbSrcLength = m_sourceBlockBytes;
  m_header.pbDst = m_destinationBuffer.data();
  m_header.cbDstLength = destinationBytes;
  if (acmStreamPrepareHeader(m_stream, &m_header, 0) != MMSYSERR_NOERROR) throw 12;
  m_resources |= kHeaderPrepared;

  std::vector<char> name(target.GetString(), target.GetString() + target.GetLength() + 1);
  m_targetFile = mmioOpen(name.data(), nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
  if (m_targetFile == nullptr) throw 13;
  m_resources |= kTargetOpen;
  m_riffChunk = MMCKINFO{};
  m_riffChunk.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  MMCKINFO format{};
  format.ckid = mmioFOURCC('f', 'm', 't', ' ');
  format.cksize = largest;
  m_subChunk = MMCKINFO{};
  m_subChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioSeek(m_targetFile, 0, SEEK_SET) != 0 || mmioCreateChunk(m_targetFile, &m_riffChunk, MMIO_CREATERIFF) != 0 ||
      mmioCreateChunk(m_targetFile, &format, 0) != 0 ||
      mmioWrite(m_targetFile, reinterpret_cast<const char*>(destination.data()), static_cast<LONG>(largest)) !=
          static_cast<LONG>(largest) ||
      mmioAscend(m_targetFile, &format, 0) != 0 || mmioCreateChunk(m_targetFile, &m_subChunk, 0) != 0) {
    throw 14;
  }
}

void CAcmThread::WriteBlock(DWORD bytes) {
  if (bytes > 0 && mmioWrite(m_targetFile, reinterpret_cast<const char*>(m_destinationBuffer.data()),
                             static_cast<LONG>(bytes)) != static_cast<LONG>(bytes)) {
    throw 14;
  }
}

bool CAcmThread::ConvertBlocks() {
  DWORD start = m_wave.ReadPosition();
  LONG got = m_wave.Read(m_sourceBuffer.data(), m_sourceBlockBytes);
  if (got < 0) got = 0;
  bool full = static_cast<DWORD>(got) == m_sourceBlockBytes;
  if (full) {
    m_header.cbSrcLength = m_sourceBlockBytes;
    DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN;
    if (m_firstBlock) flags |= ACM_STREAMCONVERTF_START;
    m_firstBlock = 0;
    if (acmStreamConvert(m_stream, &m_header, flags) != MMSYSERR_NOERROR) throw 15;
    // What the codec did not take is read again with the next block.
    if (!m_wave.SeekTo(start + m_header.cbSrcLengthUsed)) throw 15;
    WriteBlock(m_header.cbDstLengthUsed);
  } else if (got > 0 || !m_streamEnded) {
    // The last piece, or the end of a source that was all whole blocks: a partial block is completed.
    m_header.cbSrcLength = static_cast<DWORD>(got);
    if (acmStreamConvert(m_stream, &m_header, got > 0 ? 0 : ACM_STREAMCONVERTF_END) != MMSYSERR_NOERROR) throw 16;
    m_header.cbSrcLength = m_sourceBlockBytes;
    m_streamEnded = true;
    WriteBlock(m_header.cbDstLengthUsed);
  }
  m_percent = m_wave.Percent();
  return full;
}

void CAcmThread::WriteInfoText(FOURCC id, const CString& text, int code) {
  MMCKINFO chunk{};
  chunk.ckid = id;
  if (mmioCreateChunk(m_targetFile, &chunk, 0) != 0) throw code;
  // The text with its terminating zero, and one more zero when that leaves an odd size.
  DWORD length = static_cast<DWORD>(text.GetLength()) + 1;
  if (mmioWrite(m_targetFile, text.GetString(), static_cast<LONG>(length)) != static_cast<LONG>(length)) throw code;
  if ((length & 1) && mmioWrite(m_targetFile, "", 1) != 1) throw code;
  if (mmioAscend(m_targetFile, &chunk, 0) != 0) throw code;
}

void CAcmThread::WriteWaveFile() {
  if (mmioAscend(m_targetFile, &m_subChunk, 0) != 0) throw 17;
  MMCKINFO list{};
  list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
  if (mmioCreateChunk(m_targetFile, &list, MMIO_CREATELIST) != 0) throw 17;
  WriteInfoText(mmioFOURCC('I', 'S', 'F', 'T'), m_software, 18);
  WriteInfoText(mmioFOURCC('I', 'N', 'A', 'M'), m_title, 19);
  WriteInfoText(mmioFOURCC('I', 'A', 'R', 'T'), m_artist, 20);
  if (mmioAscend(m_targetFile, &list, 0) != 0 || mmioAscend(m_targetFile, &m_riffChunk, 0) != 0) throw 17;
}

void CAcmThread::CloseAll() {
  if (m_resources & kTargetOpen) mmioClose(m_targetFile, 0);
  m_targetFile = nullptr;
  if (m_resources & kSourceOpen) m_wave.Close();
  if (m_resources & kHeaderPrepared) acmStreamUnprepareHeader(m_stream, &m_header, 0);
  if (m_resources & kStreamOpen) acmStreamClose(m_stream, 0);
  m_stream = nullptr;
  if (m_resources & kDriverOpen) acmDriverClose(m_driver, 0);
  m_driver = nullptr;
  if (m_resources & kBuffers) {
    m_sourceBuffer.clear();
    m_destinationBuffer.clear();
  }
  m_doneEvent.SetEvent();
  m_resources = 0;
}
