// The whole road of one picture through the real main window, as an observer
// walks it: open a new picture, confirm its date, click the limb, give the
// orientation, measure an object, save, and open the picture again. The
// pictures come from the test-picture generator, which also says where the
// limb, the drift line, the rotation axis and every spot really are.
//
// Everything goes through the window: menu items, clicks on Picture1 at
// picture pixels (the view scrolled so that the point shows), the End
// buttons, keys, and the modal dialogs and boxes, which a ModalScript answers
// from inside their own event loops (the driver of Driver.h).
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include "GuiFixture.h"
#include "SunPicture.h"
#include "SunScene.h"
#include "Tour.h"
#include "base/Ports.h"
#include "base/Text.h"
#include "app/Geometry.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

namespace {

// Ends the calling test function when a step has failed.
#define ROAD_STEP(step)                          \
  do {                                           \
    step;                                        \
    if (QTest::currentTestFailed()) return;      \
  } while (0)

// ---------------------------------------------------------------------------
// The picture and its truth.

// Writes the scene's picture as a JPEG file in `folder` under the scene's
// name, the way Kanzelhöhe pictures come.
gen::Truth WritePicture(const pelorin::test::SampleScene& sample, const std::string& folder) {
  const gen::Rendered r = gen::Render(sample.scene);
  QImage image(r.width_px, r.height_px, QImage::Format_RGB32);
  for (int y = 0; y < r.height_px; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    for (int x = 0; x < r.width_px; ++x) row[x] = r.argb[static_cast<std::size_t>(y * r.width_px + x)];
  }
  const std::string path = folder + "/" + sample.pictureName;
  if (!image.save(QString::fromStdString(path), "JPEG", 95)) qWarning("could not write %s", path.c_str());
  return r.truth;
}

// ---------------------------------------------------------------------------
// One picture's road.

struct Road {
  MainWindowFixture f;
  pelorin::test::SampleScene sample;
  gen::Truth truth;
  std::string picturePath;  // full path
  std::string dataName;     // bare name of the data file
  ModalScript modals;
  QStringList messages;     // texts of the message boxes answered

  explicit Road(pelorin::test::SampleScene s) : sample(std::move(s)) {
    // The observer clicks the limb all round, every 10 degrees, so that the
    // rounding of each click to its pixel averages out.
    sample.scene.limbPointCount = 36;
    truth = WritePicture(sample, f.folder());
    picturePath = f.folder() + "/" + sample.pictureName;
    dataName = sample.pictureName.substr(0, sample.pictureName.size() - 3) + "dat";
  }

  ProgramState& s() { return f.app().s; }
  QWidget* canvas() { return f.find("Picture1"); }

  // A message box expected next: its text is kept and it is answered OK.
  void ExpectMessage(const QString& startsWith) {
    modals.Then("Pelorin: " + startsWith, [this](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box == nullptr) {
        modals.problems << "not a message box: " + Describe(modal);
        qobject_cast<QDialog*>(modal)->reject();
        return;
      }
      messages << box->text();
      PressOk()(modal);
    });
  }
};

// Every modal widget of a step was the one expected and was answered.
void CheckModals(Road& r) {
  QVERIFY2(r.modals.unexpected.isEmpty(), qPrintable("unexpected: " + r.modals.unexpected.join(" | ")));
  QVERIFY2(r.modals.problems.isEmpty(), qPrintable(r.modals.problems.join(" | ")));
  QVERIFY2(r.modals.Done(), qPrintable("not all dialogs opened; seen: " + r.modals.seen.join(" | ")));
}

// A menu item chosen as a user chooses it: it must be enabled.
void Choose(Road& r, Menu item) {
  const QString e = ChooseMenu(r.f.window(), item);
  QVERIFY2(e.isEmpty(), qPrintable(e));
}

// A click on the picture at picture pixel (x, y), rounded to the pixel the
// pointer would be on: the view is scrolled so that the point shows in the
// middle of the window (as far as the scroll range allows), the pointer
// moves there (the status line reads it out) and the button is clicked.
void ClickPicture(Road& r, double x, double y, Qt::MouseButton button = Qt::LeftButton) {
  const QString e = ClickPixel(r.f.window(), x, y, button);
  QVERIFY2(e.isEmpty(), qPrintable(e));
}

