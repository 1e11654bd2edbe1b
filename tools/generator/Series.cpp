#include "Series.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "SilentWindow.h"
#include "app/App.h"
#include "base/RasterPicture.h"
#include "base/Text.h"
#include "app/WorkFiles.h"
#include "base/Angles.h"
#include "geometry/Ephemeris.h"
#include "series/SeriesRead.h"

namespace pelorin::gen {

namespace {

// The name a group carries at `jd`.
const std::string& NameAt(const SeriesGroup& g, double jd) {
  return !g.renamedTo.empty() && jd >= g.renameJd ? g.renamedTo : g.name;
}

// The name written otherwise on day `day` of the season, by `draw` in
// [0, 1): none, "AR" before it, its last four digits (a five-digit number),
// or a name of that day only.
std::string OtherForm(const std::string& name, int day, double draw) {
  const bool number = name.size() == 5 && name.find_first_not_of("0123456789") == std::string::npos;
  if (draw < 0.25) return {};
  if (draw < 0.5) return "AR" + name;
  if (draw < 0.75 && number) return name.substr(1);
  return "X" + name + "-" + std::to_string(day);
}

// B and CMD (degrees) of a point of the disc turned by `turn_deg` about the
// disc's centre, the Earth at latitude B0.
void Turned(double B0, double turn_deg, double& B, double& CMD) {
  const double b = B * kRad, c = CMD * kRad, b0 = B0 * kRad, t = turn_deg * kRad;
  const double x = std::cos(b) * std::sin(c);
  const double y = std::sin(b) * std::cos(b0) - std::cos(b) * std::sin(b0) * std::cos(c);
  const double z = std::sin(b) * std::sin(b0) + std::cos(b) * std::cos(b0) * std::cos(c);
  const double xt = x * std::cos(t) - y * std::sin(t);
  const double yt = x * std::sin(t) + y * std::cos(t);
  B = std::asin(std::clamp(yt * std::cos(b0) + z * std::sin(b0), -1.0, 1.0)) * kDeg;
  CMD = std::atan2(xt, z * std::cos(b0) - yt * std::sin(b0)) * kDeg;
}

std::vector<SeriesGroup> RandomGroups(const SeriesPlan& plan, double startJd, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> n(0, 1);
  std::vector<SeriesGroup> groups;
  const double from = startJd - 30, to = startJd + plan.days;
  // Births in a Poisson stream.
  int number = 0;
  for (double t = from + (-std::log(1 - u(rng)) / plan.birthsPerDay); t < to;
       t += -std::log(1 - u(rng)) / plan.birthsPerDay) {
    SeriesGroup g;
    ++number;
    g.name = u(rng) < plan.neverNamed ? "" : std::to_string((plan.noaaNames ? 11100 : 100) + number % 300);
    g.bornJd = t;
    g.diesJd = t + 2 + 28 * u(rng);
    // The cycle goes on: mean latitude from 25 towards 12 degrees over the
    // season, spread about it, kept within 5..35.
    const double phase = std::clamp((t - from) / (to - from), 0.0, 1.0);
    const double lat = std::clamp(25 - 13 * phase + 6 * n(rng), 5.0, 35.0);
    const double sign = u(rng) < 0.5 ? -1 : 1;
    g.b0_deg = sign * lat;
    g.L0_deg = 360 * u(rng);
    g.omegaSid_deg_day = plan.law.At(g.b0_deg) + plan.peculiar_deg_day * n(rng);
    g.dBdt_deg_day = sign * (plan.meridional_deg_day + 0.02 * n(rng));
    if (!g.name.empty() && u(rng) < plan.renamed) {
      g.renamedTo = "R" + g.name;
      g.renameJd = g.bornJd + (g.diesJd - g.bornJd) * u(rng);
    }
    const int spots = 1 + static_cast<int>(u(rng) * plan.maxSpots);
    for (int k = 0; k < spots; ++k) {
      g.spotDL_deg.push_back(k == 0 ? 0 : 3 * (u(rng) - 0.5));
      g.spotDB_deg.push_back(k == 0 ? 0 : 1 * (u(rng) - 0.5));
    }
    groups.push_back(std::move(g));
  }
  return groups;
}

}  // namespace

double SeriesLaw::At(double B_deg) const {
  const double s2 = std::pow(std::sin(B_deg * kRad), 2);
  return A + B * s2 + C * s2 * s2;
}

SeriesTruth WriteSeries(const std::string& folder, const SeriesPlan& plan) {
  std::filesystem::create_directories(folder);
  std::mt19937_64 rng(plan.seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> n(0, 1);
  double startJd = 0;
  JulianDay(plan.year, plan.month, plan.day, 0, startJd);

  SeriesTruth truth;
  truth.groups = plan.groups.empty() ? RandomGroups(plan, startJd, rng) : plan.groups;

  SilentWindow window;
  RasterPicture picture;
  auto app = std::make_unique<App>(window, picture);
  ProgramState& s = app->s;
  s.ImageType = 0;
  s.ZeroPointX = 1024;
  s.ZeroPointY = 1024;
  s.LimbRadius = 900;
  s.OrientationAngle = 0;

  for (int d = 0; d < plan.days; ++d) {
    if (u(rng) < plan.missingDays) continue;
    // The observation: some time of the morning or afternoon, UT.
    const double hours = RoundHalfEven(7 + 8 * u(rng), 2);
    double jd = startJd + d + hours / 24;
    int y = 0, m = 0, dd = 0;
    double h = 0;
    series::CalendarOf(startJd + d + 0.5, y, m, dd, h);
    double hrs = hours, P = 0, B0 = 0, L0 = 0, rho0 = 0;
    SolarEphemeris(y, m, dd, hrs, P, B0, L0, rho0);
    JulianDay(y, m, dd, hrs, jd);
    s.DateYear = y;
    s.DateMonth = m;
    s.DateDay = dd;
    s.TimeUT = hrs;
    s.P = P;
    s.B0 = B0;
    s.L0 = L0;
    s.rho0 = rho0;

    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d", y, m, dd, static_cast<int>(hrs),
                  static_cast<int>(std::round((hrs - std::floor(hrs)) * 60)) % 60);
    SeriesTruthFile file;
    file.path = (std::filesystem::path(folder) / (plan.prefix + stamp + ".dat")).string();
    file.jd = jd;
    // The picture's orientation as the observer set it, off by this much
    // (every position of the file turned about the disc's centre).
    const double turn_deg = plan.orientation_deg > 0 ? plan.orientation_deg * n(rng) : 0;
    app->file2.Open(file.path);
    WriteHeaderStart(*app, plan.prefix + stamp + ".jpg");
    WriteDateLines(*app);
    WriteDiscLine(*app);
    WriteOrientationLine(*app);
    for (std::size_t gi = 0; gi < truth.groups.size(); ++gi) {
      const SeriesGroup& g = truth.groups[gi];
      if (jd < g.bornJd || jd > g.diesJd) continue;
      const double age = jd - g.bornJd;
      const double bc = g.b0_deg + g.dBdt_deg_day * age;
      const double lc = g.L0_deg + (g.omegaSid_deg_day - series::kCarringtonSidereal_deg_day) * age;
      const bool unnamed = u(rng) < plan.unnamedGroupDays;
      std::string written = unnamed ? std::string() : NameAt(g, jd);
      if (plan.otherNames > 0 && !written.empty() && u(rng) < plan.otherNames)
        written = OtherForm(written, d, u(rng));
      for (std::size_t k = 0; k < g.spotDL_deg.size(); ++k) {
        if (k > 0 && u(rng) > plan.spotSeen) continue;
        const double b = bc + g.spotDB_deg[k];
        const double cmd = Wrap180(lc + g.spotDL_deg[k] - L0);
        const double cosRho =
            std::sin(B0 * kRad) * std::sin(b * kRad) + std::cos(B0 * kRad) * std::cos(b * kRad) * std::cos(cmd * kRad);
        if (cosRho < 0.1) continue;  // behind the limb, or too close to it to be measured
        // Foreshortening: a position is the less certain the nearer the limb.
        const double sigma = plan.noise_deg / std::max(std::sqrt(cosRho), 0.4);
        double bt = b, ct = cmd;
        if (turn_deg != 0) Turned(B0, turn_deg, bt, ct);
        const double bm = RoundHalfEven(bt + plan.noise_deg * n(rng), 5);
        const double cm = RoundHalfEven(Wrap180(ct + sigma * n(rng)), 5);
        const double lm = RoundHalfEven(Wrap360(L0 + cm), 5);
        WriteObjectRecord(*app, written, bm, cm, lm);
        file.recordGroup.push_back(static_cast<int>(gi));
      }
    }
    app->file2.Close();
    truth.files.push_back(std::move(file));
  }
  return truth;
}

std::string SeriesTruthCsv(const SeriesTruth& truth) {
  std::string out = "group,name,renamed,born,dies,b0,L0,omega_sid,dBdt\n";
  for (std::size_t i = 0; i < truth.groups.size(); ++i) {
    const SeriesGroup& g = truth.groups[i];
    out += std::to_string(i) + "," + g.name + "," + g.renamedTo + "," + series::IsoTime(g.bornJd) + "," +
           series::IsoTime(g.diesJd) + "," + NumberText(RoundHalfEven(g.b0_deg, 4)) + "," +
           NumberText(RoundHalfEven(g.L0_deg, 4)) + "," + NumberText(RoundHalfEven(g.omegaSid_deg_day, 5)) + "," +
           NumberText(RoundHalfEven(g.dBdt_deg_day, 5)) + "\n";
  }
  return out;
}

}  // namespace pelorin::gen
