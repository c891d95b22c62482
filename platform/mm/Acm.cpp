#include "platform/mm/Acm.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/mm/AcmCodec.h"

namespace qh::mm {

FormatBytes FormatBytesOf(const WAVEFORMATEX* format) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(format);
  size_t size = sizeof(WAVEFORMATEX) + (format->wFormatTag == WAVE_FORMAT_PCM ? 0 : format->cbSize);
  return FormatBytes(bytes, bytes + size);
}

const WAVEFORMATEX* FormatOf(const FormatBytes& bytes) { return reinterpret_cast<const WAVEFORMATEX*>(bytes.data()); }

const std::vector<const AcmCodec*>& BuiltInCodecs() {
  static const std::vector<const AcmCodec*> codecs = [] {
    static std::unique_ptr<AcmCodec> adpcm = MakeAdpcmCodec();
    static std::unique_ptr<AcmCodec> pcm = MakePcmConverter();
    return std::vector<const AcmCodec*>{adpcm.get(), pcm.get()};
  }();
  return codecs;
}

}  // namespace qh::mm

using qh::mm::AcmCodec;
using qh::mm::AcmCodecStream;
using qh::mm::BuiltInCodecs;
using qh::mm::FormatBytes;

namespace {

// A driver id is the codec's 1-based index; an open driver and a stream are heap records.
struct OpenDriver {
  const AcmCodec* codec;
};

struct OpenStream {
  std::unique_ptr<AcmCodecStream> codec;
  std::vector<BYTE> pending;  // output that did not fit into the last destination buffer
};

const AcmCodec* CodecOfId(HACMDRIVERID id) {
  auto index = reinterpret_cast<uintptr_t>(id);
  return index >= 1 && index <= BuiltInCodecs().size() ? BuiltInCodecs()[index - 1] : nullptr;
}

HACMDRIVERID IdOf(size_t index) { return reinterpret_cast<HACMDRIVERID>(index + 1); }

// An object handle may be a driver id or an open driver.
const AcmCodec* CodecOfObject(HACMOBJ object) {
  if (const AcmCodec* codec = CodecOfId(static_cast<HACMDRIVERID>(object))) return codec;
  return object != nullptr ? static_cast<OpenDriver*>(object)->codec : nullptr;
}

bool IsPlainSize(const WAVEFORMATEX* format) { return format != nullptr; }

}  // namespace

DWORD acmGetVersion() { return 0x04000000u | 1u; }

