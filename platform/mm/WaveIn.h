// Wave-in recording: the host's capture devices through SDL2, and a "File Input" device that plays the
// PCM WAV file named by QH_WAVEIN_FILE as if it were a microphone (in real time, QH_CLOCK_RATE times
// faster when set; silence after the file's end, as a microphone never ends). Buffers are filled in the
// order they were added and handed back through the callback (WIM_DATA) from the device's own thread;
// waveInStop hands back the buffer being filled, waveInReset every queued buffer. Samples are given in
// the format asked for at open: the file's audio is converted (rate, channels, bits) as ACM's PCM
// converter does.
#pragma once

#include "platform/mm/MmSystem.h"

QH_DECLARE_HANDLE(HWAVEIN);
using LPHWAVEIN = HWAVEIN*;

#define WAVE_MAPPER (static_cast<UINT>(-1))
#define WAVE_FORMAT_QUERY 0x0001u
#define CALLBACK_NULL 0x00000000u
#define CALLBACK_WINDOW 0x00010000u
#define CALLBACK_FUNCTION 0x00030000u

#define WIM_OPEN 0x3BEu
#define WIM_CLOSE 0x3BFu
#define WIM_DATA 0x3C0u
#define MM_WIM_OPEN WIM_OPEN
#define MM_WIM_CLOSE WIM_CLOSE
#define MM_WIM_DATA WIM_DATA

#define WHDR_DONE 0x00000001u
#define WHDR_PREPARED 0x00000002u
#define WHDR_INQUEUE 0x00000010u

#define MMSYSERR_ALLOCATED 4u
#define WAVERR_BASE 32u
#define WAVERR_BADFORMAT (WAVERR_BASE + 0)
#define WAVERR_STILLPLAYING (WAVERR_BASE + 1)
#define WAVERR_UNPREPARED (WAVERR_BASE + 2)

#define WAVE_FORMAT_1M08 0x00000001u
#define WAVE_FORMAT_1S08 0x00000002u
#define WAVE_FORMAT_1M16 0x00000004u
#define WAVE_FORMAT_1S16 0x00000008u
#define WAVE_FORMAT_2M08 0x00000010u
#define WAVE_FORMAT_2S08 0x00000020u
#define WAVE_FORMAT_2M16 0x00000040u
#define WAVE_FORMAT_2S16 0x00000080u
#define WAVE_FORMAT_4M08 0x00000100u
#define WAVE_FORMAT_4S08 0x00000200u
#define WAVE_FORMAT_4M16 0x00000400u
#define WAVE_FORMAT_4S16 0x00000800u
#define MAXPNAMELEN 32

struct WAVEHDR {
  LPSTR lpData = nullptr;
  DWORD dwBufferLength = 0;
  DWORD dwBytesRecorded = 0;
  DWORD_PTR dwUser = 0;
  DWORD dwFlags = 0;
  DWORD dwLoops = 0;
  WAVEHDR* lpNext = nullptr;
  DWORD_PTR reserved = 0;
};
using LPWAVEHDR = WAVEHDR*;

struct WAVEINCAPS {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  char szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
};
using LPWAVEINCAPS = WAVEINCAPS*;

using WAVEINPROC = void (*)(HWAVEIN waveIn, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

UINT waveInGetNumDevs();
MMRESULT waveInGetDevCaps(UINT_PTR deviceId, LPWAVEINCAPS caps, UINT size);
MMRESULT waveInOpen(LPHWAVEIN waveIn, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags);
MMRESULT waveInPrepareHeader(HWAVEIN waveIn, LPWAVEHDR header, UINT size);
MMRESULT waveInUnprepareHeader(HWAVEIN waveIn, LPWAVEHDR header, UINT size);
MMRESULT waveInAddBuffer(HWAVEIN waveIn, LPWAVEHDR header, UINT size);
MMRESULT waveInStart(HWAVEIN waveIn);
MMRESULT waveInStop(HWAVEIN waveIn);
MMRESULT waveInReset(HWAVEIN waveIn);
MMRESULT waveInClose(HWAVEIN waveIn);
MMRESULT waveInGetErrorText(MMRESULT error, LPSTR text, UINT size);
