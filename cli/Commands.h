// The sub-commands of pelorin-cli. Each takes the arguments after the
// command's name, prints its result on stdout, its complaints on stderr, and
// returns the exit status (0 ok, 2 bad arguments, 1 a file that cannot be
// read).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "formats/HeaderCalibration.h"
#include "base/PictureHeader.h"
#include "geometry/PositionErrors.h"
#include "geometry/Transform.h"

namespace pelorin::cli {

// "key=value key=value ...", the values in the general text form: the one
// line every command prints.
std::string PairsLine(const std::vector<std::pair<const char*, double>>& pairs);

// The calibration of the nine keys x0 y0 rk P B0 L0 rho0 orientation
// northup (north up when northup is 1); a key not in `keys` reads as 0.
DiscCalibration CalibrationOfKeys(const std::map<std::string, double>& keys);

// An error, degrees, rounded to 5 decimals as B, CMD and L are (NaN stays).
double RoundedError(double error_deg);
// Why a position's errors are not those of first order (off the disc, or
// beyond kFirstOrderLimit_deg from the centre), one sentence for stderr.
std::string FirstOrderNote(const PositionErrors& e);

int RunDat(const std::vector<std::string>& args);
// series [options] PATH...: data files, or folders of them, read as a season;
// the rotation law's summary line, or the velocities (--velocities) or the
// tracks (--tracks) as CSV. 1 when no data file could be read or too few
// velocities remain for the law, 2 for bad arguments.
int RunSeries(const std::vector<std::string>& args);
// FILE (a picture) -> x0 y0 rk (picture pixels, y down) and the number of
// limb points the circle was fitted to; no disc found: a message and 1.
int RunLimb(const std::vector<std::string>& args);
// spots [--groups | --summary] [--errors] FILE [x0 y0 rk P B0 L0 rho0
// orientation northup] [sx0 sy0 srk sorientation]: the spots found on the
// picture as CSV (one row per spot), its groups as CSV, or one line of the
// day's counts. --errors adds B_err,CMD_err,L_err to the rows
// (AttachPositionErrors), the calibration's errors as given, else assumed
// (kHeaderDisc_px, kHeaderOrientation_deg, kDefaultTime_h). Calibration from the nine
// keys, else the data file beside the picture, else its header; none, an
// unreadable picture or an EUV picture or magnetogram: a message and 1.
int RunSpots(const std::vector<std::string>& args);
// spots --write PATH... [--jobs N] [--replace] [--catalogue SRS]: the spots
// of every picture among the paths (folders with their subfolders) written
// into its data file and .spots.csv, one CSV row a picture on stdout in the
// order of the paths; a progress line on stderr when it is a terminal. 1
// when a picture was skipped (named on stderr with why) or no picture was
// found, 2 for bad arguments.
int RunSpotsWrite(const std::vector<std::string>& args);
// report [--month YYYY-MM] [--k K] PATH...: one CSV row of the day's counts
// per picture whose data file has a .spots.csv beside it, in time order;
// files left out are named on stderr. 1 when nothing could be read at all,
// 2 for bad arguments.
int RunReport(const std::vector<std::string>& args);

// calibrate FILE: reads the picture (FITS, JPEG 2000, ...) and prints the
// calibration of its header (CalibrationLine); 1 with a message naming the
// file when it cannot be read or its header gives no calibration, 2 for bad
// arguments.
int RunCalibrate(const std::vector<std::string>& args);
// The part after reading: prints the line for `header` of a picture of
// `width` x `height` pixels, or says on stderr why there is none (status 1).
int CalibrateHeader(const std::string& file, const PictureHeader& header, int width, int height);
// "x0= y0= rk= P= B0= L0= rho0= orientation= northup= year= month= day=
// hours=", numbers in the general text form; the first nine pairs are the
// helio command's picture.
std::string CalibrationLine(const HeaderCalibration& c);

// The solar geometry. Arguments are key=value pairs in any order, every
// value one whole decimal number; a missing, unknown, repeated or
// non-numeric argument, or a value out of its range, is a bad argument.
// Output: one line of key=value pairs, numbers in the general text form.

// year month day hours (UT) -> P B0 L0 rho0 hours (rounded as stored).
int RunEphemeris(const std::vector<std::string>& args);
// x0 y0 rk P B0 L0 rho0 orientation x y [northup=0|1] -> B CMD L. With
// any of sx0 sy0 srk (pixels) sorientation (degrees) sxy (pixels, each of x
// and y), the 1-sigma errors of the calibration and the point (the others
// 0): B_err CMD_err L_err (degrees) follow, and beyond
// kFirstOrderLimit_deg from the centre, or off the disc, a note on stderr.
int RunHelio(const std::vector<std::string>& args);
// x0 y0 rk P B0 L0 rho0 orientation L B -> x y (unrounded; the orientation
// is used as given, callers of the program pass -OrientationAngle).
int RunPixel(const std::vector<std::string>& args);
// s (0..9) x0 y0 x y -> X Y for systems 0..7, R fi for 8 and 9.
int RunSystem(const std::vector<std::string>& args);

}  // namespace pelorin::cli
