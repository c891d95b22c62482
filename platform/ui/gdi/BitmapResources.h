// Bitmap resources of a program: files named by resource id ("424.png" or "424.bmp") in the folders the
// program registers at start (its resources/<program>/bitmaps folder). LoadBitmap looks in them in the
// order they were added.
#pragma once

#include <optional>
#include <string>

#include "platform/ui/gdi/Surface.h"

namespace qh::gdi {

void AddBitmapFolder(const std::string& folder);
void ClearBitmapFolders();
// The file that holds bitmap resource `id`, if any registered folder has one.
std::optional<std::string> FindBitmapFile(unsigned id);

// Reads an uncompressed Windows BMP (1, 4, 8, 24 or 32 bits per pixel). Nothing (with `error` set) for
// a file that is missing, truncated or of a kind not read here.
std::optional<Surface> ReadBmp(const std::string& path, std::string* error = nullptr);
// Reads a PNG or BMP file, chosen by its first bytes.
std::optional<Surface> ReadImageFile(const std::string& path, std::string* error = nullptr);

}  // namespace qh::gdi
