// The sub-commands of pelorin-cli. Each takes the arguments after the
// command's name, prints its result on stdout, its complaints on stderr, and
// returns the exit status (0 ok, 2 bad arguments, 1 a file that cannot be
// read).
#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

int RunDat(const std::vector<std::string>& args);

}  // namespace pelorin::cli
