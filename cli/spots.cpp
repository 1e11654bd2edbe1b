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
#include "measure/PictureCalibration.h"
#include "formats/Srs.h"
#include "base/AtomicFile.h"

namespace pelorin::cli {

namespace {

const char* const kKeys[] = {"x0", "y0", "rk", "P", "B0", "L0", "rho0", "orientation", "northup"};
// The calibration's errors --errors takes, 1 sigma: centre and radius
// (pixels), orientation (degrees).
const char* const kErrorKeys[] = {"sx0", "sy0", "srk", "sorientation"};

// The calibration in the data file beside the picture, when it holds one,
// with the errors kept beside it (as the window reads them).
bool FromDataFile(const std::string& picture, PictureCalibration& pc) {
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
  if (!CalibrationOfDataFile(d, p.filename().string(), pc)) return false;
  pc.errors = CalErrorsBeside(dat.string());
  return true;
}

// The reference groups of the picture's day: the summary given with
// --catalogue, else DPD1.txt or the day's summary beside the picture. The
// catalogue's problems go to stderr.
std::vector<ReferenceGroup> References(const std::string& picture, const std::string& catalogue,
                                       const PictureCalibration& day) {
  if (!day.dateKnown) return {};
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
std::string WriteRegionSummary(const std::string& path, const std::string& picture, const PictureCalibration& day,
                               const SpotReport& report) {
  if (!day.dateKnown) return "the picture's date is not known (no data file or header gives it)";
  const std::string text = WriteSrs(std::filesystem::path(picture).filename().string(), day.year, day.month, day.day,
                                    day.hours, SrsRowsOfReport(report, day.year, day.month, day.day));
  return WriteFileAtomically(path, text);
}

// The calibration's errors of --errors: those given, the others as the
// window has them (the .cal beside the data file, the assumed or the
// header's; the header's precision for the nine keys given), the time's
// when the day is known (without it the time's share is left out). A disc
// error given replaces the disc's covariances.
CalibrationErrors ErrorsOf(const std::map<std::string, double>& given, const PictureCalibration& pc) {
  CalibrationErrors e = PropagationErrorsOf(pc.errors, pc.dateKnown, pc.year, pc.month, pc.day, pc.hours,
                                            pc.cal.northUp);
  auto value = [&](const char* key, double kept) {
    const auto it = given.find(key);
    return it == given.end() ? kept : it->second;
  };
  if (given.count("sx0") || given.count("sy0") || given.count("srk"))
    e.disc = IndependentDiscCovariance(value("sx0", pc.errors.x0_px), value("sy0", pc.errors.y0_px),
                                       value("srk", pc.errors.rk_px));
  e.orientation_deg = value("sorientation", pc.errors.orientation_deg);
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
  PictureCalibration pc;
  pc.errors = HeaderCalErrors();
  if (keys.size() == 9) {
    pc.cal = CalibrationOfKeys(keys);
  } else if (!FromDataFile(file, pc)) {
    HeaderCalibration hc;
    std::string missing;
    if (picture.header.Empty() || !CalibrateFromHeader(picture.header, picture.width, picture.height, hc, missing)) {
      std::fprintf(stderr,
                   "pelorin-cli spots: %s: the picture is not calibrated: give x0 y0 rk P B0 L0 rho0 orientation "
                   "northup, or measure it (its data file), or use a picture whose header calibrates it%s%s\n",
                   file.c_str(), missing.empty() ? "" : "; the header lacks: ", missing.c_str());
      return 1;
    }
    pc = CalibrationOfHeader(hc);
  }
  const DiscCalibration& cal = pc.cal;
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
  NameGroups(report.groups, References(file, catalogue, pc));
  if (withErrors) AttachPositionErrors(report, cal, ErrorsOf(errorKeys, pc));
  if (!srsOut.empty()) {
    if (const std::string why = WriteRegionSummary(srsOut, file, pc, report); !why.empty()) {
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