// Opens a new picture through File -> Open: the picture chosen in the
// dialog, then its type (0, a Kanzelhöhe scan) typed into the input box.
void OpenNewPicture(Road& r) {
  r.modals.Then("Open picture", ChooseFile(QString::fromStdString(r.picturePath), r.modals.problems));
  r.modals.Then("Type of image: 0=scan Kanzelh", TypeAnswer("0", r.modals.problems));
  ROAD_STEP(Choose(r, Menu::ucitavanje));
  ROAD_STEP(CheckModals(r));
  ProgramState& s = r.s();
  QCOMPARE(Q(s.DataFileName), Q(r.dataName));
  QCOMPARE(s.ImageType, std::int16_t{0});
  // The date comes from the Kanzelhöhe name.
  QCOMPARE(s.DateKnown, 1.0f);
  QCOMPARE(s.DateYear, static_cast<double>(r.truth.year));
  QCOMPARE(s.DateMonth, static_cast<double>(r.truth.month));
  QCOMPARE(s.DateDay, static_cast<double>(r.truth.day));
  QCOMPARE(s.NorthUpImage, static_cast<std::int16_t>(r.truth.northUp ? 1 : 0));
  QCOMPARE(r.f.window().picture().Width(), r.truth.width_px);
  // The next step is the date; the calibration menus wait for it.
  QVERIFY(r.f.window().menuAction(Menu::datum)->isEnabled());
  QVERIFY(!r.f.window().menuAction(Menu::Limb)->isEnabled());
  QVERIFY(!r.f.window().menuAction(Menu::Objekt)->isEnabled());
  QVERIFY(std::filesystem::exists(r.f.folder() + "/" + r.dataName));
}

enum class DateEntry { PressOk, RetypeDayAndEnter };

// Settings -> Date and Time: the dialog shows the date of the name; it is
// confirmed with OK, or the day is typed again and Enter pressed in its box.
void ConfirmDate(Road& r, DateEntry how) {
  QStringList shown;
  r.modals.Then("Date and time", [&shown, how, &r](QWidget* dialog) {
    for (const char* name : {"de(0)", "de(1)", "de(2)", "ra(0)", "ra(1)", "ra(2)"})
      shown << qobject_cast<QLineEdit*>(FindByDescription(dialog, name))->text();
    if (how == DateEntry::PressOk) {
      QTest::mouseClick(FindByDescription(dialog, "OK"), Qt::LeftButton);
    } else {
      auto* day = qobject_cast<QLineEdit*>(FindByDescription(dialog, "de(0)"));
      day->selectAll();
      QTest::keyClicks(day, QString::number(r.truth.day));
      QTest::keyClick(day, Qt::Key_Return);
    }
  });
  ROAD_STEP(Choose(r, Menu::datum));
  ROAD_STEP(CheckModals(r));
  const gen::Truth& t = r.truth;
  QCOMPARE(shown, (QStringList{QString::number(t.day), QString::number(t.month), QString::number(t.year),
                               QString::number(t.hour), QString::number(t.minute), QString::number(t.second)}));
  ProgramState& s = r.s();
  // Source: the generator's ephemeris for the same date and time (the
  // program's own routine, P taken as 0 on north-up pictures).
  QCOMPARE(s.TimeUT, t.ut_hours);
  QCOMPARE(s.P, t.eph.P_deg);
  QCOMPARE(s.B0, t.eph.B0_deg);
  QCOMPARE(s.L0, t.eph.L0_deg);
  QCOMPARE(s.rho0, t.eph.rho0_AU);
  QVERIFY(!r.f.window().menuAction(Menu::datum)->isEnabled());
  QVERIFY(r.f.window().menuAction(Menu::Limb)->isEnabled());
}

