// pelorin-cli: the measurement core on the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

const char* const kUsage =
    "usage: pelorin-cli COMMAND key=value ...\n"
    "       pelorin-cli --help | --version\n"
    "commands:\n"
    "  ephemeris year= month= day= hours=\n"
    "      P, B0, L0 (degrees) and rho0 (AU) for a date and UT (decimal hours)\n"
    "  helio x0= y0= rk= P= B0= L0= rho0= orientation= x= y= [northup=0|1]\n"
    "      heliographic B, CMD, L (degrees) of the picture point (x, y)\n"
    "  pixel x0= y0= rk= P= B0= L0= rho0= orientation= L= B=\n"
    "      picture point of heliographic L, B (pass the negated orientation)\n"
    "  system s= x0= y0= x= y=\n"
    "      the point in coordinate system s: X, Y for 0..7, R, fi for 8 and 9\n"
    "  calibrate FILE\n"
    "      the calibration a FITS or JPEG 2000 picture's header gives, as helio takes it\n"
    "  dat [--csv] FILE\n"
    "      the header and records of a measurement data file\n"
    "  series [--method ds|fit] [--law 2|3] [--velocities | --tracks] PATH...\n"
    "      the Sun's rotation law from data files (folders read with subfolders)\n"
    "  limb FILE\n"
    "      the solar disc found on a picture: centre x0, y0 and radius rk (pixels), their 1-sigma errors\n"
    "  spots [--groups | --summary] [--srs OUT] [--catalogue SRS] FILE [x0= y0= rk= P= B0= L0= rho0= orientation=\n"
    "        northup=0|1]\n"
    "      the sunspots found on a calibrated white-light picture (CSV), their groups, or the day's counts;\n"
    "      --srs writes the groups as a Solar Region Summary, --catalogue names them from one\n"
    "  spots --write [--jobs N] [--replace] [--catalogue SRS] PATH...\n"
    "      the sunspots of every picture (folders read with subfolders) written into its data file and\n"
    "      .spots.csv, as Find sunspots, Accept and Save write them\n"
    "  report [--month YYYY-MM] [--k K] PATH...\n"
    "      the day's counts of every measured picture (data file and .spots.csv), one CSV row a picture\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version" || command == "-v") {
    std::fputs("pelorin-cli " PELORIN_VERSION "\n", stdout);
    return 0;
  }
  if (command == "ephemeris") return pelorin::cli::RunEphemeris(args);
  if (command == "helio") return pelorin::cli::RunHelio(args);
  if (command == "pixel") return pelorin::cli::RunPixel(args);
  if (command == "system") return pelorin::cli::RunSystem(args);
  if (command == "dat") return pelorin::cli::RunDat(args);
  if (command == "calibrate") return pelorin::cli::RunCalibrate(args);
  if (command == "series") return pelorin::cli::RunSeries(args);
  if (command == "limb") return pelorin::cli::RunLimb(args);
  if (command == "spots") return pelorin::cli::RunSpots(args);
  if (command == "report") return pelorin::cli::RunReport(args);
  std::fprintf(stderr, "pelorin-cli: unknown command '%s'\n", command.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}
