// pelorin-cli ephemeris, helio, pixel and system: the solar geometry of the
// core on the command line.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/Text.h"
#include "geometry/Ephemeris.h"
#include "geometry/Transform.h"

namespace pelorin::cli {

namespace {

// The key=value arguments of one command, all numbers. Collects the first
// complaint; a command checks ok() before using the values.
class Args {
 public:
  Args(const char* command, const std::vector<std::string>& args, const std::vector<std::string>& required,
       const std::vector<std::string>& optional = {})
      : command_(command) {
    std::set<std::string> known(required.begin(), required.end());
    known.insert(optional.begin(), optional.end());
    for (const std::string& arg : args) {
      const std::size_t eq = arg.find('=');
      if (eq == std::string::npos || eq == 0) {
        Fail("argument '" + arg + "' is not of the form key=value");
        return;
      }
      const std::string key = arg.substr(0, eq);
      const std::string text = arg.substr(eq + 1);
      if (known.count(key) == 0) {
        Fail("unknown argument '" + key + "'");
        return;
      }
      if (values_.count(key) != 0) {
        Fail("argument '" + key + "' given twice");
        return;
      }
      const std::optional<double> v = WholeNumber(text);
      if (!v) {
        Fail("argument '" + key + "' is not a number: '" + text + "'");
        return;
      }
      values_[key] = *v;
    }
    for (const std::string& key : required)
      if (values_.count(key) == 0) {
        Fail("missing argument '" + key + "'");
        return;
      }
  }

  bool ok() const { return ok_; }
  bool has(const std::string& key) const { return values_.count(key) != 0; }
  double operator[](const std::string& key) const { return values_.at(key); }

  // Reports a complaint about the values; returns the bad-argument status.
  int Reject(const std::string& message) {
    Fail(message);
    return 2;
  }
  int status() const { return ok_ ? 0 : 2; }

 private:

  void Fail(const std::string& message) {
    if (ok_) std::fprintf(stderr, "pelorin-cli %s: %s\n", command_, message.c_str());
    ok_ = false;
  }

  const char* command_;
  std::map<std::string, double> values_;
  bool ok_ = true;
};

bool IsWhole(double v) { return std::floor(v) == v; }

// The calibrated picture of the helio and pixel commands: the disc and the
// ephemeris as given, not north up (helio's northup= may say otherwise).
// The orientation is passed to the transforms on its own.
DiscCalibration Picture(const Args& a) {
  DiscCalibration c;
  c.x0 = a["x0"];
  c.y0 = a["y0"];
  c.rk = a["rk"];
  c.P = a["P"];
  c.B0 = a["B0"];
  c.L0 = a["L0"];
  c.rho0 = a["rho0"];
  return c;
}

// Checks common to the calibrated picture; returns 0 or the bad-argument
// status after saying what is wrong.
int CheckPicture(Args& a) {
  if (!(a["rk"] > 0)) return a.Reject("rk (limb radius, pixels) must be positive");
  if (!(a["rho0"] > kSolarRadiusAU)) return a.Reject("rho0 (Sun-Earth distance, AU) must exceed the solar radius");
  return 0;
}

void PrintPairs(const std::vector<std::pair<const char*, double>>& pairs) {
  std::printf("%s\n", PairsLine(pairs).c_str());
}

}  // namespace

std::string PairsLine(const std::vector<std::pair<const char*, double>>& pairs) {
  std::string line;
  for (const auto& [key, value] : pairs) {
    if (!line.empty()) line += ' ';
    line += key;
    line += '=';
    line += NumberText(value);
  }
  return line;
}

int RunEphemeris(const std::vector<std::string>& args) {
  Args a("ephemeris", args, {"year", "month", "day", "hours"});
  if (!a.ok()) return a.status();
  if (!IsWhole(a["year"])) return a.Reject("year must be a whole number");
  if (!IsWhole(a["month"]) || a["month"] < 1 || a["month"] > 12) return a.Reject("month must be a whole number 1 to 12");
  if (a["day"] < 1 || a["day"] >= 32) return a.Reject("day must be 1 to 31 (a fraction is allowed)");
  if (a["hours"] < 0 || a["hours"] > 24) return a.Reject("hours (UT) must be 0 to 24");
  double hours = a["hours"];
  double P = 0, B0 = 0, L0 = 0, rho0 = 0;
  SolarEphemeris(a["year"], a["month"], a["day"], hours, P, B0, L0, rho0);
  PrintPairs({{"P", P}, {"B0", B0}, {"L0", L0}, {"rho0", rho0}, {"hours", hours}});
  return 0;
}

int RunHelio(const std::vector<std::string>& args) {
  Args a("helio", args, {"x0", "y0", "rk", "P", "B0", "L0", "rho0", "orientation", "x", "y"}, {"northup"});
  if (!a.ok()) return a.status();
  if (int bad = CheckPicture(a)) return bad;
  DiscCalibration c = Picture(a);
  if (a.has("northup")) {
    if (a["northup"] != 0 && a["northup"] != 1) return a.Reject("northup must be 0 or 1");
    c.northUp = a["northup"] == 1;
  }
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(c, a["x"], a["y"], a["orientation"], B, CMD, L);
  PrintPairs({{"B", B}, {"CMD", CMD}, {"L", L}});
  return 0;
}

int RunPixel(const std::vector<std::string>& args) {
  Args a("pixel", args, {"x0", "y0", "rk", "P", "B0", "L0", "rho0", "orientation", "L", "B"});
  if (!a.ok()) return a.status();
  if (int bad = CheckPicture(a)) return bad;
  double X = 0, Y = 0;
  HeliographicToPixel(Picture(a), a["L"], a["B"], a["orientation"], X, Y);
  PrintPairs({{"x", X}, {"y", Y}});
  return 0;
}

int RunSystem(const std::vector<std::string>& args) {
  Args a("system", args, {"s", "x0", "y0", "x", "y"});
  if (!a.ok()) return a.status();
  if (!IsWhole(a["s"]) || a["s"] < 0 || a["s"] > 9) return a.Reject("s (coordinate system) must be a whole number 0 to 9");
  double X = a["x"], Y = a["y"], R = 0, fi = 0;
  PixelToSystem(static_cast<float>(a["s"]), a["x0"], a["y0"], X, Y, R, fi);
  if (a["s"] >= 8)
    PrintPairs({{"R", R}, {"fi", fi}});
  else
    PrintPairs({{"X", X}, {"Y", Y}});
  return 0;
}

}  // namespace pelorin::cli
