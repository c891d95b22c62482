// Runs one conversion of the folder given and prints its log: the tests kill this process at random
// moments and then look at what it left behind.
#include <cstdio>

#include "maintenance/convert/DatabaseConverter.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: shiftover_convert_child <database folder>\n");
    return 2;
  }
  // Each line goes out as it is logged: the tests time their kills by them.
  CDatabaseConverter converter(argv[1], [](const CString& text) {
    std::printf("%s\n", text.GetString());
    std::fflush(stdout);
  });
  CDatabaseConverter::Outcome outcome = converter.Convert();
  std::fflush(stdout);
  return outcome == CDatabaseConverter::kUpgraded ? 0 : 1;
}
