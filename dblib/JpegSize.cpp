// Segments are walked by their lengths up to the first baseline, extended, progressive or lossless
// frame header. Fill bytes (0xFF runs before a marker) are skipped, and application segments are passed
// over whatever they hold: covers often carry EXIF, JFXX or AVI1 segments instead of a JFIF one.
#include "dblib/JpegSize.h"

#include <cstdint>

#include "dblib/MediaFileReader.h"

namespace {

bool HasNoLength(unsigned char marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

}  // namespace

int GetJpegSize(const CString& filePath, int& width, int& height) {
  tMediaFileReader file;
  if (!file.Open(filePath)) return -7;
  unsigned char start[2];
  if (!file.ReadExactAt(0, start, sizeof start) || start[0] != 0xFF || start[1] != 0xD8) return -1;
  uint64_t position = 2;
  for (;;) {
    unsigned char byte;
    if (!file.ReadExactAt(position, &byte, 1)) return -12;
    if (byte != 0xFF) return -8;
    // Any number of fill bytes may stand before the marker code.
    unsigned char marker = 0xFF;
    while (marker == 0xFF) {
      if (!file.ReadExactAt(++position, &marker, 1)) return -12;
    }
    ++position;
    if (HasNoLength(marker)) continue;
    if (marker == 0xD9) return -10;
    unsigned char lengthBytes[2];
    if (!file.ReadExactAt(position, lengthBytes, 2)) return -12;
    uint16_t length = ReadBig16(lengthBytes);
    if (length < 2) return -2;
    if (marker >= 0xC0 && marker <= 0xC3) {
      unsigned char frame[5];
      if (!file.ReadExactAt(position + 2, frame, sizeof frame)) return -12;
      height = ReadBig16(frame + 1);
      width = ReadBig16(frame + 3);
      return 0;
    }
    position += length;
  }
}
