// The four dialogs as views of their core models, and their road from the
// menu: opened modal, the main window disabled meanwhile, enabled after.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include "CoordDialogWidget.h"
#include "DateDialogWidget.h"
#include "DirectionDialogWidget.h"
#include "GuiFixture.h"
#include "app/OrientationInput.h"
#include "app/CoordDialog.h"
#include "app/DateDialog.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

namespace {

template <typename T>
T* Child(QWidget* dialog, const char* name) {
  auto* w = qobject_cast<T*>(FindByDescription(dialog, name));
  if (w == nullptr) qWarning("no control %s", name);
  return w;
}

QColor LabelColour(QWidget* dialog, int frame) {
  auto* label = Child<QLabel>(dialog, QString("Label(%1)").arg(frame).toUtf8().constData());
  return label->palette().color(QPalette::WindowText);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void dateDialogShowsModel();
  void dateDialogClampsWhileTyping();
  void dateDialogSpinBarsHoldNegatedNumber();
  void dateDialogEnterConfirms();
  void dateDialogCloseBoxCancels();
  void dateDialogFromMenuDisablesMain();
  void coordDialogLayout();
  void coordDialogChoices_data();
  void coordDialogChoices();
  void coordDialogCancel();
  void directionDialogTexts_data();
  void directionDialogTexts();
  void directionDialogFrames();
  void directionDialogOkAndClose();
};

// Source: the date dialog's edge case (TimeUT 10.51 shows 10, 30, 36).
void DialogsTest::dateDialogShowsModel() {
  MainWindowFixture f;
  f.app().s.TimeUT = 10.51;
  f.app().s.DateDay = 28;
  f.app().s.DateMonth = 10;
  f.app().s.DateYear = 2003;
  DateDialog model(f.app());
  DateDialogWidget w(model);
  QCOMPARE(w.windowTitle(), QString("Date and time"));
  const char* boxes[] = {"de(0)", "de(1)", "de(2)", "ra(0)", "ra(1)", "ra(2)"};
  const char* texts[] = {"28", "10", "2003", "10", "30", "36"};
  for (int i = 0; i < 6; ++i) QCOMPARE(Child<QLineEdit>(&w, boxes[i])->text(), QString(texts[i]));
  QCOMPARE(Child<QScrollBar>(&w, "deprom(2)")->value(), -2003);
  QCOMPARE(Child<QScrollBar>(&w, "raprom(1)")->value(), -30);
  QCOMPARE(Child<QLabel>(&w, "Label1")->text(), QString("Date:"));
  QCOMPARE(Child<QLabel>(&w, "Label2")->text(), QString("UT:"));
  for (const char* name : {"deprom(0)", "deprom(1)", "raprom(0)", "raprom(2)", "OK", "Cancel"})
    QVERIFY2(FindByDescription(&w, name) != nullptr, name);
}

// Source: the date dialog's edge cases (25 hours becomes 23, 70 minutes 59;
// a day of 40 becomes 31, 0 becomes 1).
void DialogsTest::dateDialogClampsWhileTyping() {
  MainWindowFixture f;
  DateDialog model(f.app());
  DateDialogWidget w(model);
  const struct {
    const char* box;
    const char* spin;
    const char* typed;
    const char* shown;
    int spinValue;
  } rows[] = {
      {"ra(0)", "raprom(0)", "25", "23", -23},
      {"ra(1)", "raprom(1)", "70", "59", -59},
      {"de(0)", "deprom(0)", "40", "31", -31},
      {"de(0)", "deprom(0)", "0", "1", -1},
      {"de(2)", "deprom(2)", "1999", "1999", -1999},
  };
  for (const auto& r : rows) {
    auto* box = Child<QLineEdit>(&w, r.box);
    box->selectAll();
    QTest::keyClicks(box, r.typed);
    QCOMPARE(box->text(), QString(r.shown));
    QCOMPARE(Child<QScrollBar>(&w, r.spin)->value(), r.spinValue);
  }
}

void DialogsTest::dateDialogSpinBarsHoldNegatedNumber() {
  MainWindowFixture f;
  DateDialog model(f.app());
  DateDialogWidget w(model);
  auto* spin = Child<QScrollBar>(&w, "deprom(1)");
  QCOMPARE(spin->minimum(), -12);
  QCOMPARE(spin->maximum(), -1);
  QCOMPARE(Child<QScrollBar>(&w, "raprom(0)")->minimum(), -23);
  QCOMPARE(Child<QScrollBar>(&w, "raprom(0)")->maximum(), 0);
  // The upward arrow lowers the bar's value and raises the number.
  spin->triggerAction(QAbstractSlider::SliderSingleStepSub);
  QCOMPARE(Child<QLineEdit>(&w, "de(1)")->text(), QString("2"));
  QCOMPARE(model.de[1], std::string("2"));
}

void DialogsTest::dateDialogEnterConfirms() {
  MainWindowFixture f;
  f.app().file2.Open("temp.dat");  // the working file OK appends to
  DateDialog model(f.app());
  DateDialogWidget w(model);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  auto* seconds = Child<QLineEdit>(&w, "ra(2)");
  seconds->setFocus();
  QTest::keyClick(seconds, Qt::Key_Return);
  QVERIFY(model.Unloaded());
  QVERIFY(!w.isVisible());
  QCOMPARE(w.result(), int(QDialog::Accepted));
  QCOMPARE(f.app().s.DateKnown, 1.0f);
}

void DialogsTest::dateDialogCloseBoxCancels() {
  MainWindowFixture f;
  f.app().s.DateDay = 5;
  DateDialog model(f.app());
  DateDialogWidget w(model);
  w.show();
  auto* day = Child<QLineEdit>(&w, "de(0)");
  day->selectAll();
  QTest::keyClicks(day, "17");
  w.close();
  QVERIFY(model.Unloaded());
  QCOMPARE(f.app().s.DateDay, 5.0);
  QCOMPARE(f.app().s.DateKnown, 0.0f);
}

void DialogsTest::dateDialogFromMenuDisablesMain() {
  MainWindowFixture f;
  QAction* datum = f.window().menuAction(Menu::datum);
  datum->setEnabled(true);
  bool mainEnabledMeanwhile = true;
  QString title;
  WhenModal([&](QWidget* modal) {
    title = modal->windowTitle();
    mainEnabledMeanwhile = f.window().inputEnabled() || f.find("Picture1")->isEnabled();
    QVERIFY(modal->isEnabled());  // the dialog itself stays usable
    QTest::mouseClick(Child<QPushButton>(modal, "Cancel"), Qt::LeftButton);
  });
  datum->trigger();
  QCOMPARE(title, QString("Date and time"));
  QVERIFY(!mainEnabledMeanwhile);
  QVERIFY(f.window().inputEnabled());
  QVERIFY(f.find("Picture1")->isEnabled());
}

// Source: the coordinate dialog (boxes 1332 x 1452 twips in three rows at
// left 120, 1560, 3000, 4440).
void DialogsTest::coordDialogLayout() {
  MainWindowFixture f;
  CoordDialog model(f.app());
  CoordDialogWidget w(model);
  QCOMPARE(w.windowTitle(), QString("Coordinate system"));
  const double tpp = 1440.0 / w.logicalDpiX();
  const auto px = [tpp](int twips) { return static_cast<int>(std::lround(twips / tpp)); };
  for (int i = 0; i < 10; ++i) {
    QWidget* box = FindByDescription(&w, QString("Picture(%1)").arg(i));
    QVERIFY(box != nullptr);
    const int row = i < 4 ? 0 : (i < 8 ? 1 : 2);
    const int column = i < 8 ? i % 4 : i - 8;
    QCOMPARE(box->geometry(), QRect(px(CoordDialogWidget::kLeftTwips[static_cast<std::size_t>(column)]),
                                    px(CoordDialogWidget::kTopTwips[static_cast<std::size_t>(row)]), px(1332),
                                    px(1452)));
    auto* label1 = qobject_cast<QLabel*>(FindByDescription(box, QString("Label1(%1)").arg(i)));
    auto* label2 = qobject_cast<QLabel*>(FindByDescription(box, QString("Label2(%1)").arg(i)));
    QCOMPARE(label1->text(), i < 8 ? QString("X") : QString(QChar(0x03C6)));
    QCOMPARE(label2->text(), i < 8 ? QString("Y") : QString("R"));
  }
  QVERIFY(FindByDescription(&w, "Cancel") != nullptr);
}

void DialogsTest::coordDialogChoices_data() {
  QTest::addColumn<int>("index");
  QTest::addColumn<bool>("onLabel");
  QTest::newRow("diagram 3") << 3 << false;
  QTest::newRow("diagram 9") << 9 << false;
  QTest::newRow("label of 5") << 5 << true;
  QTest::newRow("label of 8") << 8 << true;
}

// Source: the coordinate dialog (a diagram resets CalibrationState and
// enables Zero point; its label does neither).
void DialogsTest::coordDialogChoices() {
  QFETCH(int, index);
  QFETCH(bool, onLabel);
  MainWindowFixture f;
  f.app().s.CalibrationState = 3;
  f.app().s.PointCount = 4;
  CoordDialog model(f.app());
  CoordDialogWidget w(model);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QWidget* box = FindByDescription(&w, QString("Picture(%1)").arg(index));
  QWidget* target = onLabel ? FindByDescription(box, QString("Label1(%1)").arg(index)) : box;
  // Well inside the box, away from its labels.
  const QPoint at = onLabel ? target->rect().center() : QPoint(box->width() / 2, box->height() / 2 + 3);
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
  QVERIFY(model.Unloaded());
  QVERIFY(!w.isVisible());
  QCOMPARE(f.app().s.CoordSystem, static_cast<float>(index));
  QCOMPARE(f.app().s.PointCount, std::int16_t{0});
  QCOMPARE(f.app().s.CalibrationState, onLabel ? 3.0f : 0.0f);
  QCOMPARE(f.app().win.MenuEnabled(Menu::Ishodiste), !onLabel);
}

void DialogsTest::coordDialogCancel() {
  MainWindowFixture f;
  f.app().s.CoordSystem = 2;
  CoordDialog model(f.app());
  CoordDialogWidget w(model);
  w.show();
  QTest::mouseClick(Child<QPushButton>(&w, "Cancel"), Qt::LeftButton);
  QVERIFY(model.Unloaded());
  QCOMPARE(f.app().s.CoordSystem, 2.0f);
}

void DialogsTest::directionDialogTexts_data() {
  QTest::addColumn<bool>("axis");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("parallel");
  QTest::addColumn<QString>("perpendicular");
  QTest::addColumn<QString>("letter");
  QTest::newRow("smjer") << false << "orientation" << "Parallel to WE" << "Perpendicular to WE" << "E";
  QTest::newRow("smjerosi") << true << "Orientation of polar axe" << "Paralel to NS" << "Perpendicular to NS" << "N";
}

void DialogsTest::directionDialogTexts() {
  QFETCH(bool, axis);
  QFETCH(QString, title);
  QFETCH(QString, parallel);
  QFETCH(QString, perpendicular);
  QFETCH(QString, letter);
  MainWindowFixture f;
  DirectionDialog model(f.app(), axis);
  DirectionDialogWidget w(model);
  QCOMPARE(w.windowTitle(), title);
  QCOMPARE(w.objectName(), axis ? QString("smjerosi") : QString("smjer"));
  auto* o0 = Child<QRadioButton>(&w, "Option1(0)");
  auto* o1 = Child<QRadioButton>(&w, "Option1(1)");
  QCOMPARE(o0->text(), parallel);
  QCOMPARE(o1->text(), perpendicular);
  QVERIFY(o0->isChecked());
  QVERIFY(!o1->isChecked());
  QVERIFY(FindByDescription(&w, "Frame2") != nullptr);
  QCOMPARE(Child<QPushButton>(&w, "Command3D1")->text(), QString("OK"));
  for (int c = 0; c < 4; ++c) {
    QVERIFY(FindByDescription(&w, QString("Frame1(%1)").arg(c)) != nullptr);
    QCOMPARE(Child<QLabel>(&w, QString("Label(%1)").arg(c).toUtf8().constData())->text(), letter);
  }
}

// Frame c shows east (north) on the right, top, left, bottom; the chosen
// frame is red, the others black.
void DialogsTest::directionDialogFrames() {
  MainWindowFixture f;
  DirectionDialog model(f.app(), false);
  DirectionDialogWidget w(model);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const QColor red(255, 0, 0), black(0, 0, 0);
  QCOMPARE(LabelColour(&w, 0), red);
  for (int c = 1; c < 4; ++c) QCOMPARE(LabelColour(&w, c), black);

  QWidget* frame2 = FindByDescription(&w, "Frame1(2)");
  QTest::mouseClick(frame2, Qt::LeftButton, Qt::NoModifier, QPoint(frame2->width() / 2, frame2->height() / 2));
  QCOMPARE(model.SelectedFrame(), 2);
  for (int c = 0; c < 4; ++c) QCOMPARE(LabelColour(&w, c), c == 2 ? red : black);

  // Where the label lies in each frame: right, top, left, bottom.
  const auto labelCentre = [&](int c) {
    auto* label = Child<QLabel>(&w, QString("Label(%1)").arg(c).toUtf8().constData());
    return QPointF(label->geometry().center()) / 84.0;
  };
  QVERIFY(labelCentre(0).x() > 0.6);
  QVERIFY(labelCentre(1).y() < 0.4);
  QVERIFY(labelCentre(2).x() < 0.4);
  QVERIFY(labelCentre(3).y() > 0.6);
  // The drawn arrow: red pixels near the label's side of the chosen frame.
  const QImage image = frame2->grab().toImage();
  int redLeft = 0, redRight = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) (x < image.width() / 2 ? redLeft : redRight)++;
    }
  }
  QVERIFY2(redLeft > redRight, "the arrowhead of frame 2 points left");
}

void DialogsTest::directionDialogOkAndClose() {
  MainWindowFixture f;
  {
    DirectionDialog model(f.app(), true);
    DirectionDialogWidget w(model);
    w.show();
    auto* perpendicular = Child<QRadioButton>(&w, "Option1(1)");
    QTest::mouseClick(perpendicular, Qt::LeftButton, Qt::NoModifier, QPoint(8, perpendicular->height() / 2));
    QVERIFY(!model.ParallelOption());
    QTest::mouseClick(Child<QPushButton>(&w, "Command3D1"), Qt::LeftButton);
    QVERIFY(model.Unloaded());
    QVERIFY(!w.isVisible());
  }
  {
    DirectionDialog model(f.app(), false);
    DirectionDialogWidget w(model);
    w.show();
    w.close();
    QVERIFY(model.Unloaded());
  }
}

PELORIN_GUI_TEST(DialogsTest);

#include "dialogs_test.moc"
