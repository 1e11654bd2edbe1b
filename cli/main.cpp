// pelorin-cli: the measurement core on the command line.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::fprintf(stderr, "usage: pelorin-cli COMMAND key=value ...\n");
    return 2;
  }
  std::fprintf(stderr, "pelorin-cli: unknown command\n");
  return 2;
}
