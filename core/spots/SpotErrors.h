// The errors of found spots' and groups' positions: each spot's centre
// from the noise of the pixels it was weighed from, and the calibration's,
// propagated to B, CMD and L (PropagatePositionErrors, first order). A stage
// after the finder, called by the window and pelorin-cli alike.
#pragma once

#include "formats/SpotTable.h"
#include "geometry/PositionErrors.h"
#include "geometry/Transform.h"

namespace pelorin {

// The noise of one pixel's darkness weight (contrast units) as it acts on a
// centre: the quiet Sun's scatter, widened by the correlation between
// neighbouring pixels (seeing blur, granulation, JPEG blocks) to three
// times the scatter of the 3 x 3 mean, which equals the single pixel's
// when neighbours are independent. 0 for a report without either.
double CentreNoise(const SpotReport& report);

// Sets every spot's sx_px, sy_px (CentroidError_px of its centre's weight
// and spread with CentreNoise, doubled for the finder's choice of the
// umbra's pixels, which moves with the noise as well) and B_err, CMD_err, L_err (degrees, 1 sigma,
// through PropagatePositionErrors on `cal` with the calibration's errors
// `e`), and every group's B_err, CMD_err, L_err: those of its
// area-weighted centre (picture pixels), whose own error is the spots'
// combined with their area shares (the calibration's counts once, shared by
// all its spots). A spot beyond kFirstOrderLimit_deg keeps the first-order
// figures (an underestimate there); one off the disc gets NaN. Positions
// are not changed.
void AttachPositionErrors(SpotReport& report, const DiscCalibration& cal, const CalibrationErrors& e);

}  // namespace pelorin
