// Moving the picture: scroll bars, keys 8/2/4/6 and the Shift-drag.
#pragma once

#include "app/App.h"

namespace pelorin {

// A scroll value changed (click, key step or program): redraw unless a drag
// is in progress.
void HScroll1_Change(App& app);
void VScroll1_Change(App& app);
// The thumb is being dragged: always redraw.
void HScroll1_Scroll(App& app);
void VScroll1_Scroll(App& app);

// Start of a Shift-drag at (X, Y) picture pixels.
void StartQuickMove(App& app, double X, double Y);
// A drag step with the pointer at (X, Y).
void QuickMoveStep(App& app, double X, double Y);
// Any mouse button released: end of a drag, redraw.
void Picture1_MouseUp(App& app, int button, int shift, double X, double Y);

// Steps a scroll bar by `delta` twips. Throws std::out_of_range when the
// result leaves 0..max (the dispatcher clamps it).
void StepScroll(App& app, ScrollBar bar, int delta);

}  // namespace pelorin
