// The keyboard command dispatcher and the overlay redraw. Every key press and
// every request to repaint passes through DoCommand.
#pragma once

#include <cstdint>

#include "app/App.h"

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

// Draws every overlay from the program state over the current picture (the
// last step of DoCommand): pixel grid, stored object points, heliographic
// grid, reference catalogue marks and names. Each drawing statement that
// fails is skipped.
void DrawOverlays(App& app);

// Plots the points of the current input as black dots: 1..PointCount, or
// the open object's own points on a calibrated picture. Throws when a point
// cannot be converted back to the picture.
void PlotInputPoints(App& app);

// View -> "Object": toggles ShowObjects and redraws.
void objectview_Click(App& app);

}  // namespace pelorin
