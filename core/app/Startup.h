// Start-up, the main window's layout and the end of the program.
#pragma once

#include "app/App.h"

namespace pelorin {

// Start-up: autoselect names, twips per pixel (measured by the window and
// passed in), a.tmp opened in the current folder, InitState, the selection
// settings. When a.tmp cannot be created a message box says so and start-up
// goes on without the point log. Never throws for a file.
void Form_Load(App& app, float twipsPerPixel);

// Puts the program state into its empty values and disables every menu item
// that needs a picture. Leaves the picture, the picture list, the autoselect
// settings and GridColour alone.
void InitState(App& app);

// What the window reports on a resize, in twips.
struct ResizeInput {
  int innerWidth = 0, innerHeight = 0;   // W, H
  int outerWidth = 0, outerHeight = 0;   // the window with its frame
  int hscrollHeight = 0;
  int hscrollTop = 0;                    // where the horizontal bar is now
  int frameHeight = 372;                 // Frame1
};

// Where the controls go, in twips.
struct Layout {
  int vscrollLeft = 0, vscrollTop = 0, vscrollHeight = 0;
  int hscrollLeft = 0, hscrollTop = 0, hscrollWidth = 0;
  int hscrollMax = 0, vscrollMax = 0;
  int frameLeft = 0, frameTop = 0, frameWidth = 0;
  int labelWidth = 0;
};

// The layout of the main window for a new size; pure.
Layout ComputeLayout(const ProgramState& s, const WindowGeometry& geo, const ResizeInput& in);

// Form_Resize: computes the layout, sets the scroll maxima and the frame width
// through the window port and redraws. Returns the layout for the window to
// apply.
Layout Form_Resize(App& app, const ResizeInput& in);

// The window became active again: redraw.
void Form_Activate(App& app);

// A key pressed on the window, the picture or a scroll bar: one DoCommand.
void Form_KeyPress(App& app, std::int16_t keyAscii);

// End of the program: deletes the never-written data file of the open
// picture and temp.dat (by their full paths), closes the working files.
// a.tmp stays on disk.
void form_unload(App& app);

}  // namespace pelorin
