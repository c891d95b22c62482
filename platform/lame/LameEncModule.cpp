// lame_enc.so: the encoder-DLL interface over libmp3lame. Streams are numbered handles; every call
// checks its handle and the size of what it is asked to write.
#include <lame/lame.h>

#include <cstring>
#include <map>
#include <mutex>

#include "platform/lame/LameEnc.h"

#define QH_LAME_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Stream {
  lame_global_flags* flags = nullptr;
  int channels = 2;
  DWORD bufferBytes = 0;
};

std::mutex tableLock;
std::map<HBE_STREAM, Stream> streams;
HBE_STREAM nextHandle = 1;

// The output bound libmp3lame documents for a number of samples per channel.
DWORD OutputBound(DWORD samplesPerChannel) { return samplesPerChannel * 5 / 4 + 7200; }

// MPEG-1 carries 32, 44.1 and 48 kHz only: a lower input rate is taken up to the MPEG-1 rate of its
// family, so the bit rates of MPEG-1 stay available.
int Mpeg1Rate(DWORD inputRate) {
  if (inputRate >= 32000) return static_cast<int>(inputRate);
  if (inputRate % 11025 == 0) return 44100;
  if (inputRate % 12000 == 0) return 48000;
  return 32000;
}

bool Configure(lame_global_flags* flags, const BE_CONFIG_LHV1& config, int* channels) {
  if (config.nMode < BE_MP3_MODE_STEREO || config.nMode > BE_MP3_MODE_MONO) return false;
  *channels = config.nMode == BE_MP3_MODE_MONO ? 1 : 2;
  static const MPEG_mode modes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
  lame_set_in_samplerate(flags, static_cast<int>(config.dwSampleRate));
  lame_set_num_channels(flags, *channels);
  lame_set_mode(flags, modes[config.nMode]);
  if (config.dwReSampleRate != 0) lame_set_out_samplerate(flags, static_cast<int>(config.dwReSampleRate));
  else if (config.dwMpegVersion == MPEG1) lame_set_out_samplerate(flags, Mpeg1Rate(config.dwSampleRate));
  lame_set_brate(flags, static_cast<int>(config.dwBitrate));
  lame_set_quality(flags, config.nPreset == LQP_HIGH_QUALITY ? 2 : config.nPreset == LQP_LOW_QUALITY ? 7 : 5);
  lame_set_emphasis(flags, static_cast<int>(config.dwEmphasis));
  lame_set_extension(flags, config.bPrivate ? 1 : 0);
  lame_set_error_protection(flags, config.bCRC ? 1 : 0);
  lame_set_copyright(flags, config.bCopyright ? 1 : 0);
  lame_set_original(flags, config.bOriginal ? 1 : 0);
  lame_set_strict_ISO(flags, config.bStrictIso ? 1 : 0);
  lame_set_disable_reservoir(flags, config.bNoRes ? 1 : 0);
  lame_set_VBR(flags, config.bEnableVBR ? vbr_default : vbr_off);
  if (config.bEnableVBR && config.dwMaxBitrate != 0) lame_set_VBR_max_bitrate_kbps(flags, static_cast<int>(config.dwMaxBitrate));
  // The caller writes its own tag and asks for the VBR header explicitly (beWriteVBRHeader).
  lame_set_bWriteVbrTag(flags, config.bWriteVBRHeader ? 1 : 0);
  lame_set_write_id3tag_automatic(flags, 0);
  return lame_init_params(flags) >= 0;
}

Stream* Find(HBE_STREAM handle) {
  auto found = streams.find(handle);
  return found == streams.end() ? nullptr : &found->second;
}

}  // namespace