// Settings -> Input -> Sun's limb: a click at each generated limb point
// ("Nearest" keeps a click that is on the dark limb), then End. The fit
// reports the circle; the disc must be the generated one.
void FitLimb(Road& r) {
  ROAD_STEP(Choose(r, Menu::Limb));
  QVERIFY(r.f.app().win.EndVisible(EndButton::limbend));
  QCOMPARE(Q(r.s().SelectModeText), QString("Autoselect mode Nearest"));
  for (const gen::PointPx& p : r.truth.limb) ROAD_STEP(ClickPicture(r, p.x_px, p.y_px));
  QCOMPARE(static_cast<std::size_t>(r.s().PointCount), r.truth.limb.size());
  r.ExpectMessage("xm=");
  QTest::mouseClick(r.f.find("limbend"), Qt::LeftButton);
  ROAD_STEP(CheckModals(r));
  ProgramState& s = r.s();
  // The fit's report names the radius it took.
  QVERIFY2(r.messages.back().contains(Q(" rk=" + NumberText(s.LimbRadius) + " ")), qPrintable(r.messages.back()));
  QVERIFY(!r.f.app().win.EndVisible(EndButton::limbend));
  // Source: the generator's disc. Each click falls on a whole pixel, up to
  // half a pixel off the limb, and on a bright disc "Nearest" takes a click
  // just inside the edge out to the first dark pixel: the circle is held to
  // half a pixel (a few hundredths of a degree at the spots).
  GUI_NEAR(s.ZeroPointX, r.truth.x0_px, 0.5, "disc centre x");
  GUI_NEAR(s.ZeroPointY, r.truth.y0_px, 0.5, "disc centre y");
  GUI_NEAR(s.LimbRadius, r.truth.rk_px, 0.5, "disc radius");
}

// Settings -> Input -> Automatic limb: the limb points are entered and
// dotted; the observer removes the last one with the right button and
// clicks one of his own on the limb, then End. The fit reports the circle
// as for clicked points, and the disc is the generated one, closer than the
// clicks hold it.
void FitLimbAutomatically(Road& r) {
  ROAD_STEP(Choose(r, Menu::AutoLimb));
  QVERIFY(r.f.app().win.EndVisible(EndButton::limbend));
  QVERIFY(!r.f.window().menuAction(Menu::Limb)->isEnabled());
  QVERIFY(!r.f.window().menuAction(Menu::AutoLimb)->isEnabled());
  QCOMPARE(Q(r.s().SelectModeText), QString("Autoselect mode Nearest"));
  const int n = r.s().PointCount;
  QVERIFY2(n >= 24 && n <= 90, qPrintable(QString::number(n)));
  // The entered points are dotted black on the picture.
  const ProgramState& s = r.s();
  for (int i = 1; i <= n; ++i) {
    const double X = s.PointX[static_cast<std::size_t>(i)] + s.ZeroPointX;
    const double Y = s.ZeroPointY - s.PointY[static_cast<std::size_t>(i)];
    QCOMPARE(r.f.window().picture().Point(X, Y), static_cast<std::int32_t>(QBColor(0)));
  }
  ROAD_STEP(ClickPicture(r, r.truth.x0_px, r.truth.y0_px, Qt::RightButton));
  QCOMPARE(static_cast<int>(r.s().PointCount), n - 1);
  const gen::PointPx top = r.truth.limb[r.truth.limb.size() / 4];
  ROAD_STEP(ClickPicture(r, top.x_px, top.y_px));
  QCOMPARE(static_cast<int>(r.s().PointCount), n);
  r.ExpectMessage("xm=");
  QTest::mouseClick(r.f.find("limbend"), Qt::LeftButton);
  ROAD_STEP(CheckModals(r));
  QVERIFY2(r.messages.back().contains(Q(" rk=" + NumberText(r.s().LimbRadius) + " ")), qPrintable(r.messages.back()));
  QVERIFY(!r.f.app().win.EndVisible(EndButton::limbend));
  GUI_NEAR(r.s().ZeroPointX, r.truth.x0_px, 0.3, "disc centre x");
  GUI_NEAR(r.s().ZeroPointY, r.truth.y0_px, 0.3, "disc centre y");
  GUI_NEAR(r.s().LimbRadius, r.truth.rk_px, 0.3, "disc radius");
}

