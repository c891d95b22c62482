// The key order of the system's name maps: character by character after lower-casing (a-z only),
// a text that is a prefix of another first.
#pragma once

#include <string_view>

#include "platform/core/CString.h"

struct NoCaseLess {
  static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
  bool operator()(std::string_view a, std::string_view b) const {
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
      auto ca = static_cast<unsigned char>(Lower(a[i]));
      auto cb = static_cast<unsigned char>(Lower(b[i]));
      if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
  }
  bool operator()(const CString& a, const CString& b) const { return (*this)(a.view(), b.view()); }
  using is_transparent = void;
};
