// pelorin-cli spots [--groups | --summary] [--errors] FILE [calibration
// keys] [error keys]: the sunspots found on a picture, their groups, or the
// day's counts.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "Decoders.h"
#include "base/Text.h"
#include "formats/Catalogue.h"
#include "formats/DataFile.h"
#include "formats/HeaderCalibration.h"
#include "formats/PictureNames.h"
#include "base/TextFile.h"
#include "base/Angles.h"
#include "series/ReferenceGroups.h"
#include "spots/SpotErrors.h"
#include "spots/Spots.h"
#include "formats/SpotsFile.h"
#include "formats/Srs.h"
#include "base/AtomicFile.h"

namespace pelorin::cli {

namespace {

const char* const kKeys[] = {"x0", "y0", "rk", "P", "B0", "L0", "rho0", "orientation", "northup"};
// The calibration's errors --errors takes, 1 sigma: centre and radius
// (pixels), orientation (degrees).
const char* const kErrorKeys[] = {"sx0", "sy0", "srk", "sorientation"};

struct Day {
  bool known = false;
  int year = 0, month = 0, day = 0;
  double hours = 0;
};

// The calibration in the data file beside the picture, when it holds one.
bool FromDataFile(const std::string& picture, DiscCalibration& cal, Day& day) {
  const std::filesystem::path p(picture);
  const std::filesystem::path dat = p.parent_path() / DataFileNameOf(p.filename().string());
  std::error_code ec;
  if (!std::filesystem::is_regular_file(dat, ec)) return false;
  DataFileContents d;
  try {
    d = ParseDataFile(ReadLines(dat.string()));
  } catch (const std::exception&) {
    return false;
  }
  if (!d.headerComplete || !(d.rk > 0) || !(d.rho0 > 0)) return false;
  std::int16_t type = 0, northUp = 0;
  float dateKnown = 0;
  ApplyTypeWord(d.typeWord, p.filename().string(), type, northUp, dateKnown);
  cal.x0 = d.x0;
  cal.y0 = d.y0;
  cal.rk = d.rk;
  cal.northUp = type == 1 || northUp == 1;
  cal.P = cal.northUp ? 0 : d.P;
  cal.B0 = d.B0;
  cal.L0 = d.L0;
  cal.rho0 = d.rho0;
  cal.orientation = d.orientation;
  day.known = d.year > 0;
  day.year = static_cast<int>(d.year);
  day.month = static_cast<int>(d.month);
  day.day = static_cast<int>(d.day);
  day.hours = d.timeUT;
  return true;
}

// The reference groups of the picture's day: the summary given with
// --catalogue, else DPD1.txt or the day's summary beside the picture. The
// catalogue's problems go to stderr.
std::vector<ReferenceGroup> References(const std::string& picture, const std::string& catalogue, const Day& day) {
  if (!day.known) return {};
  std::vector<std::string> problems;
  const std::vector<ReferenceGroup> refs =
      catalogue.empty()
          ? ReferenceGroupsOfDay(std::filesystem::path(picture).parent_path().string(), day.year, day.month, day.day,
                                 day.hours, &problems)
          : SrsGroupsAt(catalogue, day.year, day.month, day.day, day.hours, &problems);
  for (const std::string& p : problems) std::fprintf(stderr, "pelorin-cli spots: %s\n", p.c_str());
  return refs;
}

// Writes the groups in Solar Region Summary layout to `path`; "" when done.
std::string WriteRegionSummary(const std::string& path, const std::string& picture, const Day& day,
                               const SpotReport& report) {
  if (!day.known) return "the picture's date is not known (no data file or header gives it)";
  const std::string text = WriteSrs(std::filesystem::path(picture).filename().string(), day.year, day.month, day.day,
                                    day.hours, SrsRowsOfReport(report, day.year, day.month, day.day));
  return WriteFileAtomically(path, text);
}

// The calibration's errors of --errors: those given, the others assumed
// (kHeaderDisc_px, kHeaderOrientation_deg), the time's kDefaultTime_h when
// the day is known (without it the time's share is left out).
CalibrationErrors ErrorsOf(const std::map<std::string, double>& given, const Day& day, bool northUp) {
  auto value = [&](const char* key, double assumed) {
    const auto it = given.find(key);
    return it == given.end() ? assumed : it->second;
  };
  CalibrationErrors e;
  e.disc = IndependentDiscCovariance(value("sx0", kHeaderDisc_px), value("sy0", kHeaderDisc_px),
                                     value("srk", kHeaderDisc_px));
  e.orientation_deg = value("sorientation", kHeaderOrientation_deg);
  if (day.known) {
    e.time_h = kDefaultTime_h;
    EphemerisRates(day.year, day.month, day.day, day.hours, e.dP_dh, e.dB0_dh, e.dL0_dh);
    if (northUp) e.dP_dh = 0;  // P is 0 on a north-up picture whatever the time
  }
  return e;
}

}  // namespace

int RunSpots(const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (a == "--write") return RunSpotsWrite(args);
  enum class Mode { Spots, Groups, Summary } mode = Mode::Spots;
  std::string file;
  std::map<std::string, double> keys;
  auto usage = [](const std::string& why) {
    std::fprintf(stderr, "pelorin-cli spots: %s\n", why.c_str());
    std::fprintf(stderr,
                 "usage: pelorin-cli spots [--groups | --summary] [--srs OUT] [--catalogue SRS] FILE [x0= y0= rk= P= B0= "
                 "L0= rho0= orientation= northup=0|1]\n");
    return 2;
  };
  std::string srsOut, catalogue;
  bool withErrors = false;
  std::map<std::string, double> errorKeys;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--errors") {
      if (withErrors) return usage("--errors given twice");
      withErrors = true;
      continue;
    }
    if (a == "--groups" || a == "--summary") {
      if (mode != Mode::Spots) return usage("only one of --groups and --summary");
      mode = a == "--groups" ? Mode::Groups : Mode::Summary;
      continue;
    }
    if (a == "--srs" || a == "--catalogue") {
      std::string& target = a == "--srs" ? srsOut : catalogue;
      if (!target.empty()) return usage(a + " given twice");
      if (i + 1 >= args.size() || args[i + 1].empty()) return usage(a + " needs a FILE");
      target = args[++i];
      continue;
    }
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos) {
      if (!file.empty()) return usage("more than one FILE given");
      if (a.empty() || a[0] == '-') return usage("unknown option '" + a + "'");
      file = a;
      continue;
    }
    const std::string key = a.substr(0, eq);
    bool known = false, error = false;
    for (const char* k : kKeys) known = known || key == k;
    for (const char* k : kErrorKeys) error = error || key == k;
    if (!known && !error) return usage("unknown argument '" + key + "'");
    std::map<std::string, double>& into = error ? errorKeys : keys;
    if (into.count(key)) return usage("argument '" + key + "' given twice");
    const std::optional<double> v = WholeNumber(a.substr(eq + 1));
    if (!v) return usage("argument '" + key + "' is not a number: '" + a.substr(eq + 1) + "'");
    if (error && !(*v >= 0)) return usage("argument '" + key + "' (an error, 1 sigma) must not be negative");
    into[key] = *v;
  }
  if (!errorKeys.empty() && !withErrors) return usage(errorKeys.begin()->first + "= needs --errors");
  if (file.empty()) return usage("no FILE given");
  if (!keys.empty() && keys.size() != 9) {
    for (const char* k : kKeys)
      if (!keys.count(k)) return usage(std::string("missing argument '") + k + "' (the calibration takes all nine keys)");
  }
  if (keys.count("northup") && keys["northup"] != 0 && keys["northup"] != 1) return usage("northup must be 0 or 1");

  std::error_code ec;
  if (!catalogue.empty() && !std::filesystem::is_regular_file(catalogue, ec)) {
    std::fprintf(stderr, "pelorin-cli spots: %s: the catalogue cannot be read\n", catalogue.c_str());
    return 1;
  }
  decoders::DecodedPicture picture;
  std::string error;
  if (!decoders::ReadPicture(file, picture, error)) {
    std::fprintf(stderr, "pelorin-cli spots: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  const std::string refusal = SpotRefusalOfHeader(picture.header);
  if (!refusal.empty()) {
    std::fprintf(stderr, "pelorin-cli spots: %s: %s\n", file.c_str(), refusal.c_str());
    return 1;
  }
  DiscCalibration cal;
  Day day;
  if (keys.size() == 9) {
    cal = CalibrationOfKeys(keys);
  } else if (!FromDataFile(file, cal, day)) {
    HeaderCalibration hc;
    std::string missing;
    if (picture.header.Empty() || !CalibrateFromHeader(picture.header, picture.width, picture.height, hc, missing)) {
      std::fprintf(stderr,
                   "pelorin-cli spots: %s: the picture is not calibrated: give x0 y0 rk P B0 L0 rho0 orientation "
                   "northup, or measure it (its data file), or use a picture whose header calibrates it%s%s\n",
                   file.c_str(), missing.empty() ? "" : "; the header lacks: ", missing.c_str());
      return 1;
    }
    cal.x0 = hc.x0;
    cal.y0 = hc.y0;
    cal.rk = hc.rk;
    cal.P = hc.P;
    cal.B0 = hc.B0;
    cal.L0 = hc.L0;
    cal.rho0 = hc.rho0;
    cal.orientation = hc.orientation;
    cal.northUp = hc.northUp == 1;
    day.known = true;
    day.year = hc.time.year;
    day.month = hc.time.month;
    day.day = hc.time.day;
    day.hours = hc.time.hours;
  }
  GreyPicture grey = decoders::GreyOfDecoded(picture);
  SpotReport report;
  if (!FindSpots(std::move(grey), cal, SpotSettings{}, report, error)) {
    std::fprintf(stderr, "pelorin-cli spots: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  // What the finder cut short goes to stderr, so that stdout stays the
  // table alone.
  for (const std::string& note : report.notes)
    std::fprintf(stderr, "pelorin-cli spots: %s: note: %s\n", file.c_str(), note.c_str());
  NameGroups(report.groups, References(file, catalogue, day));
  if (withErrors) AttachPositionErrors(report, cal, ErrorsOf(errorKeys, day, cal.northUp));
  if (!srsOut.empty()) {
    if (const std::string why = WriteRegionSummary(srsOut, file, day, report); !why.empty()) {
      std::fprintf(stderr, "pelorin-cli spots: %s: %s\n", srsOut.c_str(), why.c_str());
      return 1;
    }
  }
  std::string out;
  if (mode == Mode::Spots) out = SpotRowsCsv(report, withErrors);
  else if (mode == Mode::Groups) out = GroupRowsCsv(report, withErrors);
  else out = SummaryLine(CountSpots(report.groups)) + "\n";
  // Lines on stdout end with LF, as every command's.
  std::string lf;
  for (char c : out)
    if (c != '\r') lf += c;
  std::fputs(lf.c_str(), stdout);
  return 0;
}

}  // namespace pelorin::cli