// Settings -> Input -> Orientation -> daily parallel or rotation axis: the
// frame where east (north) lies chosen in the dialog, a click on each
// generated point of the line, then End. On a drawing the line's points are
// white disc pixels, so "Weighted" keeps them (the middle one is on the
// central spot, whose centre is the disc centre).
void Orient(Road& r, bool axis) {
  const gen::Truth& t = r.truth;
  // East lies at the orientation angle; north at 90 + orientation - P.
  const int frame = FrameFor(axis ? 90 + t.orientation_deg - t.eph.P_deg : t.orientation_deg);
  r.modals.Then(axis ? "Orientation of polar axe" : "orientation", [frame](QWidget* dialog) {
    QTest::mouseClick(FindByDescription(dialog, QString("Frame1(%1)").arg(frame)), Qt::LeftButton);
    QTest::mouseClick(FindByDescription(dialog, "Command3D1"), Qt::LeftButton);
  });
  ROAD_STEP(Choose(r, axis ? Menu::ossunca : Menu::dnevnihod));
  ROAD_STEP(CheckModals(r));
  QCOMPARE(r.s().DirectionChoice, static_cast<double>(frame));
  QVERIFY(r.f.app().win.EndVisible(EndButton::dirend));
  const std::vector<gen::PointPx>& line = axis ? t.axis : t.parallel;
  for (const gen::PointPx& p : line) ROAD_STEP(ClickPicture(r, p.x_px, p.y_px));
  QCOMPARE(static_cast<std::size_t>(r.s().PointCount), line.size());
  r.ExpectMessage("daily parallel=");
  QTest::mouseClick(r.f.find("dirend"), Qt::LeftButton);
  ROAD_STEP(CheckModals(r));
  ProgramState& s = r.s();
  QCOMPARE(s.CalibrationState, 3.0f);
  // Source: the generator's orientation; the line is fixed to a few
  // hundredths of a degree by clicks on whole pixels.
  GUI_NEAR(AngleNear(s.OrientationAngle, t.orientation_deg), t.orientation_deg, 0.1, "orientation");
  QCOMPARE(r.messages.back(), Q("daily parallel=" + NumberText(s.OrientationAngle) + "\xC2\xB0"));
  // The grid of the new orientation is shown at once.
  QCOMPARE(s.GridOn, std::uint8_t{1});
}

// Settings -> New object, named; a click on each generated spot, then End.
// The grid's dots lie in the picture that "Weighted" reads, so the observer
// first switches the grid off (View -> Heliographic coordinates).
void MeasureObject(Road& r, const QString& name) {
  if (r.s().GridOn == 1) ROAD_STEP(Choose(r, Menu::mreza));
  QCOMPARE(r.s().GridOn, std::uint8_t{0});
  r.modals.Then("Object name: Enter object name", TypeAnswer(name, r.modals.problems));
  ROAD_STEP(Choose(r, Menu::Objekt));
  ROAD_STEP(CheckModals(r));
  QCOMPARE(r.f.window().windowTitle(), "Object name: " + name);
  QVERIFY(r.f.app().win.EndVisible(EndButton::Objektend));
  const int before = r.s().StoredPointCount;
  for (const gen::SpotTruth& spot : r.truth.spots) ROAD_STEP(ClickPicture(r, spot.x_px, spot.y_px));
  QCOMPARE(static_cast<std::size_t>(r.s().PointCount), r.truth.spots.size());
  QCOMPARE(static_cast<std::size_t>(r.s().StoredPointCount - before), r.truth.spots.size());
  QTest::mouseClick(r.f.find("Objektend"), Qt::LeftButton);
  ROAD_STEP(CheckModals(r));
  QVERIFY(!r.f.app().win.EndVisible(EndButton::Objektend));
  QVERIFY(r.f.window().menuAction(Menu::Objekt)->isEnabled());
}

// File -> Save, accepting the offered name; the placeholder data file made
// when the picture was opened is replaced without a question (the script
// notes any box that opens).
void Save(Road& r) {
  r.modals.Then("Save data", ChooseFile({}, r.modals.problems));
  ROAD_STEP(Choose(r, Menu::spremi));
  ROAD_STEP(CheckModals(r));
  // Measuring goes on from a working copy equal to the saved file.
  const std::string saved = pelorin::test::ReadAll(r.f.folder() + "/" + r.dataName);
  QVERIFY(!saved.empty());
  QCOMPARE(pelorin::test::ReadAll(r.f.folder() + "/temp.dat"), saved);
}

// The saved data file, line by line, against the generator's truth: the
// header, the disc line, the orientation line and one record per spot of
// the object `name`, each spot's B and L within 0.1 degrees.
void CheckDataFile(Road& r, const QString& name) {
  const gen::Truth& t = r.truth;
  QString problem;
  const std::vector<std::string> lines = CrLfLines(pelorin::test::ReadAll(r.f.folder() + "/" + r.dataName), &problem);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QCOMPARE(lines.size(), 13 + t.spots.size());
  ROAD_STEP(tour::CheckDataHeader(lines, r.sample.pictureName, t, "scan"));
  // One record per spot, in the order clicked, its name quoted; 0.1 degrees
  // for spots within 60 degrees of the disc centre, as all of these are.
  std::vector<std::pair<std::string, std::string>> records;
  for (std::size_t i = 0; i < t.spots.size(); ++i) {
    const std::string& line = lines[13 + i];
    QVERIFY2(line.rfind("\"" + name.toStdString() + "\",", 0) == 0, line.c_str());
    records.push_back({name.toStdString(), t.spots[i].name});
  }
  tour::CheckRecords(lines, 13, t, records);
}

