#include "controller/XmlText.h"

#include <string>

CString XmlEscapeText(const CString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.GetLength()));
  for (char c : text.view()) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '&': out += "&amp;"; break;
      default: {
        auto byte = static_cast<unsigned char>(c);
        bool allowed = byte >= 0x20 || c == '\t' || c == '\n' || c == '\r';
        out += allowed ? c : ' ';
      }
    }
  }
  return CString(out.c_str(), static_cast<int>(out.size()));
}
