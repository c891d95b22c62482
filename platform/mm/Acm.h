// The Audio Compression Manager subset: finding a codec by format tag, driver details, format
// suggestion and conversion streams. Two codecs are built in: "MS-ADPCM" (format tag 2, encoding
// 16-bit PCM through libsndfile's Microsoft ADPCM coder) and "PCM Converter" (tag 1: sample rate
// through libsamplerate, channels 1 <-> 2, 8 <-> 16 bits).
#pragma once

#include "platform/mm/MmSystem.h"

QH_DECLARE_HANDLE(HACMDRIVERID);
QH_DECLARE_HANDLE(HACMDRIVER);
QH_DECLARE_HANDLE(HACMSTREAM);
using HACMOBJ = void*;
using LPHACMDRIVER = HACMDRIVER*;
using LPHACMSTREAM = HACMSTREAM*;

#define ACMERR_BASE 512u
#define ACMERR_NOTPOSSIBLE (ACMERR_BASE + 0)
#define ACMERR_BUSY (ACMERR_BASE + 1)
#define ACMERR_UNPREPARED (ACMERR_BASE + 2)

#define ACM_METRIC_COUNT_DRIVERS 1u
#define ACM_METRIC_COUNT_CODECS 2u
#define ACM_METRIC_MAX_SIZE_FORMAT 50u

#define ACMDRIVERDETAILS_SUPPORTF_CODEC 0x00000001u
#define ACMDRIVERDETAILS_SUPPORTF_CONVERTER 0x00000002u

#define ACM_FORMATENUMF_WFORMATTAG 0x00010000u
#define ACM_FORMATSUGGESTF_WFORMATTAG 0x00010000u
#define ACM_FORMATSUGGESTF_NCHANNELS 0x00020000u
#define ACM_FORMATSUGGESTF_NSAMPLESPERSEC 0x00040000u
#define ACM_FORMATSUGGESTF_WBITSPERSAMPLE 0x00080000u

#define ACM_STREAMOPENF_NONREALTIME 0x00000004u
#define ACM_STREAMSIZEF_SOURCE 0x00000000u
#define ACM_STREAMSIZEF_DESTINATION 0x00000001u
#define ACM_STREAMCONVERTF_BLOCKALIGN 0x00000004u
#define ACM_STREAMCONVERTF_START 0x00000010u
#define ACM_STREAMCONVERTF_END 0x00000020u
#define ACMSTREAMHEADER_STATUSF_DONE 0x00010000u
#define ACMSTREAMHEADER_STATUSF_PREPARED 0x00020000u

#define ACMDRIVERDETAILS_SHORTNAME_CHARS 32
#define ACMDRIVERDETAILS_LONGNAME_CHARS 128
#define ACMFORMATDETAILS_FORMAT_CHARS 128

struct ACMDRIVERDETAILS {
  DWORD cbStruct;
  FOURCC fccType;
  FOURCC fccComp;
  WORD wMid;
  WORD wPid;
  DWORD vdwACM;
  DWORD vdwDriver;
  DWORD fdwSupport;
  DWORD cFormatTags;
  DWORD cFilterTags;
  HICON hicon;
  char szShortName[ACMDRIVERDETAILS_SHORTNAME_CHARS];
  char szLongName[ACMDRIVERDETAILS_LONGNAME_CHARS];
  char szCopyright[80];
  char szLicensing[128];
  char szFeatures[512];
};
using LPACMDRIVERDETAILS = ACMDRIVERDETAILS*;

struct ACMFORMATDETAILS {
  DWORD cbStruct;
  DWORD dwFormatIndex;
  DWORD dwFormatTag;
  DWORD fdwSupport;
  LPWAVEFORMATEX pwfx;
  DWORD cbwfx;
  char szFormat[ACMFORMATDETAILS_FORMAT_CHARS];
};
using LPACMFORMATDETAILS = ACMFORMATDETAILS*;

struct ACMSTREAMHEADER {
  DWORD cbStruct;
  DWORD fdwStatus;
  DWORD_PTR dwUser;
  LPBYTE pbSrc;
  DWORD cbSrcLength;
  DWORD cbSrcLengthUsed;
  DWORD_PTR dwSrcUser;
  LPBYTE pbDst;
  DWORD cbDstLength;
  DWORD cbDstLengthUsed;
  DWORD_PTR dwDstUser;
  DWORD dwReservedDriver[10];
};
using LPACMSTREAMHEADER = ACMSTREAMHEADER*;

struct WAVEFILTER;
using LPWAVEFILTER = WAVEFILTER*;

using ACMFORMATENUMCB = BOOL (*)(HACMDRIVERID driverId, LPACMFORMATDETAILS details, DWORD_PTR instance,
                                 DWORD support);

// With obj null: ACM_METRIC_COUNT_DRIVERS, ACM_METRIC_COUNT_CODECS and ACM_METRIC_MAX_SIZE_FORMAT over
// all drivers; with a driver (id or open handle): ACM_METRIC_MAX_SIZE_FORMAT of that driver.
MMRESULT acmMetrics(HACMOBJ obj, UINT metric, LPVOID value);
// Calls back once per format of the tag in details->dwFormatTag (with ACM_FORMATENUMF_WFORMATTAG) until
// the callback returns FALSE.
MMRESULT acmFormatEnum(HACMDRIVER driver, LPACMFORMATDETAILS details, ACMFORMATENUMCB callback, DWORD_PTR instance,
                       DWORD flags);
MMRESULT acmDriverDetails(HACMDRIVERID driverId, LPACMDRIVERDETAILS details, DWORD flags);
MMRESULT acmDriverOpen(LPHACMDRIVER driver, HACMDRIVERID driverId, DWORD flags);
MMRESULT acmDriverClose(HACMDRIVER driver, DWORD flags);
MMRESULT acmFormatSuggest(HACMDRIVER driver, LPWAVEFORMATEX source, LPWAVEFORMATEX destination, DWORD destinationSize,
                          DWORD flags);
MMRESULT acmStreamOpen(LPHACMSTREAM stream, HACMDRIVER driver, LPWAVEFORMATEX source, LPWAVEFORMATEX destination,
                       LPWAVEFILTER filter, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, LPDWORD output, DWORD flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags);
// With ACM_STREAMCONVERTF_BLOCKALIGN only whole blocks are consumed (cbSrcLengthUsed may be less than
// cbSrcLength); without it everything given is converted and a partial block is completed, so the
// last piece of a file is converted without the flag (or with ACM_STREAMCONVERTF_END).
MMRESULT acmStreamConvert(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags);
MMRESULT acmStreamClose(HACMSTREAM stream, DWORD flags);
// "%u.%02u build %u" of the manager's own version packed as 0xMMmmBBBB.
DWORD acmGetVersion();
