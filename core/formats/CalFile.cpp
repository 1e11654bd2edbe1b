#include "formats/CalFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

namespace pelorin {

namespace {

// The keys in the order they are written; errors must not be negative, the
// covariances may be.
struct Key {
  const char* name;
  double CalErrors::*field;
  bool nonNegative;
};
const Key kKeys[] = {
    {"x0_err", &CalErrors::x0_px, true},        {"y0_err", &CalErrors::y0_px, true},
    {"rk_err", &CalErrors::rk_px, true},        {"cov_x0_y0", &CalErrors::cov_x0y0, false},
    {"cov_x0_rk", &CalErrors::cov_x0rk, false}, {"cov_y0_rk", &CalErrors::cov_y0rk, false},
    {"orientation_err", &CalErrors::orientation_deg, true},
    {"time_err_min", &CalErrors::time_min, true},
};

bool KnownSource(const std::string& s) { return s == "fit" || s == "header" || s == "assumed"; }

// Every digit a double holds, so that a reopened file gives the same errors.
std::string Exact(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v == 0 ? 0.0 : v);
  return buf;
}

bool ParseNumber(const std::string& text, double& v) {
  if (text.empty()) return false;
  char* end = nullptr;
  v = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(v);
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

}  // namespace

namespace {

CalErrors Defaults(double disc_px, double orientation_deg, const char* source) {
  CalErrors e;
  e.x0_px = e.y0_px = e.rk_px = disc_px;
  e.orientation_deg = orientation_deg;
  e.time_min = kDefaultTime_h * 60;
  e.discSource = e.orientationSource = source;
  return e;
}

}  // namespace

CalErrors AssumedCalErrors() { return Defaults(kAssumedDisc_px, kAssumedOrientation_deg, "assumed"); }

CalErrors HeaderCalErrors() { return Defaults(kHeaderDisc_px, kHeaderOrientation_deg, "header"); }

CalibrationErrors PropagationErrorsOf(const CalErrors& c, bool dateKnown, double year, double month, double day,
                                      double hours, bool northUp) {
  CalibrationErrors e;
  e.disc = {{{c.x0_px * c.x0_px, c.cov_x0y0, c.cov_x0rk},
             {c.cov_x0y0, c.y0_px * c.y0_px, c.cov_y0rk},
             {c.cov_x0rk, c.cov_y0rk, c.rk_px * c.rk_px}}};
  e.orientation_deg = c.orientation_deg;
  e.time_h = c.time_min / 60;
  if (dateKnown && e.time_h > 0) EphemerisRates(year, month, day, hours, e.dP_dh, e.dB0_dh, e.dL0_dh);
  if (northUp) e.dP_dh = 0;
  return e;
}

std::string CalFileNameOf(const std::string& dat) {
  const std::size_t n = dat.size();
  if (n >= 4 && (dat.compare(n - 4, 4, ".dat") == 0 || dat.compare(n - 4, 4, ".DAT") == 0))
    return dat.substr(0, n - 4) + ".cal";
  return dat + ".cal";
}

std::string CalFileText(const CalErrors& e) {
  std::string t = "# Pelorin: 1-sigma errors of the calibration in the data file beside this file\n";
  for (const Key& k : kKeys) t += std::string(k.name) + "=" + Exact(e.*k.field) + "\n";
  t += "disc_source=" + e.discSource + "\n";
  t += "orientation_source=" + e.orientationSource + "\n";
  for (const PointError& p : e.points) {
    char place[64];
    std::snprintf(place, sizeof place, "%.5f,%.5f", p.B_deg, p.L_deg);
    t += std::string("point_err=") + place + "," + Exact(p.sx_px) + "," + Exact(p.sy_px) + "\n";
  }
  return t;
}

namespace {

// "B,L,sx,sy" of a point_err line; "" when read, otherwise what is wrong.
std::string ParsePointError(const std::string& value, PointError& p) {
  double v[4] = {};
  std::istringstream fields(value);
  std::string field;
  int n = 0;
  while (std::getline(fields, field, ',')) {
    if (n == 4) return "more than four numbers";
    if (!ParseNumber(Trimmed(field), v[n])) return "field " + std::to_string(n + 1) + " not a number";
    ++n;
  }
  if (n != 4) return "not four numbers (B,L,sx,sy)";
  if (v[2] < 0 || v[3] < 0) return "negative";
  p = {v[0], v[1], v[2], v[3]};
  return "";
}

}  // namespace

bool ParseCalFile(const std::string& text, CalErrors& out, std::string& error) {
  CalErrors e;
  std::map<std::string, int> seen;  // key -> line
  std::istringstream in(text);
  std::string raw;
  for (int line = 1; std::getline(in, raw); ++line) {
    const std::string s = Trimmed(raw);
    if (s.empty() || s[0] == '#') continue;
    const std::size_t eq = s.find('=');
    if (eq == std::string::npos) {
      error = "line " + std::to_string(line) + ": not key=value";
      return false;
    }
    const std::string key = Trimmed(s.substr(0, eq)), value = Trimmed(s.substr(eq + 1));
    const std::string where = "line " + std::to_string(line) + ": " + key + ": ";
    if (key == "point_err") {
      PointError p;
      if (std::string why = ParsePointError(value, p); !why.empty()) {
        error = where + why;
        return false;
      }
      e.points.push_back(p);
      continue;
    }
    if (seen.count(key)) {
      error = where + "given twice (first on line " + std::to_string(seen[key]) + ")";
      return false;
    }
    seen[key] = line;
    if (key == "disc_source" || key == "orientation_source") {
      if (!KnownSource(value)) {
        error = where + "not fit, header or assumed";
        return false;
      }
      (key == "disc_source" ? e.discSource : e.orientationSource) = value;
      continue;
    }
    for (const Key& k : kKeys) {
      if (key != k.name) continue;
      double v = 0;
      if (!ParseNumber(value, v)) {
        error = where + "not a number";
        return false;
      }
      if (k.nonNegative && v < 0) {
        error = where + "negative";
        return false;
      }
      e.*k.field = v;
    }
  }
  for (const char* name : {"x0_err", "y0_err", "rk_err", "cov_x0_y0", "cov_x0_rk", "cov_y0_rk", "orientation_err",
                           "time_err_min", "disc_source", "orientation_source"}) {
    if (!seen.count(name)) {
      error = std::string("no ") + name;
      return false;
    }
  }
  out = e;
  return true;
}

}  // namespace pelorin
