#include "dblib/MediaFileReader.h"

#include <algorithm>
#include <atomic>
#include <climits>

namespace {
std::atomic<uint64_t> g_bytesRead{0};
}

bool tMediaFileReader::Open(const char* filePath) {
  CFileException error;
  if (filePath == nullptr || !file_.Open(filePath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, &error))
    return false;
  try {
    length_ = file_.GetLength();
  } catch (CFileException* e) {
    e->Delete();
    file_.Abort();
    return false;
  }
  return true;
}

tMediaFileReader::~tMediaFileReader() { file_.Abort(); }

size_t tMediaFileReader::ReadAt(uint64_t position, void* buffer, size_t count) {
  if (!file_.IsOpen() || position >= length_) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, length_ - position));
  size_t done = 0;
  try {
    if (position != position_) position_ = file_.Seek(static_cast<LONGLONG>(position), CFile::begin);
    while (done < count) {
      UINT chunk = static_cast<UINT>(std::min<size_t>(count - done, UINT_MAX));
      UINT got = file_.Read(static_cast<char*>(buffer) + done, chunk);
      if (got == 0) break;
      done += got;
    }
  } catch (CFileException* e) {
    e->Delete();
    position_ = UINT64_MAX;  // unknown after a failed seek or read: the next read seeks
    g_bytesRead += done;
    return done;
  }
  position_ = position + done;
  g_bytesRead += done;
  return done;
}

uint64_t tMediaFileReader::TotalBytesRead() { return g_bytesRead.load(); }
