// The keyboard command dispatcher. Every key press and every request to
// repaint passes through DoCommand, which ends with the overlays' redraw
// (app/Overlays.h).
#pragma once

#include <cstdint>

#include "app/App.h"
#include "app/Overlays.h"

namespace pelorin {

inline constexpr std::int16_t kRedrawKey = '*';

// Restores the clean picture, carries out the command of `key` (a 16-bit
// character code, compared case-sensitively) and redraws every overlay. A
// failing step is absorbed: a scroll step past its range stops at the end,
// the key becomes "*" and the rest runs. Writes "*" into `key` before it
// returns. Never throws.
void DoCommand(App& app, std::int16_t& key);

// DoCommand with "*": restore and redraw only.
void Redraw(App& app);

}  // namespace pelorin
