// A measurement data file and the program: reading one back into the
// program state, and File -> "Save".
#pragma once

#include <string>

#include "app/App.h"
#include "formats/DataFile.h"

namespace pelorin {

// Takes the date, UT, P, B0, L0, rho0 and the image type (for the picture of
// bare name `picture`) of a parsed header into the program state; the rest
// of the state stays.
void ApplyHeaderDate(const DataFileContents& c, const std::string& picture, ProgramState& s);

// Reads the data file at `path` into the program state and restarts the
// window's working file (temp.dat for the first window) in the current
// folder (as app.file2) as an up-to-date copy: lines 1 to 4
// with `pictureName` (a bare name; a folder part is dropped), the header from
// the values read (P = 0 on a north-up picture; the type word line as read),
// and one record per point read, rounded to 5 decimals. Sets ImageType,
// NorthUpImage, DateKnown, the date, time, ephemeris, disc and orientation,
// CalibrationState 3, PointCount 0, StoredPointCount = records read, each
// record's picture position in PointX/PointY (HeliographicToPicture with
// -OrientationAngle), DataFileName (the bare name of `path`) and
// app.dataFilePath (its absolute path).
// Throws FileError naming the file (and the line) when the file cannot be
// read or its header is cut short; the program state is then untouched.
// Also throws FileError when temp.dat cannot be written; when it cannot be
// created the program state is untouched as well.
// Returns "" when every line was read; otherwise a text for the user naming
// the file and what was left out: records beyond the 1000th (reading stops
// there, what was read stays), record lines without their commas, records of
// an unknown version.
std::string ReadDataFile(App& app, const std::string& path, const std::string& pictureName);

// File -> "Save". Type 2: the clicked points, one "x,y" line each, to the
// chosen file (preset DataFileName less its last four characters). Other
// types: temp.dat copied to the chosen file (preset DataFileName), temp.dat
// then restarted from the saved file and kept open for appending. A cancelled
// dialog saves under the preset name in the current folder. The target is
// written beside itself (target + ".part") and renamed over the old file, so
// a failed save leaves the old file, temp.dat and its open state as they were
// and says in a message box which file failed and why. A target that is one
// of the working files (temp.dat, a.tmp) is refused with a message box and
// nothing is written. Ends with a redraw.
void spremi_Click(App& app);
// The same, telling whether the data reached the chosen file (false after
// every message of a failure, and when nothing was saved).
bool SaveData(App& app);

}  // namespace pelorin
