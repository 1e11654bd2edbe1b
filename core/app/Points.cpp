#include "app/Points.h"

#include <cmath>
#include <exception>
#include <string>
#include <vector>

#include "app/Dispatcher.h"
#include "app/Navigation.h"
#include "base/Text.h"
#include "app/WorkFiles.h"
#include "app/Geometry.h"
#include "app/Autoselect.h"
#include "app/Edits.h"
#include "formats/DataFile.h"

namespace pelorin {

namespace {

bool IsPolar(const ProgramState& s) { return s.CoordSystem == 8 || s.CoordSystem == 9; }

// The points of the current input are the open object's: they sit at the top
// of the object store, StoredPointCount - PointCount + 1 .. StoredPointCount,
// and each one moved StoredPointCount as well as PointCount.
bool ObjectInput(const App& app) {
  return app.s.CalibrationState == 3 && app.win.EndVisible(EndButton::Objektend);
}

void Dot(App& app, double X, double Y) { app.pic.PointMark(X, Y, QBColor(0)); }

// The right button: the last point of the current input goes, the overlay is
// redrawn and the input's remaining points are dotted again.
void RemoveLastPoint(App& app) {
  ProgramState& s = app.s;
  const bool object = ObjectInput(app);
  if (s.PointCount > 0) {
    --s.PointCount;
    if (object && s.StoredPointCount > 0) --s.StoredPointCount;
  }
  Redraw(app);
  try {
    PlotInputPoints(app);
  } catch (const std::exception&) {
    // A point that cannot be converted back is not dotted; the rest of the
    // input is unchanged.
  }
}

// The moved picture point of a click at picture point (X, Y) when autoselect
// is on; unchanged in manual selection. `sx_px`/`sy_px`, when given, receive
// the point's own errors (Autoselect; NaN for a click's).
void Snap(App& app, double& X, double& Y, double* sx_px = nullptr, double* sy_px = nullptr) {
  ProgramState& s = app.s;
  if (sx_px) *sx_px = std::nan("");
  if (sy_px) *sy_px = std::nan("");
  if (s.ManualSelection != 0) return;
  double x = X - s.ZeroPointX, y = s.ZeroPointY - Y;
  Autoselect(app, x, y, sx_px, sy_px);
  X = static_cast<float>(x + s.ZeroPointX);
  Y = static_cast<float>(s.ZeroPointY - y);
}

void AddPoint(App& app, double X, double Y) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  // A calibrated picture measures in system 8, as the pointer read-out has
  // already set it on the way to the click.
  if (s.CalibrationState == 3) s.CoordSystem = 8;
  const bool polar = IsPolar(s);
  const bool object = polar && ObjectInput(app);
  const bool stores = !polar || s.CalibrationState != 3 || object;
  const int index = object ? s.StoredPointCount + 1 : s.PointCount + 1;
  if (stores && index > kMaxPoints) {
    w.MessageBox("No more points can be stored: the limit is " + std::to_string(kMaxPoints) +
                 " points. This point was not stored.");
    return;
  }

  if (!polar) {
    // The values of the current system, single precision.
    double x = X, y = Y, R = 0, fi = 0;
    PixelToSystem(s, x, y, R, fi);
    x = static_cast<float>(x);
    y = static_cast<float>(y);
    if (s.ManualSelection == 0) {
      if (s.CoordSystem == 0) {
        Autoselect(app, x, y);
      } else {
        // The search works about the zero point with y up; the moved point
        // is then read in the chosen system.
        double px = X, py = Y;
        Snap(app, px, py);
        x = px;
        y = py;
        PixelToSystem(s, x, y, R, fi);
      }
    }
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    ++s.PointCount;
    s.PointX[static_cast<std::size_t>(s.PointCount)] = fx;
    s.PointY[static_cast<std::size_t>(s.PointCount)] = fy;
    LogPoint(app, fx, fy, true);
    return;
  }

  double px = static_cast<float>(X), py = static_cast<float>(Y);
  double R = 0, fi = 0, sx = std::nan(""), sy = std::nan("");
  {
    double a = px, b = py;
    PixelToSystem(s, a, b, R, fi);
  }
  if (s.ManualSelection == 0) {
    Snap(app, px, py, &sx, &sy);
    // The stored polar values follow the moved point.
    double a = px, b = py;
    PixelToSystem(s, a, b, R, fi);
  }
  Dot(app, px, py);
  ++s.PointCount;
  if (s.CalibrationState != 3) {
    s.PointX[static_cast<std::size_t>(s.PointCount)] = R;
    s.PointY[static_cast<std::size_t>(s.PointCount)] = fi;
    LogPoint(app, R, fi, false);
  } else if (object) {
    ++s.StoredPointCount;
    const auto i = static_cast<std::size_t>(s.StoredPointCount);
    s.PointX[i] = px;
    s.PointY[i] = py;
    app.pointSx_px[i] = sx;
    app.pointSy_px[i] = sy;
  } else {
    --s.PointCount;
  }
}

}  // namespace

