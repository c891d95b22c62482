// The scanners' view of a media file: an open file read at 64-bit positions, with the bytes read
// counted for the whole process so that a benchmark can see what a scan costs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/core/File.h"

class tMediaFileReader {
 public:
  // Opens for reading; others may read but not write. False when the file cannot be opened.
  bool Open(const char* filePath);
  ~tMediaFileReader();

  uint64_t Length() const { return length_; }
  // Reads up to `count` bytes at `position`; the number read (0 past the end or on an error).
  size_t ReadAt(uint64_t position, void* buffer, size_t count);
  // Reads exactly `count` bytes at `position`; false when the file holds fewer.
  bool ReadExactAt(uint64_t position, void* buffer, size_t count) { return ReadAt(position, buffer, count) == count; }

  // Bytes all readers of the process have read so far.
  static uint64_t TotalBytesRead();

 private:
  CFile file_;
  uint64_t length_ = 0;
  uint64_t position_ = 0;
};

inline uint16_t ReadLittle16(const unsigned char* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
inline uint32_t ReadLittle32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}
inline uint16_t ReadBig16(const unsigned char* bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }
