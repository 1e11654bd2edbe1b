// The running program as the core sees it: the program state, the two ports
// and the open working files. Every handler takes it by reference.
#pragma once

#include <optional>

#include "base/Ports.h"
#include "app/State.h"
#include "base/TextFile.h"
#include "formats/CalFile.h"
#include "app/WorkSlot.h"
#include "measure/History.h"
#include "spots/Proposals.h"

namespace pelorin {

// Sizes of the main window's controls that the layout and navigation need,
// all in twips of the window.
struct WindowGeometry {
  int pictureWidth = 32000;   // Picture1
  int pictureHeight = 32000;
  int frameWidth = 0;         // Frame1 (the status line's frame)
};

struct App {
  App(WindowPort& window, PicturePort& picture) : win(window), pic(picture) {
    pointSx_px.fill(kUnknownError);
    pointSy_px.fill(kUnknownError);
  }
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  ProgramState s;
  WindowPort& win;
  PicturePort& pic;
  OutputFile file1;  // a.tmp, the point log
  OutputFile file2;  // temp.dat, the working data file
  WindowGeometry geo;
  // Full path of the open picture's data file (for a picture of type 2, of
  // the picture itself), so that clean-up finds it whatever folder is
  // current by then. Empty before the first picture.
  std::string dataFilePath;
  // Full path of the data file that opening the picture created empty (a
  // new picture); empty when opening created none. Saving may replace that
  // file unasked while it is still empty.
  std::string createdEmptyPath;
  // The working-file slot this window holds in slotFolder (see WorkSlot.h);
  // 0 before the first claim.
  int slot = 0;
  std::string slotFolder;
  FileLock slotLock;
  // The open picture's file, locked so that no second window opens it.
  FileLock pictureLock;
  // Bare name of the open picture; empty before the first.
  std::string pictureName;
  // What the working file held when it last agreed with the data file (the
  // picture opened, or saved): anything else in it is unsaved work.
  std::string savedWork;
  // The open picture's records as a list in step with the working file, and
  // their undo history (measure/Edits.h).
  RecordBook book;
  // The observer's k factor of R = k (10 g + f) (Settings -> "Observer's k
  // factor"), written into the .spots.csv on Save.
  double observerK = 1;
  // The spots proposed by Tools -> "Find sunspots" while they are reviewed
  // (drawn over the picture; measure/SpotReview.h); none otherwise.
  std::optional<SpotProposals> review;
  // The errors of the open picture's calibration (app/Errors.h): set by the
  // limb and orientation fits, a header, or the .cal beside the data file.
  CalErrors calErrors;
  // The stored points' own 1-sigma errors in picture x and y, pixels, at
  // the indices of PointX/PointY: autoselect's weighted centre gives them;
  // NaN for a click (kClick_px).
  PointArray pointSx_px, pointSy_px;
};

}  // namespace pelorin
