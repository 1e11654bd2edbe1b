// The measurement panel in the real main window: what it lists after
// measuring, deleting, undoing, renaming and merging through its keys and
// menu, the data file Save writes after each, the marks it highlights and
// the text Ctrl+C copies.
#include <vector>

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>

#include "Canvas.h"
#include "GuiFixture.h"
#include "MeasurementsPanel.h"
#include "Tour.h"
#include "base/Text.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

namespace {

// A photo of the Sun's disc (radius 150 px about (200, 200), limb darkened,
// a dark spot group and noise) with its data file: calibrated, no records.
void WritePicture(const std::string& folder) {
  QImage image(400, 400, QImage::Format_RGB32);
  image.fill(QColor(12, 12, 20));
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 400; ++x) {
      const double r2 = ((x - 200) * (x - 200) + (y - 200) * (y - 200)) / (150.0 * 150.0);
      if (r2 > 1) continue;
      const int v = static_cast<int>(120 + 110 * std::sqrt(1 - r2)) - ((x * 7 + y * 13) % 9);
      image.setPixel(x, y, qRgb(v, v, v - 10));
    }
  }
  QPainter p(&image);
  p.setBrush(QColor(40, 40, 40));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(180, 190), 4, 4);
  p.drawEllipse(QPointF(230, 210), 3, 3);
  p.end();
  QVERIFY(image.save(QString::fromStdString(folder + "/p.bmp"), "BMP"));
  pelorin::test::WriteAll(folder + "/p.dat",
                          "Note: Data format: \"name\", B, CMD, L\r\nB, CMD and L are expresed in degrees.\r\n"
                          "v2.0\r\nPicture: p.bmp\r\n\"Date (day, month, year): \",17,5,2003\r\n"
                          "\"Time (UT): \",7.75\r\n\"P=\",0\r\n\"B0=\",-2.3\r\n\"L0=\",100\r\n\"rho0=\",1\r\n"
                          "photo\r\n200,200,150\r\n0\r\n");
}

// The values the status line shows under the pointer: "B=..", "CMD=..", "L=..".
// The status line's B, CMD and L (`errors` false) or the errors of B and L
// after them (`errors` true: "±0.05").
QStringList StatusValues(MainWindow& w, bool errors = false) {
  const QString text = w.statusLabel()->text();
  QStringList values;
  for (const char* key : errors ? std::vector<const char*>{"B=", "L="} : std::vector<const char*>{"B=", "CMD=", "L="}) {
    const QRegularExpression re(QString::fromUtf8("(?:^|\\s)%1([^\\s\u00B1]+)(\u00B1\\S+)?").arg(key));
    const auto m = re.match(text);
    values << (m.hasMatch() ? m.captured(errors ? 2 : 1) : QString());
  }
  return values;
}

QStringList RowValues(const MeasurementsModel& m, const QModelIndex& row) {
  QStringList values;
  for (int c = 2; c <= 4; ++c) values << m.index(row.row(), c, row.parent()).data().toString();
  return values;
}

QStringList ObjectNames(const MeasurementsModel& m) {
  QStringList names;
  for (int r = 0; r < m.rowCount(); ++r) names << m.index(r, 0).data().toString();
  return names;
}

