// Driving the real main window as a user drives it: menu items, clicks on
// Picture1 at picture pixels (the view scrolled so that the point shows), and
// the modal dialogs and boxes, answered in order from inside their own event
// loops. Shared by the Qt tests, the road and the tour of the samples, and the
// program that makes the README's screenshots; also the small helpers their
// checks of the data files share.
//
// Every step that returns a QString returns "" when it went as expected,
// else what went wrong.
#pragma once

#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include "MainWindow.h"

namespace pelorin::gui::test {

using Drive = std::function<void(QWidget*)>;

// What a modal widget shows: its title, followed by ": " and the text for
// message and input boxes.
QString Describe(QWidget* modal);

// The control of `parent` (a dialog) whose accessible description is `name`;
// nullptr when there is none.
QWidget* FindByDescription(QWidget* parent, const QString& name);

// Clicks the control of a dialog named `name`; false (and a note in
// `problems`) when there is none.
bool ClickNamed(QWidget* dialog, const QString& name, QStringList& problems);

// Answers the modal widgets that open, in order, each with the next step.
// A modal widget is known by Describe(). A step runs from the event loop of
// the widget it answers, posted after the widget was seen, so that a box the
// step itself opens (the question before a file is replaced) is seen and
// answered too. A modal widget with no step left, or not the one expected, is
// noted in `unexpected` and closed, so that nothing hangs.
class ModalScript : public QObject {
 public:
  ModalScript();
  ~ModalScript() override;

  // The next modal widget must describe itself starting with `expected`.
  void Then(const QString& expected, Drive drive);
  // Every step has run.
  bool Done() const { return steps_.empty(); }
  // "" when every step ran and nothing unexpected opened; else what.
  QString Check() const;

  QStringList seen;        // Describe() of every modal widget met, in order
  QStringList unexpected;  // met with no step left, or not the one expected
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
// given. An input box: its text replaced by typing `answer`, then Enter. A
// file dialog: `path` typed into its file name field (the name it offers is
// kept when `path` is empty), then its Open (Save) button clicked. The
// question before a file is replaced: Yes.
Drive PressOk(QString* text = nullptr);
Drive TypeAnswer(const QString& answer, QStringList& problems);
Drive ChooseFile(const QString& path, QStringList& problems);
Drive PressYes();

// A menu item chosen as a user chooses it: it must be enabled.
QString ChooseMenu(MainWindow& w, Menu item);
// The view scrolled so that picture pixel (x, y), rounded, shows in the
// middle of the view (as far as the scroll range allows), at whatever zoom
// the view has.
void ShowPixel(MainWindow& w, double x, double y);
// The pointer moved onto picture pixel (x, y) (rounded), shown first; the
// status line reads it out.
QString PointAtPixel(MainWindow& w, double x, double y);
// The pointer moved there and `button` clicked.
QString ClickPixel(MainWindow& w, double x, double y, Qt::MouseButton button = Qt::LeftButton);

// The frame of the orientation dialogs for a direction on the screen,
// degrees counter-clockwise from the picture's +x axis: 0 right, 1 top,
// 2 left, 3 bottom.
int FrameFor(double direction_deg);

// The angle equal to `angle_deg` modulo 360 nearest to `near_deg`, so that
// angles are compared across 0/360.
double AngleNear(double angle_deg, double near_deg);

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

// The lines of a file written with CR LF line ends. A last line without one
// is left out (the line counts then show it); when `problem` is given it
// notes that, or a line that holds a bare CR or LF.
std::vector<std::string> CrLfLines(const std::string& bytes, QString* problem = nullptr);

// The comma-separated items of a data-file line, quotes removed.
QStringList Items(const std::string& line);

// A number within `tol` of the expected value; the failure names the
// quantity and shows both values.
#define GUI_NEAR(got, want, tol, what)                                                                    \
  QVERIFY2(std::abs((got) - (want)) <= (tol),                                                            \
           qPrintable(QString("%1: got %2, want %3 +- %4").arg(what).arg(got, 0, 'g', 12).arg(want, 0, 'g', 12).arg(tol)))

}  // namespace pelorin::gui::test
