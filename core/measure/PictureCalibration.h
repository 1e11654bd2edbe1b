// The calibration a picture is measured with outside the window, as the
// window sets it when the picture opens: from its data file, or from its
// header; with the date the catalogues and the ephemeris' rates are read
// for, and the calibration's errors the window would show.
#pragma once

#include <string>

#include "formats/CalFile.h"
#include "formats/DataFile.h"
#include "formats/HeaderCalibration.h"
#include "geometry/Transform.h"

namespace pelorin {

struct PictureCalibration {
  DiscCalibration cal;  // as the transforms take it: P as recorded, 0 on a north-up picture
  bool dateKnown = false;
  int year = 0, month = 0, day = 0;
  double hours = 0;  // UT
  CalErrors errors = AssumedCalErrors();
};

// From the contents of a picture's data file (`pictureName` the picture's
// bare name, which the type word may need). False, nothing set, when the
// header is incomplete or holds no limb (radius or rho0 not positive). The
// errors are the assumed ones; CalErrorsBeside gives those kept with it.
bool CalibrationOfDataFile(const DataFileContents& c, const std::string& pictureName, PictureCalibration& out);

// The errors kept in the .cal beside the data file at `dataFile`; the
// assumed ones when there is none or it cannot be read (the window then
// says why; here nothing is said). Never throws.
CalErrors CalErrorsBeside(const std::string& dataFile);

// From a header's calibration: its date always known, its errors the
// header's precision (HeaderCalErrors).
PictureCalibration CalibrationOfHeader(const HeaderCalibration& hc);

}  // namespace pelorin
