// The built-in codecs behind the ACM functions (not part of the platform's interface).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/mm/MmSystem.h"

namespace qh::mm {

// One conversion stream from a source format to a destination format.
class AcmCodecStream {
 public:
  virtual ~AcmCodecStream() = default;
  // Converts from `source`; with blockAlign only whole blocks are taken, and `used` says how many bytes
  // were. `end` completes a partial block and ends the stream. Output is appended to `out`.
  virtual bool Convert(const BYTE* source, DWORD length, bool blockAlign, bool end, std::vector<BYTE>& out,
                       DWORD& used) = 0;
  // The largest output for `sourceBytes` of input.
  virtual DWORD DestinationBytes(DWORD sourceBytes) const = 0;
};

// The format record with its extra bytes (cbSize of them after the 18 bytes).
using FormatBytes = std::vector<BYTE>;
FormatBytes FormatBytesOf(const WAVEFORMATEX* format);
const WAVEFORMATEX* FormatOf(const FormatBytes& bytes);

class AcmCodec {
 public:
  virtual ~AcmCodec() = default;
  virtual WORD FormatTag() const = 0;
  virtual const char* ShortName() const = 0;
  virtual const char* LongName() const = 0;
  virtual DWORD Version() const = 0;
  virtual DWORD MaxFormatSize() const = 0;
  // The destination format for a source, keeping what `keep` (ACM_FORMATSUGGESTF_...) says of `wanted`.
  virtual bool Suggest(const WAVEFORMATEX& source, const WAVEFORMATEX& wanted, DWORD keep, FormatBytes& out) const = 0;
  // A description of the formats it offers for enumeration.
  virtual std::vector<FormatBytes> Formats() const = 0;
  virtual std::unique_ptr<AcmCodecStream> Open(const FormatBytes& source, const FormatBytes& destination) const = 0;
};

constexpr FOURCC kAudioCodecType = mmioFOURCC('a', 'u', 'd', 'c');
const std::vector<const AcmCodec*>& BuiltInCodecs();
std::unique_ptr<AcmCodec> MakeAdpcmCodec();
std::unique_ptr<AcmCodec> MakePcmConverter();

}  // namespace qh::mm