void Select(MeasurementsPanel& panel, const QList<QModelIndex>& rows) {
  QItemSelectionModel* sel = panel.view()->selectionModel();
  sel->clearSelection();
  for (const QModelIndex& i : rows) sel->select(i, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

std::string Read(const std::string& path) { return pelorin::test::ReadAll(path); }

// A key pressed as the window system gives it: to the widget with the
// focus, shortcuts first.
void Activate(MainWindow& w) {
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
}

void Key(MainWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  if (!w.isActiveWindow()) Activate(w);  // a dialog was active
  QTest::keyClick(w.windowHandle(), key, modifiers);
}

// Pixels of the highlight's magenta in a grab of the canvas around picture
// point p.
int MagentaAround(MainWindow& w, QPointF p) {
  const double zoom = w.canvas()->Zoom();
  const QPointF at = Canvas::WidgetAt(p, zoom);
  const int half = static_cast<int>(std::max(8.0, 6 * zoom));
  const QImage shot = w.canvas()->grab(QRect(at.toPoint() - QPoint(half, half), QSize(2 * half, 2 * half))).toImage();
  int n = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (shot.pixel(x, y) == qRgb(255, 0, 255)) ++n;
  return n;
}

}  // namespace

class MeasurementsTest : public QObject {
  Q_OBJECT

 private slots:
  void panelEditsUndoAndSave();
  void highlightAndCopy();
  void calibrationUndone();
};

void MeasurementsTest::panelEditsUndoAndSave() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  WritePicture(f.folder());
  Activate(w);
  tour::Walk walk(w);
  QCOMPARE(walk.Open(f.folder() + "/p.bmp"), QString());
  MeasurementsPanel& panel = *w.measurementsPanel();
  QVERIFY(panel.isHidden());  // no records yet
  QCOMPARE(panel.accessibleName(), QString("Measurements"));
  QCOMPARE(walk.Choose(Menu::Selectmode), QString());  // clicks taken as they are
  QCOMPARE(walk.Object("G1", {{180, 190}, {183, 192}}), QString());
  QCOMPARE(walk.Object("G2", {{230, 210}}), QString());

  // Shown once there are records: both objects, their points under them,
  // with the values the status line reads at the clicked pixels.
  QVERIFY(panel.isVisible());
  QVERIFY(w.menuAction(Menu::Measurements)->isChecked());
  const MeasurementsModel& m = *panel.model();
  QCOMPARE(ObjectNames(m), (QStringList{"G1", "G2"}));
  QCOMPARE(m.index(0, 1).data().toString(), QString("2"));
  QCOMPARE(m.headerData(4, Qt::Horizontal).toString(), QString("L"));
  QCOMPARE(m.columnCount(), 7);
  QCOMPARE(m.headerData(5, Qt::Horizontal).toString(), QString::fromUtf8("\u00B1B"));
  const struct {
    QModelIndex row;
    double x, y;
  } points[] = {{m.index(0, 0, m.index(0, 0)), 180, 190},
                {m.index(1, 0, m.index(0, 0)), 183, 192},
                {m.index(0, 0, m.index(1, 0)), 230, 210}};
  for (const auto& p : points) {
    QCOMPARE(PointAtPixel(w, p.x, p.y), QString());
    QCOMPARE(RowValues(m, p.row), StatusValues(w));
    // The columns ±B and ±L give the status line's errors.
    const QStringList errors{m.index(p.row.row(), 5, p.row.parent()).data().toString(),
                             m.index(p.row.row(), 6, p.row.parent()).data().toString()};
    QCOMPARE(errors, StatusValues(w, true));
    QVERIFY(!errors[0].isEmpty());
  }
  QCOMPARE(RowValues(m, m.index(1, 0)), RowValues(m, points[2].row));  // one point: its own mean

  QCOMPARE(walk.Save(true), QString());
  const std::string measured = Read(f.folder() + "/p.dat");
  QVERIFY(measured.find("\"G2\",") != std::string::npos);

  // Del on G2's row, Save: the data file lacks it.
  Select(panel, {m.index(1, 0)});
  panel.view()->setFocus();
  Key(w, Qt::Key_Delete);
  QCOMPARE(ObjectNames(m), (QStringList{"G1"}));
  QCOMPARE(w.menuAction(Menu::Undo)->text(), QString("Undo Delete G2"));
  QCOMPARE(walk.Save(true), QString());
  const std::string deleted = Read(f.folder() + "/p.dat");
  QVERIFY(deleted.find("\"G2\",") == std::string::npos);
  QVERIFY(deleted.size() < measured.size());

  // Ctrl+Z, Save: back, byte for byte.
  Key(w, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(ObjectNames(m), (QStringList{"G1", "G2"}));
  QCOMPARE(w.menuAction(Menu::Redo)->text(), QString("Redo Delete G2"));
  QCOMPARE(walk.Save(true), QString());
  QCOMPARE(Read(f.folder() + "/p.dat"), measured);
  // Ctrl+Y redoes it, Ctrl+Shift+Z after another undo too.
  Key(w, Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(ObjectNames(m), (QStringList{"G1"}));
  Key(w, Qt::Key_Z, Qt::ControlModifier);
  Key(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(ObjectNames(m), (QStringList{"G1"}));
  Key(w, Qt::Key_Z, Qt::ControlModifier);

  // F2 renames (a comma refused and asked again), then the two merge under
  // the first one's name.
  Select(panel, {m.index(0, 0)});
  panel.view()->setFocus();
  walk.modals.Then("Rename object", TypeAnswer("G,7", walk.modals.problems));
  walk.modals.Then("Pelorin: The object name G,7", PressOk());
  walk.modals.Then("Rename object", TypeAnswer("G7", walk.modals.problems));
  Key(w, Qt::Key_F2);
  QTRY_VERIFY(walk.modals.Done());
  QCOMPARE(walk.modals.Check(), QString());
  QCOMPARE(ObjectNames(m), (QStringList{"G7", "G2"}));
  QCOMPARE(panel.view()->selectionModel()->selectedRows(), (QModelIndexList{m.index(0, 0)}));  // still selected
  Select(panel, {m.index(0, 0), m.index(1, 0)});
  QVERIFY(panel.mergeAction()->isEnabled());
  panel.mergeAction()->trigger();
  QCOMPARE(ObjectNames(m), (QStringList{"G7"}));
  QCOMPARE(m.index(0, 1).data().toString(), QString("3"));
  QCOMPARE(w.menuAction(Menu::Undo)->text(), QString("Undo Merge G7, G2"));
  QCOMPARE(walk.Save(true), QString());
  const std::string merged = Read(f.folder() + "/p.dat");
  QVERIFY(merged.find("\"G2\"") == std::string::npos && merged.find("\"G1\"") == std::string::npos);
  QCOMPARE(merged.size(), measured.size());  // same numbers, names of equal length

  // Hidden by hand, it stays hidden after the next edit.
  w.menuAction(Menu::Measurements)->trigger();
  QVERIFY(panel.isHidden());
  Key(w, Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(panel.isHidden());
  QCOMPARE(walk.modals.Check(), QString());
}

void MeasurementsTest::highlightAndCopy() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  WritePicture(f.folder());
  Activate(w);
  tour::Walk walk(w);
  QCOMPARE(walk.Open(f.folder() + "/p.bmp"), QString());
  QCOMPARE(walk.Choose(Menu::Selectmode), QString());
  QCOMPARE(walk.Object("G1", {{180, 190}, {183, 192}}), QString());
  QCOMPARE(walk.Object("G2", {{230, 210}}), QString());
  MeasurementsPanel& panel = *w.measurementsPanel();
  const MeasurementsModel& m = *panel.model();

  // A selected object's marks are highlighted, at 1:1 and enlarged and
  // reduced, on the dark spot and the bright disc alike; the others not.
  for (double zoom : {1.0, 4.0, 0.5}) {
    w.setZoom(zoom);
    Select(panel, {});
    ShowPixel(w, 200, 200);
    QCOMPARE(MagentaAround(w, {180, 190}), 0);
    Select(panel, {m.index(0, 0)});
    QVERIFY2(MagentaAround(w, {180, 190}) > 0, qPrintable(QString("zoom %1").arg(zoom)));
    QVERIFY(MagentaAround(w, {183, 192}) > 0);
    QCOMPARE(MagentaAround(w, {230, 210}), 0);
    // The mark is ringed in black, so it shows on a light picture too.
    if (zoom >= 1) {
      const QPoint ring = Canvas::WidgetAt({180 - 3, 190}, zoom).toPoint();
      QCOMPARE(w.canvas()->grab(QRect(ring, QSize(1, 1))).toImage().pixel(0, 0), qRgb(0, 0, 0));
    }
  }
  w.setZoom(1.0);

  // A click on a stored mark selects its row; double-click centres on it.
  Select(panel, {});
  QCOMPARE(ClickPixel(w, 230, 210), QString());
  QModelIndexList rows = panel.view()->selectionModel()->selectedRows();
  QCOMPARE(rows.size(), 1);
  QCOMPARE(rows.front(), m.index(0, 0, m.index(1, 0)));
  QCOMPARE(f.app().s.PointCount, 0);  // the click did not reach the core
  w.setZoom(4.0);
  w.scrollBar(ScrollBar::H)->setValue(0);
  w.scrollBar(ScrollBar::V)->setValue(0);
  panel.view()->scrollTo(m.index(1, 0));
  const QRect cell = panel.view()->visualRect(m.index(1, 0));
  // The press of a double click, then the double click itself.
  QTest::mouseClick(panel.view()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(panel.view()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  const QPointF middle(w.viewSize().width() / 2.0, w.viewSize().height() / 2.0);
  const QPointF shown = w.canvas()->mapTo(w.client(), Canvas::WidgetAt({230.5, 210.5}, 4.0).toPoint());
  QVERIFY2(std::abs(shown.x() - middle.x()) <= 4 && std::abs(shown.y() - middle.y()) <= 4,
           qPrintable(QString("G2 at %1,%2, middle %3,%4").arg(shown.x()).arg(shown.y()).arg(middle.x()).arg(middle.y())));
  w.setZoom(1.0);

  // A letter typed in the panel is the panel's, not a command of the
  // picture (u would show the stored points).
  panel.view()->setFocus();
  const auto objectsShown = f.app().s.ShowObjects;
  Key(w, Qt::Key_U);
  QCOMPARE(f.app().s.ShowObjects, objectsShown);

  // Ctrl+C: a header row, then the selected rows (an object by its means).
  Select(panel, {m.index(0, 0), m.index(0, 0, m.index(1, 0))});
  panel.view()->setFocus();
  QGuiApplication::clipboard()->clear();
  Key(w, Qt::Key_C, Qt::ControlModifier);
  const QStringList lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 3);
  QCOMPARE(lines[0], QString("name\tB\tCMD\tL"));
  const QStringList g1 = lines[1].split('\t'), g2 = lines[2].split('\t');
  QCOMPARE(g1.size(), 4);
  QCOMPARE(g1[0], QString("G1"));
  QCOMPARE(g2[0], QString("G2"));
  // The numbers in full; the panel shows them rounded.
  for (int c = 1; c <= 3; ++c) {
    const int digits = c == 1 ? 2 : 3;
    QCOMPARE(QString::fromStdString(FixedText(g1[c].toDouble(), digits, 2)), m.index(0, c + 1).data().toString());
    QCOMPARE(QString::fromStdString(FixedText(g2[c].toDouble(), digits, 2)),
             m.index(0, c + 1, m.index(1, 0)).data().toString());
  }
}

// A new picture's limb, entered and ended, is one step: Ctrl+Z puts the
// working file, the calibration and the menus back as they were before the
// limb input, Ctrl+Y brings the limb back.
void MeasurementsTest::calibrationUndone() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  WritePicture(f.folder());
  QFile::remove(QString::fromStdString(f.folder() + "/p.dat"));
  Activate(w);
  tour::Walk walk(w);
  QCOMPARE(walk.Open(f.folder() + "/p.bmp", "3"), QString());
  QCOMPARE(walk.ConfirmDate(), QString());
  QCOMPARE(walk.Choose(Menu::Selectmode), QString());
  const std::string working = f.app().file2.Path();
  const std::string before = Read(working);
  const auto menus = [&w] {
    QStringList enabled;
    for (int i = 0; i < static_cast<int>(Menu::Count); ++i) {
      const auto m = static_cast<Menu>(i);
      if (m != Menu::Undo && m != Menu::Redo && w.menuAction(m)->isEnabled()) enabled << MenuName(m);
    }
    return enabled;
  };
  const QStringList menusBefore = menus();
  QVERIFY(w.menuAction(Menu::Limb)->isEnabled());
  QVERIFY(!w.menuAction(Menu::Undo)->isEnabled());
  QCOMPARE(walk.Limb({{350, 200}, {200, 50}, {50, 200}, {200, 350}, {306, 94}}), QString());
  QCOMPARE(f.app().s.CalibrationState, 1.0f);
  const std::string after = Read(working);
  QVERIFY(after.size() > before.size());
  QCOMPARE(w.menuAction(Menu::Undo)->text(), QString("Undo Limb calibration"));
  QVERIFY(!w.menuAction(Menu::Limb)->isEnabled());

  Key(w, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(Read(working), before);
  QCOMPARE(f.app().s.CalibrationState, 0.0f);
  QCOMPARE(menus(), menusBefore);
  QVERIFY(!w.endButton(EndButton::limbend)->isVisible());
  Key(w, Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(Read(working), after);
  QCOMPARE(f.app().s.CalibrationState, 1.0f);
  GUI_NEAR(f.app().s.LimbRadius, 150.0, 1.0, "radius");
  QVERIFY(!w.menuAction(Menu::Limb)->isEnabled());
  QVERIFY(w.menuAction(Menu::orient)->isEnabled());
  QCOMPARE(walk.modals.Check(), QString());
}

PELORIN_GUI_TEST(MeasurementsTest);

#include "measurements_test.moc"
