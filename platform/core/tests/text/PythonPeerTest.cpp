// Checks against an independent implementation: Python's codecs, uuid and email modules.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "platform/core/Cp1252.h"
#include "platform/core/DateTime.h"
#include "platform/core/Guid.h"
#include "platform/core/Rfc1123Date.h"
#include "platform/core/tests/text/RunCommand.h"

namespace {

std::string python(const std::string& program) {
  std::string output;
  const int status = RunCommand("python3 -c '" + program + "'", &output);
  EXPECT_EQ(status, 0) << output;
  return output;
}

TEST(PythonPeer, CodePointsOfTheAssignedBytesMatchPythonsCodec) {
  // Python's codec leaves the five unassigned bytes undefined; it prints "-" for them.
  const std::string output = python(
      "import sys\n"
      "for b in range(256):\n"
      "    try: print(ord(bytes([b]).decode(\"cp1252\")))\n"
      "    except UnicodeDecodeError: print(\"-\")\n");
  std::istringstream lines(output);
  std::string line;
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    ASSERT_TRUE(std::getline(lines, line));
    if (line == "-") {
      ++undefined;
      EXPECT_EQ(Cp1252ToCodePoint(static_cast<unsigned char>(b)), static_cast<char32_t>(b)) << "byte " << b;
    } else {
      EXPECT_EQ(Cp1252ToCodePoint(static_cast<unsigned char>(b)), static_cast<char32_t>(std::stoul(line))) << "byte " << b;
    }
  }
  EXPECT_EQ(undefined, 5);
}

TEST(PythonPeer, GuidMemoryLayoutIsTheLittleEndianFieldOrder) {
  GUID guid;
  ASSERT_EQ(CoCreateGuid(&guid), S_OK);
  char text[kGuidTextSize];
  ASSERT_EQ(StringFromGUID2(guid, text, sizeof text), kGuidTextSize);
  // bytes_le is the platform's in-memory layout of a GUID read from its text form.
  std::string expected = python(std::string("import uuid; print(uuid.UUID(\"") + text + "\").bytes_le.hex())");
  expected.erase(expected.find_last_not_of("\n") + 1);
  static_assert(sizeof(GUID) == 16);
  unsigned char bytes[16];
  std::memcpy(bytes, &guid, sizeof bytes);
  std::string actual;
  char hex[3];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02x", b);
    actual += hex;
  }
  EXPECT_EQ(actual, expected) << text;
}

TEST(PythonPeer, HttpDatesMatchPythonsFormatterBothWays) {
  const std::string output = python(
      "import email.utils\n"
      "for t in range(-2000000000, 4200000000, 123456789): print(t, email.utils.formatdate(t, usegmt=True))\n");
  std::istringstream lines(output);
  std::string line;
  int compared = 0;
  while (std::getline(lines, line)) {
    const std::size_t blank = line.find(' ');
    const std::time_t t = std::stoll(line.substr(0, blank));
    const std::string text = line.substr(blank + 1);
    EXPECT_EQ(FormatRfc1123Date(t), text);
    FILETIME parsed;
    ASSERT_TRUE(ParseRfc1123Date(text, &parsed)) << text;
    EXPECT_EQ(qh::UnixSecondsFromFileTime(parsed), t) << text;
    ++compared;
  }
  EXPECT_GT(compared, 40);
}

}  // namespace
