// The lines the program appends to the working data file temp.dat (file 2)
// and the point log a.tmp (file 1). Each throws FileError naming the file
// when it cannot be written, except that the a.tmp writers write nothing
// while a.tmp is not open (its opening failed and was reported then).
#pragma once

#include <string>

#include "app/App.h"
#include "formats/DataFile.h"  // TypeWord

namespace pelorin {

// Lines 1 to 4 of temp.dat: the format note, the unit note, "v2.0",
// "Picture: " and the bare picture name.
void WriteHeaderStart(App& app, const std::string& pictureName);
// Lines 5 to 10 (date, time, P, B0, L0, rho0) and, for types 0, 1, 3, the
// type word of line 11.
void WriteDateLines(App& app);
// The type word line alone ("scan", "SOHO", "photo"; nothing for type 2).
void WriteTypeLine(App& app);
// Line 12: ZeroPointX, ZeroPointY, LimbRadius.
void WriteDiscLine(App& app);
// Line 13: OrientationAngle.
void WriteOrientationLine(App& app);
// A record: the quoted object name, B, CMD, L.
void WriteObjectRecord(App& app, const std::string& name, double B, double CMD, double L);
// a.tmp: a captured point, its two coordinates joined by ",", in the general
// text form (`single` true for Single values, false for Doubles).
void LogPoint(App& app, double first, double second, bool single);
// a.tmp: B and CMD of a finished object's point joined by ", ".
void LogObjectPoint(App& app, double B, double CMD);

}  // namespace pelorin
