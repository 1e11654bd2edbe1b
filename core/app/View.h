// View -> "Brightness scale": how a picture of measured data is shown.
#pragma once

#include "app/App.h"
#include "base/Brightness.h"

namespace pelorin {

// Shows the open picture's data under scale `s` and redraws every mark over
// it (grid, points, reference marks), so the read-out and autoselect use the
// grey now shown. A picture without data levels (BMP, JPEG, PNG, TIFF) keeps
// its look; the scale holds for the next picture of data either way.
// Returns whether the picture changed.
bool BrightnessScale_Click(App& app, BrightnessScale s);

// Whether the open picture has data levels, so that the scale changes it.
bool BrightnessScaleApplies(const App& app);

}  // namespace pelorin
