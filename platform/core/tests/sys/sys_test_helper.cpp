// Second process of the inter-process tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
  std::fprintf(stderr, "usage: qh_sys_test_helper exit <code>\n");
  return 2;
}
