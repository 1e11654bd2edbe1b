// Walking the sample pictures through the real main window, as an observer
// walks them, with the driver of Driver.h: menu items, clicks on Picture1,
// the End buttons, and the modal dialogs and boxes. Used by the tour test and
// by the program that makes the README's screenshots; the checks of a data
// file against the generator's truth serve the road tests too.
//
// Every step returns "" when it went as expected, else what went wrong.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QString>

#include "Driver.h"
#include "MainWindow.h"
#include "SampleSet.h"

namespace pelorin::gui::tour {

using test::Drive;
using test::FrameFor;
using test::ModalScript;

// The main window and its road through one picture.
class Walk {
 public:
  explicit Walk(MainWindow& window) : w_(window) {}

  MainWindow& window() { return w_; }
  ProgramState& s() { return w_.app().s; }
  ModalScript modals;

  // A menu item chosen; it must be enabled.
  QString Choose(Menu item);
  // The view scrolled so that picture pixel (x, y) shows in the middle of
  // the window (as far as the scroll range allows).
  void Show(double x, double y);
  // The pointer moved onto picture pixel (x, y) (rounded), shown first.
  QString PointAt(double x, double y);
  // The pointer moved there and the button clicked.
  QString Click(double x, double y, Qt::MouseButton button = Qt::LeftButton);
  // An End button clicked; `message` (when not empty) is the start of the
  // message box expected then, answered with OK and kept in lastMessage.
  QString End(EndButton b, const QString& message = {});

  // File -> Open of `path`; `typeAnswer` is typed into "Type of image" when
  // not empty (a new picture).
  QString Open(const std::string& path, const QString& typeAnswer = {});
  // Settings -> Date and Time, confirmed with OK. `onDialog` (when given)
  // sees the dialog first.
  QString ConfirmDate(const Drive& onDialog = {});
  // Settings -> Input -> Sun's limb: a click on each point, then End.
  QString Limb(const std::vector<gen::PointPx>& points);
  // Settings -> Input -> Orientation -> daily parallel: the frame where east
  // lies (0 right, 1 top, 2 left, 3 bottom) chosen, a click on each point,
  // End. `onDialog` sees the dialog once the frame is chosen.
  QString Orient(int frame, const std::vector<gen::PointPx>& points, const Drive& onDialog = {});
  // Settings -> New object named `name`, a click on each point, End. The
  // heliographic grid is switched off first: its dots lie in the picture
  // the "Weighted" autoselect reads.
  QString Object(const QString& name, const std::vector<gen::PointPx>& points);
  // File -> Save under the offered name; `replaces` when a file of that name
  // exists that the program did not create empty for a new picture (the
  // question is answered Yes); `message`, when not empty, is the
  // start of the message box expected after the dialog.
  QString Save(bool replaces, const QString& message = {});

  QString lastMessage;

 private:
  MainWindow& w_;
};

// The sample set with its truths, found by picture name prefix.
struct Sample {
  gen::SamplePicture picture;
  gen::Truth truth;
};
Sample FindSample(const gen::SampleSet& set, const std::string& prefix);

// The drawn centres of the named spots of a truth, in order.
std::vector<gen::PointPx> SpotPoints(const gen::Truth& truth, const std::vector<std::string>& names);

// Copies every file of folder `from` into folder `to`; "" or what failed.
QString CopyFiles(const std::string& from, const std::string& to);

// Checks for Qt Test functions (a failure ends the check; the caller sees
// QTest::currentTestFailed()). The header of a data file written by the
// program for `truth`, picture `pictureName`, type word `typeWord`: lines 1
// to 11 exactly (the ephemeris is the program's own for the date), the disc
// within half a pixel and the orientation within 0.1 degrees.
void CheckDataHeader(const std::vector<std::string>& lines, const std::string& pictureName, const gen::Truth& truth,
                     const char* typeWord);
// The records of a data file from line `first` (0-based) on, the last lines
// of the file, each against the truth's spot of the given name: B and L
// within 0.1 degrees (clicks on whole pixels, "Weighted" finding the spot's
// centre), CMD = L - L0.
void CheckRecords(const std::vector<std::string>& lines, std::size_t first, const gen::Truth& truth,
                  const std::vector<std::pair<std::string, std::string>>& nameAndSpot);

}  // namespace pelorin::gui::tour
