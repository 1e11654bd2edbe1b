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
#include "geometry/PositionErrors.h"
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
  const std::map<std::string, double>& values() const { return values_; }

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
  DiscCalibration c = CalibrationOfKeys(a.values());
  c.northUp = false;
  return c;
}

// The keys of the position's errors, 1 sigma: the centre, the radius, the
// orientation and the point itself.
const std::vector<std::string> kErrorKeys = {"sx0", "sy0", "srk", "sorientation", "sxy"};

bool AnyErrorKey(const Args& a) {
  for (const std::string& k : kErrorKeys)
    if (a.has(k)) return true;
  return false;
}

double ValueOr0(const Args& a, const std::string& key) { return a.has(key) ? a[key] : 0; }

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

DiscCalibration CalibrationOfKeys(const std::map<std::string, double>& keys) {
  auto value = [&](const char* key) {
    const auto it = keys.find(key);
    return it == keys.end() ? 0.0 : it->second;
  };
  DiscCalibration c;
  c.x0 = value("x0");
  c.y0 = value("y0");
  c.rk = value("rk");
  c.P = value("P");
  c.B0 = value("B0");
  c.L0 = value("L0");
  c.rho0 = value("rho0");
  c.orientation = value("orientation");
  c.northUp = value("northup") == 1;
  return c;
}

double RoundedError(double error_deg) {
  return std::isfinite(error_deg) ? RoundHalfEven(error_deg, 5) : error_deg;
}

std::string FirstOrderNote(const PositionErrors& e) {
  if (!std::isfinite(e.centreAngle_deg)) return "the point is off the disc: its errors are not known";
  return "the point lies " + NumberText(RoundHalfEven(e.centreAngle_deg, 1)) + " degrees from the disc centre, beyond " +
         NumberText(kFirstOrderLimit_deg) + ": its errors are those of first order, an underestimate there";
}

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
  std::vector<std::string> optional = kErrorKeys;
  optional.push_back("northup");
  Args a("helio", args, {"x0", "y0", "rk", "P", "B0", "L0", "rho0", "orientation", "x", "y"}, optional);
  if (!a.ok()) return a.status();
  if (int bad = CheckPicture(a)) return bad;
  for (const std::string& k : kErrorKeys)
    if (a.has(k) && !(a[k] >= 0)) return a.Reject(k + " (an error, 1 sigma) must not be negative");
  DiscCalibration c = Picture(a);
  if (a.has("northup")) {
    if (a["northup"] != 0 && a["northup"] != 1) return a.Reject("northup must be 0 or 1");
    c.northUp = a["northup"] == 1;
  }
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(c, a["x"], a["y"], a["orientation"], B, CMD, L);
  if (!AnyErrorKey(a)) {
    PrintPairs({{"B", B}, {"CMD", CMD}, {"L", L}});
    return 0;
  }
  CalibrationErrors e;
  e.disc = IndependentDiscCovariance(ValueOr0(a, "sx0"), ValueOr0(a, "sy0"), ValueOr0(a, "srk"));
  e.orientation_deg = ValueOr0(a, "sorientation");
  const double sxy = ValueOr0(a, "sxy");
  const PositionErrors pe = PropagatePositionErrors(c, a["x"], a["y"], a["orientation"], e, sxy, sxy);
  PrintPairs({{"B", B}, {"CMD", CMD}, {"L", L}, {"B_err", RoundedError(pe.B_deg)},
              {"CMD_err", RoundedError(pe.CMD_deg)}, {"L_err", RoundedError(pe.L_deg)}});
  if (!pe.firstOrder)
    std::fprintf(stderr, "pelorin-cli helio: note: %s\n", FirstOrderNote(pe).c_str());
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
