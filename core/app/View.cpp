#include "app/View.h"

#include "app/Dispatcher.h"

namespace pelorin {

bool BrightnessScale_Click(App& app, BrightnessScale s) {
  if (!app.pic.SetBrightness(s)) return false;
  Redraw(app);
  return true;
}

bool BrightnessScaleApplies(const App& app) { return app.pic.HasDataLevels(); }

}  // namespace pelorin
