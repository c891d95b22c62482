// qh_strc: compiles a string-table source into C++ that registers the table at start-up.
//
//   qh_strc <strings.txt> <output.cpp>
//
// The source is UTF-8 text, one entry a line: a string id (0 to 65535), blanks, and the text in
// double quotes. A line that starts with blanks and a quote continues the text of the entry above.
// Blank lines and lines starting with '#' are comments. Escapes in texts: \n \r \t \\ \" and \xHH
// (one byte of code page 1252). Every text must be representable in code page 1252; a duplicate id,
// a malformed line or a character outside the code page stops the build with "file:line: reason".
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/core/Cp1252.h"

namespace {

constexpr unsigned long kMaxStringId = 65535;

class SourceError : public std::runtime_error {
 public:
  SourceError(int line, const std::string& reason) : std::runtime_error(reason), m_line(line) {}
  int line() const { return m_line; }

 private:
  int m_line;
};

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the quoted text at line[pos] and returns it in 1252; escapes give 1252 bytes directly.
std::string readQuoted(const std::string& line, std::size_t pos, int lineNumber) {
  if (pos >= line.size() || line[pos] != '"') throw SourceError(lineNumber, "a quoted text must follow");
  std::string text;     // 1252
  std::string pending;  // UTF-8 not yet converted
  auto flush = [&]() {
    std::string converted;
    if (!Utf8ToCp1252Exact(pending, &converted))
      throw SourceError(lineNumber, "text holds a character that code page 1252 cannot hold");
    text += converted;
    pending.clear();
  };
  for (++pos; pos < line.size(); ++pos) {
    const char c = line[pos];
    if (c == '"') {
      flush();
      if (line.find_first_not_of(" \t", pos + 1) != std::string::npos)
        throw SourceError(lineNumber, "unexpected characters after the closing quote");
      return text;
    }
    if (c != '\\') {
      pending += c;
      continue;
    }
    if (++pos >= line.size()) break;
    switch (line[pos]) {
      case 'n': pending += '\n'; break;
      case 'r': pending += '\r'; break;
      case 't': pending += '\t'; break;
      case '\\': pending += '\\'; break;
      case '"': pending += '"'; break;
      case 'x': {
        const int high = pos + 1 < line.size() ? hexDigit(line[pos + 1]) : -1;
        const int low = pos + 2 < line.size() ? hexDigit(line[pos + 2]) : -1;
        if (high < 0 || low < 0) throw SourceError(lineNumber, "\\x needs two hexadecimal digits");
        if (high == 0 && low == 0) throw SourceError(lineNumber, "a text cannot hold a NUL byte");
        flush();
        text += static_cast<char>(high * 16 + low);
        pos += 2;
        break;
      }
      default: throw SourceError(lineNumber, std::string("unknown escape \\") + line[pos]);
    }
  }
  throw SourceError(lineNumber, "the text has no closing quote");
}

std::map<unsigned long, std::string> readSource(std::istream& in) {
  std::map<unsigned long, std::string> table;
  std::string line;
  int lineNumber = 0;
  auto last = table.end();
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    if (line[first] == '"') {
      if (first == 0 || last == table.end()) throw SourceError(lineNumber, "a continued text needs an entry above it");
      last->second += readQuoted(line, first, lineNumber);
      continue;
    }
    if (first != 0) throw SourceError(lineNumber, "an entry starts at the beginning of its line");
    std::size_t digitsEnd = 0;
    while (digitsEnd < line.size() && line[digitsEnd] >= '0' && line[digitsEnd] <= '9') ++digitsEnd;
    if (digitsEnd == 0 || digitsEnd > 5) throw SourceError(lineNumber, "an entry starts with its string id");
    const unsigned long id = std::stoul(line.substr(0, digitsEnd));
    if (id > kMaxStringId) throw SourceError(lineNumber, "string id above 65535");
    const std::size_t quote = line.find_first_not_of(" \t", digitsEnd);
    if (quote == digitsEnd) throw SourceError(lineNumber, "blanks must separate the id from its text");
    if (table.count(id)) throw SourceError(lineNumber, "string id " + std::to_string(id) + " appears twice");
    last = table.emplace(id, readQuoted(line, quote == std::string::npos ? line.size() : quote, lineNumber)).first;
  }
  return table;
}

// A C++ string literal of 1252 bytes; octal escapes cannot run into the next character.
std::string literal(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\' && c != '?') {
      out += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", byte);
      out += escape;
    }
  }
  return out + "\"";
}

std::string generate(const std::map<unsigned long, std::string>& table, const std::string& sourceName) {
  std::ostringstream out;
  out << "// Generated by qh_strc from " << sourceName << "; do not edit.\n"
      << "#include \"platform/core/StringTable.h\"\n\n"
      << "namespace {\n\n";
  if (table.empty()) {
    out << "}  // namespace\n";
    return out.str();
  }
  out << "const QhStringEntry kStrings[] = {\n";
  for (const auto& [id, text] : table) out << "    {" << id << "u, " << literal(text) << ", " << text.size() << "u},\n";
  out << "};\n\n"
      << "const QhStringTableRegistration kRegistration(kStrings, sizeof kStrings / sizeof kStrings[0]);\n\n"
      << "}  // namespace\n";
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: qh_strc <strings.txt> <output.cpp>\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << argv[1] << ": cannot be read\n";
    return 1;
  }
  std::string code;
  try {
    code = generate(readSource(in), argv[1]);
  } catch (const SourceError& error) {
    std::cerr << argv[1] << ":" << error.line() << ": " << error.what() << "\n";
    return 1;
  }
  // Write beside the target and rename, so that a failed run never leaves half a table.
  const std::string temporary = std::string(argv[2]) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << code;
    if (!out.flush()) {
      std::cerr << temporary << ": cannot be written\n";
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), argv[2]) != 0) {
    std::cerr << argv[2] << ": cannot be written\n";
    return 1;
  }
  return 0;
}