MMRESULT acmMetrics(HACMOBJ obj, UINT metric, LPVOID value) {
  if (value == nullptr) return MMSYSERR_INVALPARAM;
  DWORD* out = static_cast<DWORD*>(value);
  if (obj != nullptr) {
    const AcmCodec* codec = CodecOfObject(obj);
    if (codec == nullptr) return MMSYSERR_INVALHANDLE;
    if (metric != ACM_METRIC_MAX_SIZE_FORMAT) return MMSYSERR_NOTSUPPORTED;
    *out = codec->MaxFormatSize();
    return MMSYSERR_NOERROR;
  }
  switch (metric) {
    case ACM_METRIC_COUNT_DRIVERS:
    case ACM_METRIC_COUNT_CODECS:
      *out = static_cast<DWORD>(BuiltInCodecs().size());
      return MMSYSERR_NOERROR;
    case ACM_METRIC_MAX_SIZE_FORMAT: {
      DWORD largest = 0;
      for (const AcmCodec* codec : BuiltInCodecs()) largest = std::max(largest, codec->MaxFormatSize());
      *out = largest;
      return MMSYSERR_NOERROR;
    }
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
}

MMRESULT acmFormatEnum(HACMDRIVER driver, LPACMFORMATDETAILS details, ACMFORMATENUMCB callback, DWORD_PTR instance,
                       DWORD flags) {
  if (details == nullptr || callback == nullptr || details->pwfx == nullptr) return MMSYSERR_INVALPARAM;
  const auto& codecs = BuiltInCodecs();
  for (size_t index = 0; index < codecs.size(); ++index) {
    const AcmCodec* codec = codecs[index];
    if (driver != nullptr && reinterpret_cast<OpenDriver*>(driver)->codec != codec) continue;
    if ((flags & ACM_FORMATENUMF_WFORMATTAG) && codec->FormatTag() != details->dwFormatTag) continue;
    DWORD formatIndex = 0;
    for (const FormatBytes& format : codec->Formats()) {
      if (format.size() > details->cbwfx) return MMSYSERR_INVALPARAM;
      std::memcpy(details->pwfx, format.data(), format.size());
      details->dwFormatIndex = formatIndex++;
      details->dwFormatTag = codec->FormatTag();
      details->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
      std::snprintf(details->szFormat, sizeof details->szFormat, "%lu Hz, %u bit, %u channels",
                    static_cast<unsigned long>(details->pwfx->nSamplesPerSec), details->pwfx->wBitsPerSample,
                    details->pwfx->nChannels);
      if (!callback(IdOf(index), details, instance, ACMDRIVERDETAILS_SUPPORTF_CODEC)) return MMSYSERR_NOERROR;
    }
  }
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverDetails(HACMDRIVERID driverId, LPACMDRIVERDETAILS details, DWORD) {
  const AcmCodec* codec = CodecOfId(driverId);
  if (codec == nullptr) return MMSYSERR_INVALHANDLE;
  if (details == nullptr || details->cbStruct < offsetof(ACMDRIVERDETAILS, szLongName)) return MMSYSERR_INVALPARAM;
  DWORD size = details->cbStruct;
  std::memset(details, 0, std::min<size_t>(size, sizeof(ACMDRIVERDETAILS)));
  details->cbStruct = std::min<DWORD>(size, sizeof(ACMDRIVERDETAILS));
  details->fccType = qh::mm::kAudioCodecType;
  details->vdwACM = acmGetVersion();
  details->vdwDriver = codec->Version();
  details->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
  details->cFormatTags = 1;
  std::snprintf(details->szShortName, sizeof details->szShortName, "%s", codec->ShortName());
  if (size >= sizeof(ACMDRIVERDETAILS)) {
    std::snprintf(details->szLongName, sizeof details->szLongName, "%s", codec->LongName());
  }
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverOpen(LPHACMDRIVER driver, HACMDRIVERID driverId, DWORD) {
  const AcmCodec* codec = CodecOfId(driverId);
  if (codec == nullptr) return MMSYSERR_INVALHANDLE;
  if (driver == nullptr) return MMSYSERR_INVALPARAM;
  *driver = reinterpret_cast<HACMDRIVER>(new OpenDriver{codec});
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER driver, DWORD) {
  if (driver == nullptr) return MMSYSERR_INVALHANDLE;
  delete reinterpret_cast<OpenDriver*>(driver);
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatSuggest(HACMDRIVER driver, LPWAVEFORMATEX source, LPWAVEFORMATEX destination, DWORD destinationSize,
                          DWORD flags) {
  if (!IsPlainSize(source) || destination == nullptr || destinationSize < sizeof(WAVEFORMATEX)) {
    return MMSYSERR_INVALPARAM;
  }
  for (const AcmCodec* codec : BuiltInCodecs()) {
    if (driver != nullptr && reinterpret_cast<OpenDriver*>(driver)->codec != codec) continue;
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && codec->FormatTag() != destination->wFormatTag) continue;
    FormatBytes suggested;
    if (!codec->Suggest(*source, *destination, flags, suggested)) continue;
    if (suggested.size() > destinationSize) return MMSYSERR_INVALPARAM;
    std::memcpy(destination, suggested.data(), suggested.size());
    return MMSYSERR_NOERROR;
  }
  return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamOpen(LPHACMSTREAM stream, HACMDRIVER driver, LPWAVEFORMATEX source, LPWAVEFORMATEX destination,
                       LPWAVEFILTER filter, DWORD_PTR, DWORD_PTR, DWORD) {
  if (stream == nullptr || source == nullptr || destination == nullptr || filter != nullptr) return MMSYSERR_INVALPARAM;
  FormatBytes from = qh::mm::FormatBytesOf(source);
  FormatBytes to = qh::mm::FormatBytesOf(destination);
  for (const AcmCodec* codec : BuiltInCodecs()) {
    if (driver != nullptr && reinterpret_cast<OpenDriver*>(driver)->codec != codec) continue;
    if (codec->FormatTag() != destination->wFormatTag) continue;
    std::unique_ptr<AcmCodecStream> opened = codec->Open(from, to);
    if (!opened) continue;
    *stream = reinterpret_cast<HACMSTREAM>(new OpenStream{std::move(opened), {}});
    return MMSYSERR_NOERROR;
  }
  return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, LPDWORD output, DWORD flags) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  if (output == nullptr || flags != ACM_STREAMSIZEF_SOURCE) return MMSYSERR_INVALPARAM;
  *output = reinterpret_cast<OpenStream*>(stream)->codec->DestinationBytes(input);
  return *output == 0 ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || header->cbStruct < sizeof(ACMSTREAMHEADER) || header->pbSrc == nullptr ||
      header->pbDst == nullptr) {
    return MMSYSERR_INVALPARAM;
  }
  header->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
  header->dwReservedDriver[0] = header->cbSrcLength;
  header->dwReservedDriver[1] = header->cbDstLength;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr) return MMSYSERR_INVALPARAM;
  if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  // A prepared header's buffers may not grow beyond what was prepared.
  if (header->cbSrcLength > header->dwReservedDriver[0] || header->cbDstLength > header->dwReservedDriver[1]) {
    return MMSYSERR_INVALPARAM;
  }
  auto* open = reinterpret_cast<OpenStream*>(stream);
  header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
  DWORD used = 0;
  bool blockAlign = (flags & ACM_STREAMCONVERTF_BLOCKALIGN) != 0;
  bool end = (flags & ACM_STREAMCONVERTF_END) != 0 || !blockAlign;
  if (!open->codec->Convert(header->pbSrc, header->cbSrcLength, blockAlign && !(flags & ACM_STREAMCONVERTF_END), end,
                            open->pending, used)) {
    return ACMERR_NOTPOSSIBLE;
  }
  DWORD copied = static_cast<DWORD>(std::min<size_t>(open->pending.size(), header->cbDstLength));
  std::memcpy(header->pbDst, open->pending.data(), copied);
  open->pending.erase(open->pending.begin(), open->pending.begin() + copied);
  header->cbSrcLengthUsed = used;
  header->cbDstLengthUsed = copied;
  header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr) return MMSYSERR_INVALPARAM;
  if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM stream, DWORD) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  delete reinterpret_cast<OpenStream*>(stream);
  return MMSYSERR_NOERROR;
}
