// Runs the pelorin-cli under test (PELORIN_CLI, set by the build) and keeps
// what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestApp.h"

namespace pelorin::test {

struct CliResult {
  int status = -1;  // exit status; -1 when it did not exit
  std::string out, err;
};

// `pelorin-cli ARGS` (ARGS already shell-safe) run in `folder`, its output
// kept in out.txt and err.txt there.
inline CliResult RunCli(const std::filesystem::path& folder, const std::string& args) {
  const std::string cmd = "cd '" + folder.string() + "' && '" + PELORIN_CLI + "' " + args + " >out.txt 2>err.txt";
  const int raw = std::system(cmd.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadAll((folder / "out.txt").string());
  r.err = ReadAll((folder / "err.txt").string());
  return r;
}

}  // namespace pelorin::test
