// The lines the program appends to the working data file temp.dat (file 2)
// and the point log a.tmp (file 1). Each throws FileError naming the file
// when it cannot be written, except that the a.tmp writers write nothing
// while a.tmp is not open (its opening failed and was reported then).
#pragma once

#include <cstddef>
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
// Line 12: ZeroPointX, ZeroPointY, LimbRadius; where the working file holds
// a line 12 already (the limb measured again), it is replaced, the file
// rewritten whole (ReplaceWorkingFile).
inline constexpr std::size_t kDiscLine = 12;
void WriteDiscLine(App& app);
// Line 13: OrientationAngle; replaced in the same way.
void WriteOrientationLine(App& app);

// Writes `bytes` as the working file without ever leaving it half written:
// into a file beside it, to the disk, renamed over it; then opened again
// for the lines measuring appends. "" when done, else why (the working file
// is then as it was). A working file that was replaced but cannot be opened
// again counts as done; a message box says that measuring stops there.
std::string ReplaceWorkingFile(App& app, const std::string& bytes);
// A record: the quoted object name, B, CMD, L.
void WriteObjectRecord(App& app, const std::string& name, double B, double CMD, double L);
// a.tmp: a captured point, its two coordinates joined by ",", in the general
// text form (`single` true for Single values, false for Doubles).
void LogPoint(App& app, double first, double second, bool single);
// a.tmp: B and CMD of a finished object's point joined by ", ".
void LogObjectPoint(App& app, double B, double CMD);

}  // namespace pelorin
