// A season of daily data files of known truth: sunspot groups born at
// latitudes of +-5..35 degrees, living 2..30 days, carried in L by a chosen
// sidereal rotation law plus a peculiar velocity of their own, measured with
// position noise that grows towards the limb, their spots coming and going,
// on days of which some are missing, with names that are sometimes missing
// or changed. The files are written by the program's own working-file
// writers, in its current data-file format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelorin::gen {

// omega_sid = A + B sin^2 b + C sin^4 b, degrees per day.
struct SeriesLaw {
  double A = 14.50, B = -2.87, C = 0;
  double At(double B_deg) const;
};

// One group of the truth. Its centre at time t (Julian day, UT) is at
// latitude b0 + dBdt (t - born) and Carrington longitude
// L0 + (omegaSid - 14.1844) (t - born).
struct SeriesGroup {
  std::string name;       // "" for a group never named
  std::string renamedTo;  // its name from renameJd on ("" for none)
  double renameJd = 0;
  double bornJd = 0, diesJd = 0;
  double b0_deg = 0, L0_deg = 0;
  double omegaSid_deg_day = 0;  // the law at b0 plus its peculiar velocity
  double dBdt_deg_day = 0;
  std::vector<double> spotDL_deg, spotDB_deg;  // offsets of its spots from the centre; the first always seen
};

struct SeriesPlan {
  int year = 2024, month = 1, day = 1;  // first day
  int days = 730;
  double missingDays = 0.3;  // fraction of days without a file
  double birthsPerDay = 0.55;
  double peculiar_deg_day = 0.3;     // sigma of each group's own rotation velocity
  double noise_deg = 0.15;           // sigma of a measured position at the disc's centre
  double meridional_deg_day = 0.01;  // poleward drift of every group, plus a sigma of 0.02 each
  double unnamedGroupDays = 0.04;    // chance that a group's records of one day are unnamed
  double neverNamed = 0.02;          // chance that a group is never named
  double renamed = 0.08;             // chance that a group's name changes during its life
  bool noaaNames = false;            // names are five-digit NOAA numbers (11100..11399), not 100..399
  // Chance that a group's name on one day is missing or written otherwise,
  // each a quarter of the time: none, "AR11680", the four digits "1680", or
  // a name of that day only. 0 draws nothing (the seasons of a seed stay).
  double otherNames = 0;
  double spotSeen = 0.85;            // chance that a spot other than the first is measured on a day
  double orientation_deg = 0;        // sigma of each file's orientation error (all its positions turned)
  int maxSpots = 3;
  SeriesLaw law;
  std::uint64_t seed = 1;
  std::string prefix = "season_";  // file names: PREFIX + YYYYMMDD_HHMM.dat
  // When not empty, these groups instead of random ones (no noise is added
  // beyond noise_deg; set it to 0 for exact positions).
  std::vector<SeriesGroup> groups;
};

// A file written: its path, its time and the truth's group (index) of each
// record, in file order.
struct SeriesTruthFile {
  std::string path;
  double jd = 0;
  std::vector<int> recordGroup;
};

struct SeriesTruth {
  std::vector<SeriesGroup> groups;
  std::vector<SeriesTruthFile> files;  // in time order
};

// Writes the season into `folder` (created if needed). Deterministic for a
// seed. Throws FileError naming a file that cannot be written.
SeriesTruth WriteSeries(const std::string& folder, const SeriesPlan& plan);

// The truth as CSV: "group,name,born,dies,b0,L0,omega_sid,dBdt" per group.
std::string SeriesTruthCsv(const SeriesTruth& truth);

}  // namespace pelorin::gen
