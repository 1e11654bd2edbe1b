#pragma once

#include "app/App.h"

namespace pelorin {

// File -> "Save Image": the picture with its marks as DataFileName & ".BMP".
void spremisliku_Click(App& app);

}  // namespace pelorin
