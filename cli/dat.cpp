// pelorin-cli dat: placeholder until the data-file reader lands.
#include <cstdio>

#include "Commands.h"

namespace pelorin::cli {
int RunDat(const std::vector<std::string>&) {
  std::fprintf(stderr, "pelorin-cli: dat is not built yet\n");
  return 2;
}
}  // namespace pelorin::cli
