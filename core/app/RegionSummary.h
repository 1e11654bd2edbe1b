// File -> "Export region summary…": the day's groups found on the open
// picture written in the layout of NOAA's Solar Region Summary, as
// `pelorin-cli spots --srs` writes them.
#pragma once

#include <string>

#include "app/App.h"

namespace pelorin {

// The summary of the open picture (WriteSrs of SrsRowsOfReport): the groups
// checked in the open review of Find sunspots, or, with no review open, the
// groups Accept recorded (the records with an area). "" with `text` set;
// otherwise why there is none, for the user: no sunspots found or accepted,
// or the picture's date not known.
std::string RegionSummaryOfPicture(const App& app, std::string& text);

// File -> "Export region summary…": asks where to save it (offered: the
// picture's name with ".srs.txt", not a name of NOAA's own files, which the
// catalogues beside the picture are read from) and writes it in one piece.
// Why there is nothing to export is said before any file is asked for; a
// failed write is said in a message box.
void ExportRegionSummary_Click(App& app);

}  // namespace pelorin
