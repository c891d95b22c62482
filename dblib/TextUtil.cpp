#include "dblib/TextUtil.h"

#include <cctype>
#include <cstdio>

namespace {

template <typename Text>
Text DoubleApostrophes(const Text& text) {
  Text quoted;
  for (int i = 0; i < static_cast<int>(text.size()); ++i) {
    char ch = text[i];
    quoted += ch;
    if (ch == '\'') quoted += '\'';
  }
  return quoted;
}

bool IsAsciiAlnum(char ch) {
  unsigned char byte = static_cast<unsigned char>(ch);
  return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

}  // namespace

CString SqlQuoteText(const CString& text) { return CString(DoubleApostrophes(text.str())); }

std::string SqlQuoteStd(const std::string& text) { return DoubleApostrophes(text); }

CString SqlLikeText(const CString& text) {
  std::string escaped;
  for (char ch : text.str()) {
    switch (ch) {
      case '\'': escaped += "''"; break;
      case '*':
      case '?':
      case '#':
      case '[':
        escaped += '[';
        escaped += ch;
        escaped += ']';
        break;
      default: escaped += ch;
    }
  }
  return CString(std::move(escaped));
}

CString XmlEscape(const CString& text) {
  CString escaped(text);
  escaped.Replace("&", "&amp;");
  escaped.Replace("<", "&lt;");
  escaped.Replace(">", "&gt;");
  return escaped;
}

std::string XmlEscapeStd(const std::string& text) {
  std::string escaped;
  for (char ch : text) {
    switch (ch) {
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '&': escaped += "&amp;"; break;
      default: escaped += ch;
    }
  }
  return escaped;
}

CString XmlEscapeText(const CString& text) { return CString(XmlEscapeStd(text.str())); }

CString DoubleAmpersands(const CString& text) {
  const std::string& in = text.str();
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '&') {
      out += in[i];
    } else if (i + 1 < in.size() && in[i + 1] == '&') {
      out += "&&";
      ++i;
    } else {
      out += "&&";
    }
  }
  return CString(std::move(out));
}

CString GuidToString(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return CString(text);
}

CString KeepAlphanumerics(const CString& text) {
  std::string out = text.str();
  for (char& ch : out)
    if (!IsAsciiAlnum(ch)) ch = ' ';
  return CString(std::move(out));
}

void SplitFilePath(const CString& path, CString& folder, CString& name, CString& extension) {
  folder.Empty();
  name.Empty();
  extension.Empty();
  CString rest = path;
  int slash = path.ReverseFind('\\');
  if (slash >= 1) {
    folder = path.Left(slash);
    rest = path.Mid(slash + 1);
  } else if (slash == 0) {
    folder = "\\";
    rest = path.Mid(1);
  }
  int dot = rest.ReverseFind('.');
  if (dot >= 1) {
    name = rest.Left(dot);
    extension = rest.Mid(dot + 1);
  } else {
    name = rest;
  }
}

double UInt64ToDouble(DWORD low, DWORD high) {
  auto count = static_cast<LONGLONG>((static_cast<ULONGLONG>(high) << 32) | low);
  return static_cast<double>(count);
}

bool NoCaseCharEqual(char a, char b) {
  return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}
