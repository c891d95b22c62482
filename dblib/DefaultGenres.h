// The default genre table: the names of the ID3 version 1 genre bytes 0 to 147, then the end marker.
// New databases get one reserved song type per name, and scanners and exporters map genre bytes with it.
#pragma once

inline constexpr int kDefaultGenreCount = 148;
inline constexpr const char* kDefaultGenreEnd = "*EOF*";

// kDefaultGenres[kDefaultGenreCount] is the end marker.
extern const char* const kDefaultGenres[kDefaultGenreCount + 1];
