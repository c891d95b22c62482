// Code page 1252, the system's single-byte text encoding, and its meeting point with UTF-8.
//
// Every byte has a code point: the 27 printable characters of 0x80-0x9F map to their Unicode
// characters, the five bytes the code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the control characters of the same value, and every other byte is its own code point. So any
// byte string survives the trip to UTF-8 and back unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The code point of one byte of 1252 text.
char32_t Cp1252ToCodePoint(unsigned char byte);

// The byte that holds a code point in 1252; false when the code page has none for it.
bool CodePointToCp1252(char32_t codePoint, unsigned char* byte);

// 1252 text to UTF-8.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 text to 1252. A character the code page cannot hold, and every byte of a malformed UTF-8
// sequence, becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// UTF-8 text to 1252 without loss: false, and `out` left empty, when some character cannot be held
// or the text is not well-formed UTF-8. For names that must never be silently changed.
bool Utf8ToCp1252Exact(std::string_view utf8, std::string* out);

// Case mapping of single letters; bytes without a counterpart in the code page stay as they are
// (German sharp s, micro sign, florin sign).
unsigned char Cp1252ToUpper(unsigned char byte);
unsigned char Cp1252ToLower(unsigned char byte);
void Cp1252MakeUpper(std::string& text);
void Cp1252MakeLower(std::string& text);

// Case-insensitive order of two texts: each byte is lower-cased, then compared by value; a text that
// is a prefix of the other orders first. Returns <0, 0 or >0. The byte-range form serves as the
// database's text collation.
int Cp1252CompareNoCase(const void* a, std::size_t aLength, const void* b, std::size_t bLength);
int Cp1252CompareNoCase(std::string_view a, std::string_view b);
bool Cp1252EqualNoCase(std::string_view a, std::string_view b);