enum class OpenBy { Menu, KeyF };

// Opens the picture again (File -> Open, or key f, which steps through the
// folder's pictures and stays on the last one): its data file is read back,
// the grid is shown at once and the stored points can be viewed.
void Reopen(Road& r, OpenBy how) {
  const std::string saved = pelorin::test::ReadAll(r.f.folder() + "/" + r.dataName);
  if (how == OpenBy::Menu) {
    r.modals.Then("Open picture", ChooseFile(QString::fromStdString(r.picturePath), r.modals.problems));
    ROAD_STEP(Choose(r, Menu::ucitavanje));
  } else {
    QCOMPARE(r.s().PictureCount, std::int16_t{1});
    QTest::keyClick(r.canvas(), 'f');
  }
  ROAD_STEP(CheckModals(r));
  ProgramState& s = r.s();
  QCOMPARE(Q(s.DataFileName), Q(r.dataName));
  QCOMPARE(s.CalibrationState, 3.0f);
  QCOMPARE(static_cast<std::size_t>(s.StoredPointCount), r.truth.spots.size());
  // The working copy starts again as the file read (its numbers were
  // written rounded, so they read back the same).
  QCOMPARE(pelorin::test::ReadAll(r.f.folder() + "/temp.dat"), saved);
  QVERIFY(r.f.window().menuAction(Menu::Objekt)->isEnabled());
  QVERIFY(!r.f.window().menuAction(Menu::Limb)->isEnabled());

  // The grid: on, and its dots in the picture. Parallels come first, 181
  // points each from B = -80; index 8 * 181 + 91 is B = 0 on the central
  // meridian. Source: the generator's projection of that point.
  QCOMPARE(s.GridOn, std::uint8_t{1});
  const RasterPicture& pic = r.f.window().picture();
  const auto gridColour = static_cast<std::int32_t>(QBColor(s.GridColour));
  for (int i : {1, 8 * 181 + 91, 3077, 3078, 6136}) {
    const auto k = static_cast<std::size_t>(i);
    QCOMPARE(pic.Point(s.GridPointX[k], s.GridPointY[k]), gridColour);
  }
  ProgramState truthState;
  gen::ApplyCalibration(r.truth, truthState);
  double X = 0, Y = 0;
  HeliographicToPixel(truthState, r.truth.eph.L0_deg, 0, -r.truth.orientation_deg, X, Y);
  const std::size_t centre = 8 * 181 + 91;
  GUI_NEAR(static_cast<double>(s.GridPointX[centre]), X, 1.0, "grid point B 0 on the central meridian, x");
  GUI_NEAR(static_cast<double>(s.GridPointY[centre]), Y, 1.0, "grid point B 0 on the central meridian, y");
}

// View -> Object: every stored point is marked bright green (3 x 3 pixels)
// on its spot. The grid is switched off first so that no dot covers a mark.
void ViewObjects(Road& r) {
  ROAD_STEP(Choose(r, Menu::mreza));
  QCOMPARE(r.s().GridOn, std::uint8_t{0});
  ROAD_STEP(Choose(r, Menu::objectview));
  QCOMPARE(r.s().ShowObjects, std::uint8_t{1});
  const RasterPicture& pic = r.f.window().picture();
  const auto green = static_cast<std::int32_t>(QBColor(10));
  for (const gen::SpotTruth& spot : r.truth.spots) {
    // A mark within a pixel of the spot's centre covers at least four of
    // the nine pixels around it.
    const int cx = static_cast<int>(std::lround(spot.x_px)), cy = static_cast<int>(std::lround(spot.y_px));
    int marked = 0;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy) marked += pic.Point(cx + dx, cy + dy) == green ? 1 : 0;
    QVERIFY2(marked >= 4, qPrintable(QString::fromStdString(spot.name) + QString(": %1 of 9 marked").arg(marked)));
  }
}