void Picture1_MouseDown(App& app, int button, int shift, double X, double Y) {
  ProgramState& s = app.s;
  if (button == kLeftButton && shift == kShiftMask) {
    StartQuickMove(app, X, Y);
    return;
  }
  if (s.ZeroPointPending == 1) {
    s.ZeroPointX = X;
    s.ZeroPointY = Y;
    Redraw(app);
    Dot(app, X, Y);
    s.ZeroPointPending = 0;
    return;
  }
  if (button == kRightButton) {
    RemoveLastPoint(app);
    return;
  }
  try {
    AddPoint(app, X, Y);
  } catch (const FileError& e) {
    // The point is kept in memory; the log line is what failed.
    app.win.MessageBox(e.what());
  } catch (const std::exception&) {
    // A fault in the conversion ends the click before anything is stored.
  }
}

void Objekt_Click(App& app) {
  ProgramState& s = app.s;
  s.AutoselectMode = 2;
  if (s.ManualSelection == 0) s.SelectModeText = "Autoselect mode " + s.AutoselectNames[2];
  Redraw(app);
  // The name is written in double quotes before the numbers of each record:
  // a double quote or a comma in it would break the records apart, so such a
  // name is refused and asked for again.
  for (;;) {
    s.ObjectName = app.win.InputBox("Enter object name", "Object name", "");
    const std::string refusal = RecordNameRefusal(s.ObjectName);
    if (refusal.empty()) break;
    app.win.MessageBox(refusal);
  }
  if (s.ObjectName.empty()) return;
  s.PointCount = 0;
  app.win.SetTitle("Object name: " + s.ObjectName);
  app.win.SetEndVisible(EndButton::Objektend, true);
  app.win.SetMenuEnabled(Menu::Objekt, false);
}

void Objektend_Click(App& app) {
  ProgramState& s = app.s;
  struct Result {
    double B, CMD, L;
  };
  // Every point is converted before anything is written, so that a fault in
  // the conversion leaves the object open and both files untouched.
  std::vector<Result> results;
  try {
    for (int i = 1; i <= s.PointCount; ++i) {
      const int k = s.StoredPointCount - s.PointCount + i;
      if (k < 1 || k > kMaxPoints) continue;
      Result r{};
      PixelToHeliographic(s, s.PointX[static_cast<std::size_t>(k)], s.PointY[static_cast<std::size_t>(k)],
                          s.OrientationAngle, r.B, r.CMD, r.L);
      results.push_back(r);
    }
  } catch (const std::exception& e) {
    app.win.MessageBox(std::string("The object could not be finished: ") + e.what());
    return;
  }
  // A failing file stops its own lines only: the records of temp.dat are
  // written even when the point log cannot be.
  std::string logError, recordError;
  std::size_t written = 0;
  for (const Result& r : results) {
    if (logError.empty()) {
      try {
        LogObjectPoint(app, r.B, r.CMD);
      } catch (const FileError& e) {
        logError = e.what();
      }
    }
    if (recordError.empty()) {
      try {
        WriteObjectRecord(app, s.ObjectName, r.B, r.CMD, r.L);
        ++written;
      } catch (const FileError& e) {
        recordError = e.what();
      }
    }
  }
  // The object's records reach the disc itself before End returns, so that
  // a kill or a power cut from now on loses none of them.
  if (recordError.empty()) {
    try {
      app.file2.Sync();
    } catch (const FileError& e) {
      recordError = e.what();
    }
  }
  if (logError.empty() && app.file1.IsOpen()) {
    try {
      app.file1.Sync();
    } catch (const FileError& e) {
      logError = e.what();
    }
  }
  s.PointCount = 0;
  app.win.SetEndVisible(EndButton::Objektend, false);
  app.win.SetMenuEnabled(Menu::Objekt, true);
  BookObjectEnded(app, written, s.ObjectName);
  if (!recordError.empty()) app.win.MessageBox(recordError);
  if (!logError.empty()) app.win.MessageBox(logError);
  Redraw(app);
}

void Selectmode_Click(App& app) {
  ProgramState& s = app.s;
  if (s.ManualSelection == kTrue) {
    s.ManualSelection = 0;
    app.win.SetMenuCaption(Menu::Selectmode, "Manual selection mode");
    s.SelectModeText = "Autoselect mode " + s.AutoselectNames[static_cast<std::size_t>(s.AutoselectMode) % 3];
  } else {
    s.ManualSelection = kTrue;
    app.win.SetMenuCaption(Menu::Selectmode, "Autoselect mode");
    s.SelectModeText = "Manual selection";
  }
}

}  // namespace pelorin
