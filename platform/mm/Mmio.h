// Multimedia file I/O over RIFF files: buffered reading and writing, descending into and ascending out
// of chunks. Ascending out of a chunk that was created (or written to) fixes its size and pads it to
// an even length; a file closed without ascending keeps the sizes it had. Paths are the system's.
#pragma once

#include "platform/mm/MmSystem.h"

QH_DECLARE_HANDLE(HMMIO);

#define MMIO_READ 0x00000000u
#define MMIO_WRITE 0x00000001u
#define MMIO_READWRITE 0x00000002u
#define MMIO_CREATE 0x00001000u
#define MMIO_ALLOCBUF 0x00010000u

#define MMIO_FINDCHUNK 0x0010u
#define MMIO_FINDRIFF 0x0020u
#define MMIO_FINDLIST 0x0040u
#define MMIO_CREATERIFF 0x0020u
#define MMIO_CREATELIST 0x0040u
#define MMIO_DIRTY 0x10000000u

#define MMIOERR_BASE 256u
#define MMIOERR_FILENOTFOUND (MMIOERR_BASE + 1)
#define MMIOERR_CANNOTOPEN (MMIOERR_BASE + 3)
#define MMIOERR_CANNOTREAD (MMIOERR_BASE + 5)
#define MMIOERR_CANNOTWRITE (MMIOERR_BASE + 6)
#define MMIOERR_CANNOTSEEK (MMIOERR_BASE + 7)
#define MMIOERR_CHUNKNOTFOUND (MMIOERR_BASE + 9)

#define FOURCC_RIFF mmioFOURCC('R', 'I', 'F', 'F')
#define FOURCC_LIST mmioFOURCC('L', 'I', 'S', 'T')

struct MMCKINFO {
  FOURCC ckid = 0;
  DWORD cksize = 0;
  FOURCC fccType = 0;
  DWORD dwDataOffset = 0;
  DWORD dwFlags = 0;
};
using LPMMCKINFO = MMCKINFO*;

struct MMIOINFO;
using LPMMIOINFO = MMIOINFO*;

// null on failure (the reason in info->wErrorRet when info is given is not kept: callers only test it).
HMMIO mmioOpen(LPSTR fileName, LPMMIOINFO info, DWORD flags);
MMRESULT mmioClose(HMMIO mmio, UINT flags);
// Bytes read (0 at the end of the file), -1 on an error.
LONG mmioRead(HMMIO mmio, char* buffer, LONG count);
LONG mmioWrite(HMMIO mmio, const char* buffer, LONG count);
// The new position, -1 on an error. origin SEEK_SET, SEEK_CUR or SEEK_END.
LONG mmioSeek(HMMIO mmio, LONG offset, int origin);
MMRESULT mmioDescend(HMMIO mmio, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags);
MMRESULT mmioAscend(HMMIO mmio, LPMMCKINFO chunk, UINT flags);
MMRESULT mmioCreateChunk(HMMIO mmio, LPMMCKINFO chunk, UINT flags);