// The axis picture: a Kanzelhöhe drawing of another day, with a large
// position angle P, turned so that north lies towards the top left.
pelorin::test::SampleScene AxisDrawingScene() {
  pelorin::test::SampleScene s = pelorin::test::KanzelhoeDrawingScene();
  gen::Scene& sc = s.scene;
  sc.year = 2003, sc.month = 10, sc.day = 28, sc.hour = 11, sc.minute = 0, sc.second = 0;
  sc.orientation_deg = 62.0;
  sc.spots = pelorin::test::SampleSpots(gen::ProgramEphemeris(2003, 10, 28, 11.0, false));
  s.pictureName = gen::KanzelhoeName(gen::KanzelhoeKind::Drawing, 2003, 10, 28, 11, 0, "jpg");
  return s;
}

}  // namespace

class RoadTest : public QObject {
  Q_OBJECT

 private slots:
  void drawingOrientedByDailyParallel();
  void halphaNorthUpNeedsOnlyTheLimb();
  void drawingOrientedByRotationAxis();
  void halphaWithTheAutomaticLimb();
};

// A Kanzelhöhe drawing: mirrored and rotated, oriented by the daily parallel.
void RoadTest::drawingOrientedByDailyParallel() {
  Road r(pelorin::test::KanzelhoeDrawingScene());
  ROAD_STEP(OpenNewPicture(r));
  ROAD_STEP(ConfirmDate(r, DateEntry::PressOk));
  ROAD_STEP(FitLimb(r));
  QCOMPARE(r.s().CalibrationState, 1.0f);
  QVERIFY(r.f.window().menuAction(Menu::orient)->isEnabled());
  ROAD_STEP(Orient(r, false));
  ROAD_STEP(MeasureObject(r, "g1"));
  ROAD_STEP(Save(r));
  ROAD_STEP(CheckDataFile(r, "g1"));
  ROAD_STEP(Reopen(r, OpenBy::Menu));
  ROAD_STEP(ViewObjects(r));
}

// A Kanzelhöhe H-alpha picture is north up: the limb fit finishes the
// calibration (orientation 0 written at once, grid shown) and the
// orientation menu stays closed.
void RoadTest::halphaNorthUpNeedsOnlyTheLimb() {
  Road r(pelorin::test::HalphaNorthUpScene());
  ROAD_STEP(OpenNewPicture(r));
  ROAD_STEP(ConfirmDate(r, DateEntry::RetypeDayAndEnter));
  ROAD_STEP(FitLimb(r));
  QCOMPARE(r.s().CalibrationState, 3.0f);
  QCOMPARE(r.s().OrientationAngle, 0.0);
  QCOMPARE(r.s().GridOn, std::uint8_t{1});
  QVERIFY(!r.f.window().menuAction(Menu::orient)->isEnabled());
  QVERIFY(r.f.window().menuAction(Menu::Objekt)->isEnabled());
  ROAD_STEP(MeasureObject(r, "AR10365"));
  ROAD_STEP(Save(r));
  ROAD_STEP(CheckDataFile(r, "AR10365"));
  ROAD_STEP(Reopen(r, OpenBy::KeyF));
  ROAD_STEP(ViewObjects(r));
}

// A drawing oriented by points along the Sun's rotation axis.
void RoadTest::drawingOrientedByRotationAxis() {
  Road r(AxisDrawingScene());
  ROAD_STEP(OpenNewPicture(r));
  ROAD_STEP(ConfirmDate(r, DateEntry::PressOk));
  ROAD_STEP(FitLimb(r));
  ROAD_STEP(Orient(r, true));
  ROAD_STEP(MeasureObject(r, "g2"));
  ROAD_STEP(Save(r));
  ROAD_STEP(CheckDataFile(r, "g2"));
  ROAD_STEP(Reopen(r, OpenBy::KeyF));
  ROAD_STEP(ViewObjects(r));
}

// The H-alpha picture again, its limb found by the program and refined by
// the observer.
void RoadTest::halphaWithTheAutomaticLimb() {
  Road r(pelorin::test::HalphaNorthUpScene());
  ROAD_STEP(OpenNewPicture(r));
  ROAD_STEP(ConfirmDate(r, DateEntry::PressOk));
  ROAD_STEP(FitLimbAutomatically(r));
  QCOMPARE(r.s().CalibrationState, 3.0f);
  ROAD_STEP(MeasureObject(r, "AR10365"));
  ROAD_STEP(Save(r));
  ROAD_STEP(CheckDataFile(r, "AR10365"));
}

PELORIN_GUI_TEST(RoadTest);

#include "road_test.moc"
