// The measurement data file of a picture measured at its truth, written line
// by line by the program's own working-file writers, so that the program
// reads it back as one of its own: the calibration of the truth, and one
// record per measured spot where the "Weighted" autoselect puts a click on
// that spot.
#pragma once

#include <string>
#include <vector>

#include "SunPicture.h"

namespace pelorin::gen {

// One object as the observer measured it: the name typed at "New object"
// and the spots of the truth clicked for it, in order.
struct MeasuredObject {
  std::string name;                // no double quote, no comma (the program refuses them)
  std::vector<std::string> spots;  // names of spots of the truth
};

// A record of the data file: object name and the spot's heliographic
// latitude B, central meridian distance CMD and Carrington longitude L in
// degrees, rounded to 5 decimals.
struct MeasuredRecord {
  std::string name;
  double B_deg = 0, CMD_deg = 0, L_deg = 0;
};

// The records of `objects`, one per spot in order: PixelToHeliographic of the
// spot's drawn centre held in single precision (as the program holds a
// clicked point), with the truth's calibration and `imageType` (0, 1 or 3).
// Throws std::invalid_argument naming an unknown spot, a bad object name or
// a type other than 0, 1 and 3 (type 2 pictures have no data file).
std::vector<MeasuredRecord> MeasuredRecords(const Truth& truth, int imageType,
                                            const std::vector<MeasuredObject>& objects);

// Writes the data file of a picture of type `imageType` named `pictureName`
// (bare name), version "v2.0", with CR LF line ends: lines 1 to 4, the date,
// time, P, B0, L0, rho0 lines and the type word, the disc line (x0, y0, rk of
// the truth), the orientation line and the records of `objects`. Throws as
// MeasuredRecords (then nothing is written), or FileError naming the path.
void WriteMeasuredDataFile(const std::string& path, const Truth& truth, int imageType, const std::string& pictureName,
                           const std::vector<MeasuredObject>& objects);

}  // namespace pelorin::gen
