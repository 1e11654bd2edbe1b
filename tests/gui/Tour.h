// Walking the sample pictures through the real main window, as an observer
// walks them: menu items, clicks on Picture1 at picture pixels (the view
// scrolled so that the point shows), the End buttons, and the modal dialogs
// and boxes, answered in order from inside their own event loops. Used by the
// tour test and by the program that makes the README's screenshots.
//
// Every step returns "" when it went as expected, else what went wrong.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "MainWindow.h"
#include "SampleSet.h"

namespace pelorin::gui::tour {

using Drive = std::function<void(QWidget*)>;

// Answers the modal widgets that open, in order, each with the next step.
// A modal widget is known by its title followed by ": " and, for message
// and input boxes, their text (a file dialog or one of the program's
// dialogs: its title alone). A modal widget with no step left, or not the
// one expected, is noted in `unexpected` and closed, so nothing hangs.
class ModalScript : public QObject {
 public:
  ModalScript();
  ~ModalScript() override;

  // The next modal widget must describe itself starting with `expected`.
  void Then(const QString& expected, Drive drive);
  // "" when every step ran and nothing unexpected opened; else what.
  QString Check() const;

  QStringList seen;        // every modal widget met, in order
  QStringList unexpected;  // met with no step left or not the one expected
  QStringList problems;    // what a step found wrong

 protected:
  void timerEvent(QTimerEvent*) override;

 private:
  struct Step {
    QString expected;
    Drive drive;
  };
  std::deque<Step> steps_;
  int timer_ = 0;
};

// Answers for ModalScript. A message box: OK, its text kept in `text` when
// given. An input box: `answer` typed, then Enter. A file dialog: `path`
// typed into its name field (kept as offered when empty), then Open/Save.
// The question before a file is replaced: Yes.
Drive PressOk(QString* text = nullptr);
Drive TypeAnswer(const QString& answer, QStringList& problems);
Drive ChooseFile(const QString& path, QStringList& problems);
Drive PressYes();

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
  // exists (the question is answered Yes); `message`, when not empty, is the
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

// The frame of the orientation dialogs for a direction on the screen,
// degrees counter-clockwise from the picture's +x axis: 0 right, 1 top,
// 2 left, 3 bottom.
int FrameFor(double direction_deg);

}  // namespace pelorin::gui::tour
