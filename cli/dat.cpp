// pelorin-cli dat [--csv] FILE: a measurement data file's header as
// key=value lines, then its records as CSV (name,B,CMD,L), records of the
// older versions converted as the program converts them on reading.
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

#include "Commands.h"
#include "base/Text.h"
#include "formats/DataFile.h"
#include "base/TextFile.h"
#include "formats/Export.h"

namespace pelorin::cli {

namespace {

void Usage() { std::fprintf(stderr, "usage: pelorin-cli dat [--csv] FILE\n"); }

std::string VersionText(int version) {
  switch (version) {
    case 2: return "v2.0";
    case 1: return "v1.0";
    case 0: return "none";
    default: return "unknown";
  }
}

void PrintHeader(const DataFileContents& c) {
  const std::string prefix = "Picture: ";
  const std::string picture =
      c.pictureLine.compare(0, prefix.size(), prefix) == 0 ? c.pictureLine.substr(prefix.size()) : c.pictureLine;
  const std::pair<const char*, std::string> items[] = {
      {"version", VersionText(c.version)},
      {"picture", picture},
      {"day", NumberText(c.day)},
      {"month", NumberText(c.month)},
      {"year", NumberText(c.year)},
      {"time", NumberText(c.timeUT)},
      {"P", NumberText(c.P)},
      {"B0", NumberText(c.B0)},
      {"L0", NumberText(c.L0)},
      {"rho0", NumberText(c.rho0)},
      {"type", c.typeWord},
      {"x0", NumberText(c.x0)},
      {"y0", NumberText(c.y0)},
      {"radius", NumberText(c.rk)},
      {"orientation", NumberText(c.orientation)},
      {"records", std::to_string(c.records.size())},
  };
  for (const auto& [key, value] : items) std::printf("%s=%s\n", key, value.c_str());
}

}  // namespace

int RunDat(const std::vector<std::string>& args) {
  bool csvOnly = false;
  std::string path;
  for (const auto& a : args) {
    if (a == "--csv") {
      csvOnly = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "pelorin-cli dat: unknown option %s\n", a.c_str());
      Usage();
      return 2;
    } else if (path.empty()) {
      path = a;
    } else {
      std::fprintf(stderr, "pelorin-cli dat: one file only (got %s and %s)\n", path.c_str(), a.c_str());
      Usage();
      return 2;
    }
  }
  if (path.empty()) {
    Usage();
    return 2;
  }

  DataFileContents c;
  try {
    c = ParseDataFile(ReadLines(path));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelorin-cli dat: %s\n", e.what());
    return 1;
  }
  if (!c.headerComplete) {
    std::fprintf(stderr, "pelorin-cli dat: %s: %s\n", path.c_str(),
                 c.problems.empty() ? "the header is cut short" : c.problems.front().c_str());
    return 1;
  }
  for (const auto& p : c.problems) std::fprintf(stderr, "pelorin-cli dat: %s: %s\n", path.c_str(), p.c_str());

  if (!csvOnly) PrintHeader(c);
  const std::string csv = CsvText(c.records);
  std::fwrite(csv.data(), 1, csv.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace pelorin::cli
