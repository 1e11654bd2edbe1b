// pelorin-generate-series: a season of daily data files of known truth (the
// generator's Series), and its truth as CSV.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

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
    "  truth=FILE          the truth's groups as CSV\n";

double Num(const std::map<std::string, std::string>& kv, const std::string& k, double fallback) {
  const auto it = kv.find(k);
  if (it == kv.end()) return fallback;
  char* end = nullptr;
  const double v = std::strtod(it->second.c_str(), &end);
  if (it->second.empty() || *end != '\0') throw std::invalid_argument(k + "=" + it->second + ": not a number");
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::map<std::string, std::string> kv;
    for (int i = 1; i < argc; ++i) {
      const std::string a = argv[i];
      if (a == "-h" || a == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
      }
      const std::size_t eq = a.find('=');
      if (eq == std::string::npos || eq == 0) throw std::invalid_argument("'" + a + "': expected key=value");
      kv[a.substr(0, eq)] = a.substr(eq + 1);
    }
    if (!kv.count("out")) throw std::invalid_argument("missing out=FOLDER");
    pelorin::gen::SeriesPlan plan;
    plan.seed = static_cast<std::uint64_t>(Num(kv, "seed", 1));
    plan.days = static_cast<int>(Num(kv, "days", plan.days));
    plan.year = static_cast<int>(Num(kv, "year", plan.year));
    plan.month = static_cast<int>(Num(kv, "month", plan.month));
    plan.day = static_cast<int>(Num(kv, "day", plan.day));
    plan.missingDays = Num(kv, "missing", plan.missingDays);
    plan.birthsPerDay = Num(kv, "births", plan.birthsPerDay);
    plan.law.A = Num(kv, "A", plan.law.A);
    plan.law.B = Num(kv, "B", plan.law.B);
    plan.law.C = Num(kv, "C", plan.law.C);
    plan.peculiar_deg_day = Num(kv, "peculiar", plan.peculiar_deg_day);
    plan.noise_deg = Num(kv, "noise", plan.noise_deg);
    plan.neverNamed = Num(kv, "unnamed", plan.neverNamed);
    plan.orientation_deg = Num(kv, "orientation", plan.orientation_deg);
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
