// The pixel size of a JPEG cover, read from its frame header without decoding the image.
#pragma once

#include "platform/core/CString.h"

// 0 and the size, or: -1 not a JPEG (no start-of-image marker), -2 a segment length below 2, -10 the
// image ends before a frame header, -12 the file ends before one, -7 the file cannot be opened or read,
// -8 a byte where a marker must be is not a marker.
int GetJpegSize(const CString& filePath, int& width, int& height);
