// Inputs of the benchmarks: a whole program (scripted window, a picture of
// either kind) in a temporary folder, set up as an observer has it while
// measuring a large picture: calibrated, 1000 stored object points, the
// heliographic grid, a reference block of 100 named groups and 300 spots,
// and the pixel grid.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Catalogues.h"
#include "ScriptedWindow.h"
#include "SunPicture.h"
#include "TestApp.h"
#include "app/App.h"
#include "app/Startup.h"

namespace pelorin::bench {

// A program around a picture of type Pic (RasterPicture or the Qt one),
// started in a fresh temporary folder.
template <class Pic>
struct BenchApp {
  BenchApp() { Form_Load(app, 15.0f); }
  test::TempFolder folder;
  test::ScriptedWindow win;
  Pic pic;
  App app{win, pic};
};

// The scene of a square picture of `side` pixels: disc centre near the
// middle, radius 0.45 side, rotated, not north-up (a Kanzelhoehe drawing of
// 17 May 2003, 07:45 UT).
gen::Scene SquareScene(int side_px);

// Writes the data file `dataName` for picture `pictureName` through the
// program's own writers: the calibration of `truth` and `records` object
// points spread over the visible disc (names "g1", "g2", ...). Leaves
// app.file2 closed.
void WriteDataFile(App& app, const gen::Truth& truth, const std::string& pictureName, const std::string& dataName,
                   int records);

// A DPD block at the truth's date and time with `groups` groups of
// `spotsPerGroup` spots each, on the visible disc; names "G001", ...
gen::DpdBlock ReferenceBlock(const gen::Truth& truth, int groups, int spotsPerGroup);

// Puts the program into the measuring state on a grey picture of side x side
// already held by app.pic: calibrated from x.dat (1000 records), objects
// shown, heliographic grid on, reference block of 100 named groups and 300
// spots compared with all names shown, pixel grid at `pixelGridStep`
// (1280: off). Returns the truth of the scene.
gen::Truth SetUpMeasuring(App& app, int side_px, int pixelGridStep);

// Writes DPD1.txt with `blocks` blocks, one a day ending on the truth's date
// (5 groups of 2 spots each, the truth's own block in the middle).
void WriteCatalogue(const gen::Truth& truth, int blocks);

}  // namespace pelorin::bench
