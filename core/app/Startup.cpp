#include "app/Startup.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/Dispatcher.h"
#include "base/TextFile.h"
#include "app/Edits.h"

namespace pelorin {

void Form_Load(App& app, float twipsPerPixel) {
  ProgramState& s = app.s;
  s.AutoselectNames = {"Nearest", "Darkest", "Weighted"};
  s.TwipsPerPixel = twipsPerPixel > 0 ? twipsPerPixel : 15.0f;
  // Without the point log the program still measures: the failure is told
  // once, and the log's lines are left out until the log opens again (with
  // the next picture or coordinate system). The window's slot in the folder
  // names its point log (a.tmp for the first window).
  ClaimWorkSlot(app);
  OpenPointLog(app, "\rThe points are not logged until " + PointLogName(app.slot) + " can be written.");
  s.OpenFromList = 0;
  InitState(app);
  s.GridColour = 0;
  s.ManualSelection = 0;
  s.AutoselectMode = 0;
  s.SelectModeText = "Autoselect mode " + s.AutoselectNames[0];
  UpdateEditMenus(app);  // nothing to undo before a picture is open
}

void InitState(App& app) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  s.CoordSystem = 0;
  s.ZeroPointX = 0;
  s.ZeroPointY = 0;
  s.ZeroPointPending = 0;
  s.DateDay = 1;
  s.DateMonth = 1;
  s.DateYear = 1995;
  s.TimeUT = 0;
  s.PointCount = 0;
  s.StoredPointCount = 0;
  s.PixelGridStep = 1280;
  s.ImageType = 0;
  w.SetEndVisible(EndButton::limbend, false);
  w.SetEndVisible(EndButton::dirend, false);
  w.SetEndTop(EndButton::dirend, 0);
  w.SetEndVisible(EndButton::Objektend, false);
  w.SetEndTop(EndButton::Objektend, 0);
  w.SetMenuEnabled(Menu::koor, false);
  w.SetMenuEnabled(Menu::Ishodiste, false);
  // The orientation dialog is created on demand; nothing to load here.
  w.SetMenuEnabled(Menu::Limb, false);
  w.SetMenuEnabled(Menu::orient, false);
  w.SetMenuEnabled(Menu::Objekt, false);
  s.CalibrationState = 0;
  w.SetMenuEnabled(Menu::datum, false);
  s.GridOn = 0;
  w.SetMenuEnabled(Menu::mreza, false);
  s.CompareOn = 0;
  w.SetMenuEnabled(Menu::Compare, false);
  s.ShowObjects = 0;
  w.SetMenuEnabled(Menu::objectview, false);
  s.CatalogueBlockCount = 0;
  s.CatalogueBlock = 0;
  s.ShowGroupNames = 0;
  s.AllGroupNames = -1;
  s.GroupNameIndex = 1;
}

Layout ComputeLayout(const ProgramState& s, const WindowGeometry& geo, const ResizeInput& in) {
  Layout l;
  const int W = in.innerWidth, H = in.innerHeight;
  l.vscrollTop = 0;
  l.vscrollLeft = static_cast<int>(static_cast<float>(W) - 17.0f * s.TwipsPerPixel);
  if (l.vscrollLeft < 0) l.vscrollLeft = 0;
  l.hscrollTop = in.hscrollTop;
  if (H - in.hscrollHeight < 0) {
    l.vscrollHeight = 0;
  } else {
    l.vscrollHeight = H - in.hscrollHeight;
    l.hscrollTop = l.vscrollHeight;
  }
  l.hscrollLeft = 0;
  l.hscrollWidth = l.vscrollLeft;
  // The picture box grows with pictures beyond 32000 twips, so the range is
  // not held to 16 bits: every pixel of a large picture stays reachable.
  l.hscrollMax = geo.pictureWidth - in.outerWidth;
  l.vscrollMax = geo.pictureHeight - in.outerHeight;
  l.frameLeft = 0;
  l.frameTop = l.hscrollTop - in.frameHeight;
  l.frameWidth = l.hscrollWidth;
  l.labelWidth = l.frameWidth;
  return l;
}

Layout Form_Resize(App& app, const ResizeInput& in) {
  Layout l = ComputeLayout(app.s, app.geo, in);
  // A picture smaller than the window gives a negative range; the bars then
  // cannot move (their maximum is held at 0).
  app.win.SetScrollMax(ScrollBar::H, std::max(l.hscrollMax, 0));
  app.win.SetScrollMax(ScrollBar::V, std::max(l.vscrollMax, 0));
  app.geo.frameWidth = l.frameWidth;
  Redraw(app);
  return l;
}

void Form_Activate(App& app) { Redraw(app); }

void Form_KeyPress(App& app, std::int16_t keyAscii) {
  std::int16_t copy = keyAscii;
  DoCommand(app, copy);
}

void form_unload(App& app) {
  if (!app.s.DataFileName.empty()) {
    // The data file and temp.dat are looked up where they were created, not
    // in whatever folder is current now.
    const std::string dataPath = app.dataFilePath.empty() ? app.s.DataFileName : app.dataFilePath;
    if (FileLength(dataPath) >= 0 && FileLength(dataPath) < 2) std::remove(dataPath.c_str());
    const std::string temp = app.file2.Path();
    app.file2.Close();
    if (!temp.empty()) std::remove(temp.c_str());
  }
  app.file2.Close();
  app.file1.Close();
  app.pictureLock.Release();
  app.slotLock.Release();
}

}  // namespace pelorin
