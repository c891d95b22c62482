// PCM to PCM: sample rate through libsamplerate, one or two channels either way, 8 or 16 bits.
#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/mm/AcmCodec.h"

namespace qh::mm {
namespace {

bool IsPlainPcm(const WAVEFORMATEX& format) {
  return format.wFormatTag == WAVE_FORMAT_PCM && (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
         (format.nChannels == 1 || format.nChannels == 2) && format.nSamplesPerSec >= 1000 &&
         format.nSamplesPerSec <= 192000;
}

WAVEFORMATEX PcmFormat(DWORD rate, WORD channels, WORD bits) {
  WORD align = static_cast<WORD>(channels * bits / 8);
  return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

float SampleAt(const BYTE* frame, int channel, WORD bits) {
  if (bits == 8) return (static_cast<int>(frame[channel]) - 128) / 128.0f;
  int16_t value;
  std::memcpy(&value, frame + channel * 2, 2);
  return value / 32768.0f;
}

void PutSample(std::vector<BYTE>& out, float value, WORD bits) {
  if (bits == 8) {
    long scaled = std::lrint(value * 128.0f) + 128;
    out.push_back(static_cast<BYTE>(std::clamp(scaled, 0L, 255L)));
    return;
  }
  long scaled = std::clamp(std::lrint(value * 32768.0f), -32768L, 32767L);
  out.push_back(static_cast<BYTE>(scaled & 0xFF));
  out.push_back(static_cast<BYTE>((scaled >> 8) & 0xFF));
}

class PcmStream : public AcmCodecStream {
 public:
  PcmStream(const WAVEFORMATEX& source, const WAVEFORMATEX& destination) : from_(source), to_(destination) {
    if (from_.nSamplesPerSec != to_.nSamplesPerSec) {
      int error = 0;
      resampler_ = src_new(SRC_SINC_MEDIUM_QUALITY, to_.nChannels, &error);
    }
  }
  ~PcmStream() override {
    if (resampler_ != nullptr) src_delete(resampler_);
  }
  bool Ok() const { return from_.nSamplesPerSec == to_.nSamplesPerSec || resampler_ != nullptr; }

  bool Convert(const BYTE* source, DWORD length, bool, bool end, std::vector<BYTE>& out, DWORD& used) override {
    DWORD frames = length / from_.nBlockAlign;
    used = frames * from_.nBlockAlign;
    std::vector<float> mapped = MapChannels(source, frames);
    if (resampler_ == nullptr) {
      for (float value : mapped) PutSample(out, value, to_.wBitsPerSample);
      return true;
    }
    return Resample(mapped, end, out);
  }
  DWORD DestinationBytes(DWORD sourceBytes) const override {
    double frames = static_cast<double>(sourceBytes / from_.nBlockAlign) * to_.nSamplesPerSec / from_.nSamplesPerSec;
    return (static_cast<DWORD>(frames) + 4096) * to_.nBlockAlign;
  }

 private:
  std::vector<float> MapChannels(const BYTE* source, DWORD frames) const {
    std::vector<float> mapped;
    mapped.reserve(static_cast<size_t>(frames) * to_.nChannels);
    for (DWORD i = 0; i < frames; ++i) {
      const BYTE* frame = source + static_cast<size_t>(i) * from_.nBlockAlign;
      if (from_.nChannels == to_.nChannels) {
        for (int c = 0; c < to_.nChannels; ++c) mapped.push_back(SampleAt(frame, c, from_.wBitsPerSample));
      } else if (to_.nChannels == 1) {
        mapped.push_back((SampleAt(frame, 0, from_.wBitsPerSample) + SampleAt(frame, 1, from_.wBitsPerSample)) / 2);
      } else {
        float mono = SampleAt(frame, 0, from_.wBitsPerSample);
        mapped.push_back(mono);
        mapped.push_back(mono);
      }
    }
    return mapped;
  }

  bool Resample(const std::vector<float>& input, bool end, std::vector<BYTE>& out) {
    const long channels = to_.nChannels;
    std::vector<float> output(4096 * static_cast<size_t>(channels));
    SRC_DATA data{};
    data.data_in = input.data();
    data.input_frames = static_cast<long>(input.size()) / channels;
    data.src_ratio = static_cast<double>(to_.nSamplesPerSec) / from_.nSamplesPerSec;
    data.end_of_input = end ? 1 : 0;
    for (;;) {
      data.data_out = output.data();
      data.output_frames = 4096;
      if (src_process(resampler_, &data) != 0) return false;
      for (long i = 0; i < data.output_frames_gen * channels; ++i) PutSample(out, output[static_cast<size_t>(i)], to_.wBitsPerSample);
      data.data_in += data.input_frames_used * channels;
      data.input_frames -= data.input_frames_used;
      if (data.input_frames == 0 && (data.output_frames_gen == 0 || !end)) break;
    }
    return true;
  }

  WAVEFORMATEX from_;
  WAVEFORMATEX to_;
  SRC_STATE* resampler_ = nullptr;
};

class PcmConverter : public AcmCodec {
 public:
  WORD FormatTag() const override { return WAVE_FORMAT_PCM; }
  const char* ShortName() const override { return "PCM Converter"; }
  const char* LongName() const override { return "PCM rate, channel and bit-depth converter (libsamplerate)"; }
  DWORD Version() const override { return 0x01000000; }
  DWORD MaxFormatSize() const override { return sizeof(WAVEFORMATEX); }

  bool Suggest(const WAVEFORMATEX& source, const WAVEFORMATEX& wanted, DWORD keep, FormatBytes& out) const override {
    if (!IsPlainPcm(source)) return false;
    DWORD rate = (keep & 0x00040000u) ? wanted.nSamplesPerSec : source.nSamplesPerSec;
    WORD channels = (keep & 0x00020000u) ? wanted.nChannels : source.nChannels;
    WORD bits = (keep & 0x00080000u) ? wanted.wBitsPerSample : source.wBitsPerSample;
    WAVEFORMATEX format = PcmFormat(rate, channels, bits);
    if (!IsPlainPcm(format)) return false;
    out = FormatBytesOf(&format);
    return true;
  }
  std::vector<FormatBytes> Formats() const override {
    std::vector<FormatBytes> formats;
    for (DWORD rate : {8000u, 11025u, 22050u, 44100u, 48000u}) {
      for (WORD bits : {8, 16}) {
        for (WORD channels : {1, 2}) {
          WAVEFORMATEX format = PcmFormat(rate, channels, bits);
          formats.push_back(FormatBytesOf(&format));
        }
      }
    }
    return formats;
  }
  std::unique_ptr<AcmCodecStream> Open(const FormatBytes& source, const FormatBytes& destination) const override {
    const WAVEFORMATEX* from = FormatOf(source);
    const WAVEFORMATEX* to = FormatOf(destination);
    if (!IsPlainPcm(*from) || !IsPlainPcm(*to)) return nullptr;
    if (from->nBlockAlign != from->nChannels * from->wBitsPerSample / 8 ||
        to->nBlockAlign != to->nChannels * to->wBitsPerSample / 8) {
      return nullptr;
    }
    auto stream = std::make_unique<PcmStream>(*from, *to);
    if (!stream->Ok()) return nullptr;
    return stream;
  }
};

}  // namespace

std::unique_ptr<AcmCodec> MakePcmConverter() { return std::make_unique<PcmConverter>(); }

}  // namespace qh::mm
