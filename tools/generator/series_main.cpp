// pelorin-generate-series: a season of daily data files of known truth (the
// generator's Series), and its truth as CSV.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include "Args.h"
#include "Series.h"

namespace {

const char* const kUsage =
    "usage: pelorin-generate-series out=FOLDER [key=value ...]\n"
    "  seed=N              random seed (default 1)\n"
    "  days=N              days of the season (default 730)\n"
    "  year= month= day=   its first day (default 2024 1 1)\n"
    "  missing=F           fraction of days without a file (default 0.3)\n"
    "  births=F            groups born per day (default 0.55)\n"
    "  A= B= C=            the sidereal law, deg/day (default 14.50 -2.87 0)\n"
    "  peculiar=SIGMA      each group's own velocity, deg/day (default 0.3)\n"
    "  noise=SIGMA         position noise at the disc's centre, deg (default 0.15)\n"
    "  unnamed=F           fraction of groups never named (default 0.02)\n"
    "  orientation=SIGMA   each file's orientation error, deg (default 0)\n"
    "  noaa=0|1            names are five-digit NOAA numbers (default 0: 100..399)\n"
    "  othernames=F        chance that a group's name on a day is missing or written otherwise\n"
    "                      (AR11680, 1680, or a name of that day only; default 0)\n"
    "  truth=FILE          the truth's groups as CSV\n";

}  // namespace

using pelorin::gen::NumberArg;

int main(int argc, char** argv) {
  try {
    std::map<std::string, std::string> kv;
    if (!pelorin::gen::ParseKeyValues(argc, argv, kv)) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!kv.count("out")) throw std::invalid_argument("missing out=FOLDER");
    pelorin::gen::SeriesPlan plan;
    plan.seed = static_cast<std::uint64_t>(NumberArg(kv, "seed", 1));
    plan.days = static_cast<int>(NumberArg(kv, "days", plan.days));
    plan.year = static_cast<int>(NumberArg(kv, "year", plan.year));
    plan.month = static_cast<int>(NumberArg(kv, "month", plan.month));
    plan.day = static_cast<int>(NumberArg(kv, "day", plan.day));
    plan.missingDays = NumberArg(kv, "missing", plan.missingDays);
    plan.birthsPerDay = NumberArg(kv, "births", plan.birthsPerDay);
    plan.law.A = NumberArg(kv, "A", plan.law.A);
    plan.law.B = NumberArg(kv, "B", plan.law.B);
    plan.law.C = NumberArg(kv, "C", plan.law.C);
    plan.peculiar_deg_day = NumberArg(kv, "peculiar", plan.peculiar_deg_day);
    plan.noise_deg = NumberArg(kv, "noise", plan.noise_deg);
    plan.neverNamed = NumberArg(kv, "unnamed", plan.neverNamed);
    plan.orientation_deg = NumberArg(kv, "orientation", plan.orientation_deg);
    plan.noaaNames = NumberArg(kv, "noaa", 0) != 0;
    plan.otherNames = NumberArg(kv, "othernames", plan.otherNames);
    if (plan.days < 1 || plan.birthsPerDay <= 0) throw std::invalid_argument("days and births must be positive");
    const pelorin::gen::SeriesTruth truth = pelorin::gen::WriteSeries(kv["out"], plan);
    if (kv.count("truth")) {
      std::ofstream f(kv["truth"], std::ios::binary);
      f << pelorin::gen::SeriesTruthCsv(truth);
      if (!f) throw std::runtime_error(kv["truth"] + ": cannot be written");
    }
    std::printf("files=%zu groups=%zu\n", truth.files.size(), truth.groups.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelorin-generate-series: %s\n%s", e.what(), kUsage);
    return 2;
  }
  return 0;
}
