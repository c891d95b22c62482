#include "platform/mm/Mmio.h"

#include <cstdio>
#include <limits>

#include "platform/core/Paths.h"

struct MMIOINFO {
  int unused;
};

namespace {

struct MmioFile {
  FILE* file = nullptr;
  bool writable = false;
};

MmioFile* FileOf(HMMIO mmio) { return reinterpret_cast<MmioFile*>(mmio); }

long Tell(MmioFile* file) { return std::ftell(file->file); }

bool ReadDword(FILE* file, DWORD* value) {
  BYTE bytes[4];
  if (std::fread(bytes, 1, 4, file) != 4) return false;
  *value = static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
           (static_cast<DWORD>(bytes[3]) << 24);
  return true;
}

bool WriteDword(FILE* file, DWORD value) {
  BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                   static_cast<BYTE>(value >> 24)};
  return std::fwrite(bytes, 1, 4, file) == 4;
}

bool IsListForm(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }

// Reads one chunk header at the current position into `chunk`.
bool ReadChunkHeader(FILE* file, MMCKINFO* chunk) {
  long start = std::ftell(file);
  if (!ReadDword(file, &chunk->ckid) || !ReadDword(file, &chunk->cksize)) return false;
  chunk->fccType = 0;
  chunk->dwFlags = 0;
  if (IsListForm(chunk->ckid)) {
    if (!ReadDword(file, &chunk->fccType)) return false;
  }
  chunk->dwDataOffset = static_cast<DWORD>(start + 8);
  return true;
}

}  // namespace

HMMIO mmioOpen(LPSTR fileName, LPMMIOINFO, DWORD flags) {
  if (fileName == nullptr) return nullptr;
  std::string host = qh::HostPathOf(fileName);
  if (host.empty()) return nullptr;
  const char* mode = "rb";
  if (flags & MMIO_CREATE) mode = (flags & MMIO_READWRITE) ? "w+b" : "wb";
  else if (flags & (MMIO_WRITE | MMIO_READWRITE)) mode = "r+b";
  FILE* file = std::fopen(host.c_str(), mode);
  if (file == nullptr) return nullptr;
  auto* mmio = new MmioFile{file, (flags & (MMIO_WRITE | MMIO_READWRITE | MMIO_CREATE)) != 0};
  return reinterpret_cast<HMMIO>(mmio);
}

MMRESULT mmioClose(HMMIO mmio, UINT) {
  MmioFile* file = FileOf(mmio);
  if (file == nullptr) return MMSYSERR_INVALHANDLE;
  int result = std::fclose(file->file);
  delete file;
  return result == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

LONG mmioRead(HMMIO mmio, char* buffer, LONG count) {
  MmioFile* file = FileOf(mmio);
  if (file == nullptr || count < 0) return -1;
  size_t got = std::fread(buffer, 1, static_cast<size_t>(count), file->file);
  if (got < static_cast<size_t>(count) && std::ferror(file->file)) return -1;
  return static_cast<LONG>(got);
}

LONG mmioWrite(HMMIO mmio, const char* buffer, LONG count) {
  MmioFile* file = FileOf(mmio);
  if (file == nullptr || !file->writable || count < 0) return -1;
  return std::fwrite(buffer, 1, static_cast<size_t>(count), file->file) == static_cast<size_t>(count) ? count : -1;
}

LONG mmioSeek(HMMIO mmio, LONG offset, int origin) {
  MmioFile* file = FileOf(mmio);
  if (file == nullptr || std::fseek(file->file, offset, origin) != 0) return -1;
  long position = Tell(file);
  return position > std::numeric_limits<LONG>::max() ? -1 : static_cast<LONG>(position);
}

MMRESULT mmioDescend(HMMIO mmio, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags) {
  MmioFile* file = FileOf(mmio);
  if (file == nullptr || chunk == nullptr) return MMSYSERR_INVALPARAM;
  // A search never leaves the parent: its end bounds every chunk header read.
  uint64_t end = parent != nullptr ? static_cast<uint64_t>(parent->dwDataOffset) + parent->cksize
                                   : std::numeric_limits<uint64_t>::max();
  FOURCC wantId = chunk->ckid;
  FOURCC wantType = chunk->fccType;
  for (;;) {
    long start = Tell(file);
    if (start < 0 || static_cast<uint64_t>(start) + 8 > end) return MMIOERR_CHUNKNOTFOUND;
    MMCKINFO found;
    if (!ReadChunkHeader(file->file, &found)) return MMIOERR_CHUNKNOTFOUND;
    bool match = true;
    if (flags & MMIO_FINDRIFF) match = found.ckid == FOURCC_RIFF && found.fccType == wantType;
    else if (flags & MMIO_FINDLIST) match = found.ckid == FOURCC_LIST && found.fccType == wantType;
    else if (flags & MMIO_FINDCHUNK) match = found.ckid == wantId;
    if (match) {
      *chunk = found;
      return MMSYSERR_NOERROR;
    }
    uint64_t next = static_cast<uint64_t>(found.dwDataOffset) + found.cksize + (found.cksize & 1);
    if (next > end || next > static_cast<uint64_t>(std::numeric_limits<long>::max()) ||
        std::fseek(file->file, static_cast<long>(next), SEEK_SET) != 0) {
      return MMIOERR_CHUNKNOTFOUND;
    }
  }
}

MMRESULT mmioAscend(HMMIO mmio, LPMMCKINFO chunk, UINT) {
  MmioFile* file = FileOf(mmio);
  if (file == nullptr || chunk == nullptr) return MMSYSERR_INVALPARAM;
  if (chunk->dwFlags & MMIO_DIRTY) {
    long end = Tell(file);
    if (end < 0) return MMIOERR_CANNOTSEEK;
    DWORD size = static_cast<DWORD>(end) - chunk->dwDataOffset;
    if ((size & 1) && std::fputc(0, file->file) == EOF) return MMIOERR_CANNOTWRITE;
    if (std::fseek(file->file, static_cast<long>(chunk->dwDataOffset) - 4, SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
    if (!WriteDword(file->file, size)) return MMIOERR_CANNOTWRITE;
    chunk->cksize = size;
    chunk->dwFlags &= ~MMIO_DIRTY;
  }
  uint64_t next = static_cast<uint64_t>(chunk->dwDataOffset) + chunk->cksize + (chunk->cksize & 1);
  if (std::fseek(file->file, static_cast<long>(next), SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO mmio, LPMMCKINFO chunk, UINT flags) {
  MmioFile* file = FileOf(mmio);
  if (file == nullptr || chunk == nullptr || !file->writable) return MMSYSERR_INVALPARAM;
  if (flags & MMIO_CREATERIFF) chunk->ckid = FOURCC_RIFF;
  if (flags & MMIO_CREATELIST) chunk->ckid = FOURCC_LIST;
  long start = Tell(file);
  if (start < 0) return MMIOERR_CANNOTSEEK;
  if (!WriteDword(file->file, chunk->ckid) || !WriteDword(file->file, chunk->cksize)) return MMIOERR_CANNOTWRITE;
  chunk->dwDataOffset = static_cast<DWORD>(start + 8);
  if (IsListForm(chunk->ckid) && !WriteDword(file->file, chunk->fccType)) return MMIOERR_CANNOTWRITE;
  chunk->dwFlags = MMIO_DIRTY;
  return MMSYSERR_NOERROR;
}