QH_LAME_EXPORT BE_ERR beInitStream(PBE_CONFIG config, DWORD* samples, DWORD* bufferSize, PHBE_STREAM stream) {
  if (config == nullptr || samples == nullptr || bufferSize == nullptr || stream == nullptr) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  if (config->dwConfig != BE_CONFIG_LAME || config->format.LHV1.dwStructVersion < 1 ||
      config->format.LHV1.dwStructSize < CURRENT_STRUCT_SIZE) {
    return BE_ERR_INVALID_FORMAT;
  }
  lame_global_flags* flags = lame_init();
  if (flags == nullptr) return BE_ERR_NO_MORE_HANDLES;
  int channels = 2;
  if (!Configure(flags, config->format.LHV1, &channels)) {
    lame_close(flags);
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  DWORD frameSamples = static_cast<DWORD>(lame_get_framesize(flags));
  std::lock_guard<std::mutex> guard(tableLock);
  HBE_STREAM handle = nextHandle++;
  streams[handle] = Stream{flags, channels, OutputBound(frameSamples)};
  *samples = frameSamples * static_cast<DWORD>(channels);
  *bufferSize = streams[handle].bufferBytes;
  *stream = handle;
  return BE_ERR_SUCCESSFUL;
}

QH_LAME_EXPORT BE_ERR beEncodeChunk(HBE_STREAM handle, DWORD samples, SHORT* pcm, BYTE* output, DWORD* outputBytes) {
  std::lock_guard<std::mutex> guard(tableLock);
  Stream* stream = Find(handle);
  if (stream == nullptr) return BE_ERR_INVALID_HANDLE;
  if (output == nullptr || outputBytes == nullptr || (samples > 0 && pcm == nullptr)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  DWORD perChannel = samples / static_cast<DWORD>(stream->channels);
  // The output buffer is the size beInitStream gave: more samples than fit into it are refused.
  if (OutputBound(perChannel) > stream->bufferBytes) return BE_ERR_BUFFER_TOO_SMALL;
  int written = stream->channels == 2
                    ? lame_encode_buffer_interleaved(stream->flags, pcm, static_cast<int>(perChannel), output,
                                                     static_cast<int>(stream->bufferBytes))
                    : lame_encode_buffer(stream->flags, pcm, pcm, static_cast<int>(perChannel), output,
                                         static_cast<int>(stream->bufferBytes));
  if (written < 0) return BE_ERR_BUFFER_TOO_SMALL;
  *outputBytes = static_cast<DWORD>(written);
  return BE_ERR_SUCCESSFUL;
}

QH_LAME_EXPORT BE_ERR beDeinitStream(HBE_STREAM handle, BYTE* output, DWORD* outputBytes) {
  std::lock_guard<std::mutex> guard(tableLock);
  Stream* stream = Find(handle);
  if (stream == nullptr) return BE_ERR_INVALID_HANDLE;
  if (output == nullptr || outputBytes == nullptr) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  int written = lame_encode_flush(stream->flags, output, static_cast<int>(stream->bufferBytes));
  if (written < 0) return BE_ERR_BUFFER_TOO_SMALL;
  *outputBytes = static_cast<DWORD>(written);
  return BE_ERR_SUCCESSFUL;
}

QH_LAME_EXPORT BE_ERR beCloseStream(HBE_STREAM handle) {
  std::lock_guard<std::mutex> guard(tableLock);
  Stream* stream = Find(handle);
  if (stream == nullptr) return BE_ERR_INVALID_HANDLE;
  lame_close(stream->flags);
  streams.erase(handle);
  return BE_ERR_SUCCESSFUL;
}

QH_LAME_EXPORT void beVersion(PBE_VERSION version) {
  if (version == nullptr) return;
  std::memset(version, 0, sizeof *version);
  lame_version_t engine;
  get_lame_version_numerical(&engine);
  version->byDLLMajorVersion = 1;
  version->byDLLMinorVersion = 32;
  version->byMajorVersion = static_cast<BYTE>(engine.major);
  version->byMinorVersion = static_cast<BYTE>(engine.minor);
  version->byAlphaLevel = static_cast<BYTE>(engine.alpha);
  version->byBetaLevel = static_cast<BYTE>(engine.beta);
  version->byMMXEnabled = 0;
  std::strncpy(version->zHomepage, get_lame_url(), sizeof version->zHomepage - 1);
}

// The Xing header is written by libmp3lame at the stream's end when it was asked for at
// configuration; there is nothing to add to a finished file afterwards.
QH_LAME_EXPORT BE_ERR beWriteVBRHeader(LPCSTR mp3File) {
  return mp3File == nullptr ? BE_ERR_INVALID_FORMAT_PARAMETERS : BE_ERR_SUCCESSFUL;
}
