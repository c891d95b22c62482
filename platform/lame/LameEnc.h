// The encoder-DLL interface of the MP3 encoder, as the system loads it at run time from "lame_enc.dll"
// (here lame_enc.so, built from this folder over libmp3lame). Records are packed and laid out as the
// published interface has them: BE_CONFIG is 331 bytes, BE_VERSION 265.
#pragma once

#include "platform/core/WinTypes.h"

#define BE_CONFIG_MP3 0
#define BE_CONFIG_LAME 256

#define BE_ERR_SUCCESSFUL 0x00000000u
#define BE_ERR_INVALID_FORMAT 0x00000001u
#define BE_ERR_INVALID_FORMAT_PARAMETERS 0x00000002u
#define BE_ERR_NO_MORE_HANDLES 0x00000003u
#define BE_ERR_INVALID_HANDLE 0x00000004u
#define BE_ERR_BUFFER_TOO_SMALL 0x00000005u

#define BE_MP3_MODE_STEREO 0
#define BE_MP3_MODE_JSTEREO 1
#define BE_MP3_MODE_DUALCHANNEL 2
#define BE_MP3_MODE_MONO 3

#define MPEG1 1
#define MPEG2 0

#define CURRENT_STRUCT_VERSION 1
#define CURRENT_STRUCT_SIZE 331

// Presets of nPreset.
#define LQP_NOPRESET (-1)
#define LQP_NORMAL_QUALITY 0
#define LQP_LOW_QUALITY 1
#define LQP_HIGH_QUALITY 2
#define LQP_VOICE_QUALITY 3

using BE_ERR = DWORD;
using HBE_STREAM = DWORD;
using PHBE_STREAM = HBE_STREAM*;

#pragma pack(push, 1)
struct BE_CONFIG_LHV1 {
  DWORD dwStructVersion;
  DWORD dwStructSize;
  DWORD dwSampleRate;
  DWORD dwReSampleRate;
  LONG nMode;
  DWORD dwBitrate;
  DWORD dwMaxBitrate;
  LONG nPreset;
  DWORD dwMpegVersion;
  DWORD dwPsyModel;
  DWORD dwEmphasis;
  BOOL bPrivate;
  BOOL bCRC;
  BOOL bCopyright;
  BOOL bOriginal;
  BOOL bWriteVBRHeader;
  BOOL bEnableVBR;
  INT nVBRQuality;
  DWORD dwVbrAbr_bps;
  INT nVbrMethod;
  BOOL bNoRes;
  BOOL bStrictIso;
  WORD nQuality;
  BYTE btReserved[255 - 4 * sizeof(DWORD) - sizeof(WORD)];
};

struct BE_CONFIG {
  DWORD dwConfig;
  union {
    BE_CONFIG_LHV1 LHV1;
  } format;
};

struct BE_VERSION {
  BYTE byDLLMajorVersion;
  BYTE byDLLMinorVersion;
  BYTE byMajorVersion;
  BYTE byMinorVersion;
  BYTE byDay;
  BYTE byMonth;
  WORD wYear;
  char zHomepage[129];
  BYTE byAlphaLevel;
  BYTE byBetaLevel;
  BYTE byMMXEnabled;
  BYTE btReserved[125];
};
#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331, "the published configuration record is 331 bytes");
static_assert(sizeof(BE_VERSION) == 265, "the published version record");

using PBE_CONFIG = BE_CONFIG*;
using PBE_VERSION = BE_VERSION*;

// The entry points, as GetProcAddress hands them out.
using BEINITSTREAM = BE_ERR (*)(PBE_CONFIG config, DWORD* samples, DWORD* bufferSize, PHBE_STREAM stream);
using BEENCODECHUNK = BE_ERR (*)(HBE_STREAM stream, DWORD samples, SHORT* pcm, BYTE* output, DWORD* outputBytes);
using BEDEINITSTREAM = BE_ERR (*)(HBE_STREAM stream, BYTE* output, DWORD* outputBytes);
using BECLOSESTREAM = BE_ERR (*)(HBE_STREAM stream);
using BEVERSION = void (*)(PBE_VERSION version);
using BEWRITEVBRHEADER = BE_ERR (*)(LPCSTR mp3File);
