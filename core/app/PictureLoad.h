// Opening pictures and setting them up by type and file name.
#pragma once

#include <string>

#include "app/App.h"

namespace pelorin {

// File -> "Open" (also the keys f and F). With `path` given the dialog is
// skipped (a picture named on the command line).
void ucitavanje_Click(App& app);
void OpenPicture(App& app, const std::string& path);

// Sets the picture up: `name` is the full picture path on entry and the data
// file name on return; `result` 0 when a data file was read, 1 otherwise.
void LoadPictureData(App& app, std::string& name, int& result);

// Date and time from a Kanzelhoehe picture name ("kanz_drawx", "kanz_halph",
// "kanz_bband" prefixes, case-sensitive). False when the name has none.
bool KanzelhoeheDate(const std::string& name, double& year, double& month, double& day, double& hours);

}  // namespace pelorin
