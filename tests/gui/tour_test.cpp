// The tour of the bundled samples through the real main window: each sample
// copied to a temporary folder, opened and taken along its road (date, limb,
// orientation or catalogues, one object, save), and the data files checked
// against the generator's truth. The drawing comes back measured: its grid,
// its stored points, the reference groups of the comparison and the pointer
// read-out are checked as a newcomer first meets them.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <QAction>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include "GuiFixture.h"
#include "Tour.h"
#include "base/Ports.h"
#include "base/Text.h"
#include "app/Geometry.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;
using namespace pelorin::gui::tour;

namespace {

#define TOUR_STEP(call)                                    \
  do {                                                     \
    const QString tourError = (call);                      \
    QVERIFY2(tourError.isEmpty(), qPrintable(tourError));  \
  } while (0)

// One sample opened in a fresh copy of the samples folder.
struct Tour {
  MainWindowFixture f;
  gen::SampleSet set = gen::BundledSamples();
  Walk walk{f.window()};
  Sample sample;
  std::string picture, data;  // full paths of the picture and its data file

  explicit Tour(const std::string& prefix) : sample(FindSample(set, prefix)) {
    copied = CopyFiles(PELORIN_SAMPLES_DIR, f.folder());
    picture = f.folder() + "/" + sample.picture.fileName;
    data = f.folder() + "/" + gen::DataFileNameOf(sample.picture.fileName);
  }
  QString copied;
  ProgramState& s() { return f.app().s; }
  bool Enabled(Menu m) { return f.window().menuAction(m)->isEnabled(); }
  std::vector<gen::PointPx> Spots(const std::vector<std::string>& names) {
    return SpotPoints(sample.truth, names);
  }
};

// B, CMD and L read from the status line.
bool ReadStatus(const QString& text, double& B, double& CMD, double& L) {
  static const QRegularExpression re(QString::fromUtf8(R"(B=\s*(-?[\d.]+)\S*\s+CMD=\s*(-?[\d.]+)\S*\s+L=\s*(-?[\d.]+))"));
  const QRegularExpressionMatch m = re.match(text);
  if (!m.hasMatch()) return false;
  B = m.captured(1).toDouble();
  CMD = m.captured(2).toDouble();
  L = m.captured(3).toDouble();
  return true;
}

}  // namespace

class TourTest : public QObject {
  Q_OBJECT

 private slots:
  void drawingComesBackMeasured();
  void drawingKeepsItsDataFile();
  void drawingFromScratchGivesItsDataFile();
  void newPicturesAlongTheirRoads_data();
  void newPicturesAlongTheirRoads();
  void otherPictureGivesPointsAboutAZeroPoint();
  void automaticLimbOnTheSamples_data();
  void automaticLimbOnTheSamples();
};

// `make run`: the drawing opens with its calibration, its grid and its two
// measured groups; the comparison lays the reference groups on them; the
// pointer reads B, CMD and L; one more group is measured and saved.
void TourTest::drawingComesBackMeasured() {
  Tour t("kanz_drawx");
  QVERIFY2(t.copied.isEmpty(), qPrintable(t.copied));
  const std::string bundled = pelorin::test::ReadAll(t.data);
  TOUR_STEP(t.walk.Open(t.picture));
  ProgramState& s = t.s();
  QCOMPARE(Q(s.DataFileName), Q(gen::DataFileNameOf(t.sample.picture.fileName)));
  QCOMPARE(s.CalibrationState, 3.0f);
  QCOMPARE(s.GridOn, std::uint8_t{1});
  QCOMPARE(s.StoredPointCount, std::int16_t{5});
  for (Menu m : {Menu::Objekt, Menu::Compare, Menu::mreza, Menu::objectview}) QVERIFY2(t.Enabled(m), MenuName(m));
  for (Menu m : {Menu::datum, Menu::Limb, Menu::orient}) QVERIFY2(!t.Enabled(m), MenuName(m));

  // The pointer on spot G1a reads its position. Source: the spot's B and L;
  // the pointer is on a whole pixel, within 0.1 degrees of the centre.
  const gen::SpotTruth& g1a = t.sample.truth.spots.front();
  QCOMPARE(Q(g1a.name), QString("G1a"));
  TOUR_STEP(t.walk.PointAt(g1a.x_px, g1a.y_px));
  double B = 0, CMD = 0, L = 0;
  const QString status = t.f.window().statusLabel()->text();
  QVERIFY2(ReadStatus(status, B, CMD, L), qPrintable(status));
  GUI_NEAR(B, g1a.B_deg, 0.1, "status B");
  GUI_NEAR(L, g1a.L_deg, 0.1, "status L");
  GUI_NEAR(CMD, g1a.L_deg - t.sample.truth.eph.L0_deg, 0.1, "status CMD");

  // View -> Object: a bright green mark on each measured spot (the grid
  // off first, so that no dot covers a mark).
  TOUR_STEP(t.walk.Choose(Menu::mreza));
  TOUR_STEP(t.walk.Choose(Menu::objectview));
  QCOMPARE(s.ShowObjects, std::uint8_t{1});
  const auto green = static_cast<std::int32_t>(QBColor(10));
  for (const gen::PointPx& p : t.Spots({"G1a", "G1b", "G1c", "G2a", "G2b"})) {
    int marked = 0;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        marked += t.f.window().picture().Point(std::lround(p.x_px) + dx, std::lround(p.y_px) + dy) == green ? 1 : 0;
    QVERIFY2(marked >= 4, qPrintable(QString("%1 of 9 pixels marked at %2, %3").arg(marked).arg(p.x_px).arg(p.y_px)));
  }

  // Tools -> Compare: the block of the picture's day, every group and spot.
  // Source: the reference catalogue's block of 17 May 2003 09:15 UT, an hour
  // and a half after the drawing.
  TOUR_STEP(t.walk.Choose(Menu::Compare));
  QCOMPARE(s.CompareOn, std::uint8_t{1});
  QCOMPARE(t.f.window().windowTitle(), QString("DPD Compare date: 2003-05-17-09:15UT  DT = 00days & 01h30min"));
  QCOMPARE(s.RefGroupCount, std::int16_t{4});
  QCOMPARE(s.RefSpotCount, std::int16_t{8});
  // Each reference spot on a drawn spot: marks are whole pixels, L and B of
  // the catalogue have two decimals.
  for (int k = 1; k <= s.RefSpotCount; ++k) {
    double nearest = 1e9;
    for (const gen::SpotTruth& spot : t.sample.truth.spots)
      nearest = std::min(nearest, std::hypot(s.RefSpotX[k] - spot.x_px, s.RefSpotY[k] - spot.y_px));
    GUI_NEAR(nearest, 0.0, 1.0, QString("reference spot %1 from the nearest drawn spot, px").arg(k));
  }
  // The reference groups G1 and G2 lie within 1 degree of the groups
  // measured in the data file (the mean of their records).
  const std::vector<std::string> lines = CrLfLines(bundled);
  QCOMPARE(lines.size(), std::size_t{18});
  for (const char* name : {"G1", "G2"}) {
    double sumB = 0, sumL = 0;
    int n = 0;
    for (std::size_t i = 13; i < lines.size(); ++i) {
      const QStringList f = Items(lines[i]);
      if (f[0] != name) continue;
      sumB += f[1].toDouble();
      sumL += f[3].toDouble();
      ++n;
    }
    QVERIFY(n > 0);
    int k = 1;
    while (k <= s.RefGroupCount && Q(s.RefGroupName[static_cast<std::size_t>(k)]).trimmed() != name) ++k;
    QVERIFY2(k <= s.RefGroupCount, name);
    double refB = 0, refCMD = 0, refL = 0;
    PixelToHeliographic(s, s.RefGroupX[k], s.RefGroupY[k], s.OrientationAngle, refB, refCMD, refL);
    GUI_NEAR(refB, sumB / n, 1.0, QString("reference group %1 B").arg(name));
    GUI_NEAR(AngleNear(refL, sumL / n), sumL / n, 1.0, QString("reference group %1 L").arg(name));
  }

  // One more group: the comparison marks off first ("Weighted" would read
  // them), G3 measured and saved after the two stored groups.
  TOUR_STEP(t.walk.Choose(Menu::Compare));
  QCOMPARE(s.RefGroupCount, std::int16_t{0});
  TOUR_STEP(t.walk.Object("G3", t.Spots({"G3a"})));
  TOUR_STEP(t.walk.Save(true));
  const std::vector<std::string> saved = CrLfLines(pelorin::test::ReadAll(t.data));
  QCOMPARE(std::vector<std::string>(saved.begin(), saved.begin() + 18), lines);
  CheckRecords(saved, 18, t.sample.truth, {{"G3", "G3a"}});
}

// Opening the drawing and closing the program, with or without a Save in
// between, leaves its data file as it is: the working copy is the file
// itself. temp.dat goes; a.tmp stays.
void TourTest::drawingKeepsItsDataFile() {
  Tour t("kanz_drawx");
  QVERIFY2(t.copied.isEmpty(), qPrintable(t.copied));
  const std::string bundled = pelorin::test::ReadAll(t.data);
  TOUR_STEP(t.walk.Open(t.picture));
  QVERIFY(std::filesystem::exists(t.f.folder() + "/temp.dat"));
  TOUR_STEP(t.walk.Save(true));
  QVERIFY(pelorin::test::ReadAll(t.data) == bundled);
  TOUR_STEP(t.walk.Choose(Menu::Close));
  QVERIFY(pelorin::test::ReadAll(t.data) == bundled);
  QVERIFY(!std::filesystem::exists(t.f.folder() + "/temp.dat"));
  QVERIFY(std::filesystem::exists(t.f.folder() + "/a.tmp"));
}

// The drawing measured again from the start, as its data file says it was:
// the date from its name, the limb, the orientation along the drawn daily
// parallel, groups G1 and G2. The saved file matches the bundled one.
void TourTest::drawingFromScratchGivesItsDataFile() {
  Tour t("kanz_drawx");
  QVERIFY2(t.copied.isEmpty(), qPrintable(t.copied));
  const std::vector<std::string> bundled = CrLfLines(pelorin::test::ReadAll(t.data));
  std::filesystem::remove(t.data);
  const gen::Truth& truth = t.sample.truth;
  TOUR_STEP(t.walk.Open(t.picture, "0"));
  QCOMPARE(t.s().DateKnown, 1.0f);
  QCOMPARE(t.s().NorthUpImage, std::int16_t{0});
  TOUR_STEP(t.walk.ConfirmDate());
  TOUR_STEP(t.walk.Limb(truth.limb));
  QCOMPARE(t.s().CalibrationState, 1.0f);
  // East lies at the orientation angle: frame 2, "left", for 196.4 degrees.
  QCOMPARE(FrameFor(truth.orientation_deg), 2);
  TOUR_STEP(t.walk.Orient(FrameFor(truth.orientation_deg), truth.parallel));
  QCOMPARE(t.s().CalibrationState, 3.0f);
  for (const gen::MeasuredObject& o : t.sample.picture.measured)
    TOUR_STEP(t.walk.Object(Q(o.name), t.Spots(o.spots)));
  TOUR_STEP(t.walk.Save(false));
  const std::vector<std::string> saved = CrLfLines(pelorin::test::ReadAll(t.data));
  QCOMPARE(saved.size(), bundled.size());
  // Source: the bundled data file. The date lines are the same; the disc,
  // the orientation and the records as near as the clicks allow.
  for (std::size_t i = 0; i < 11; ++i) QCOMPARE(Q(saved[i]), Q(bundled[i]));
  for (std::size_t i = 11; i < saved.size(); ++i) {
    const QStringList got = Items(saved[i]), want = Items(bundled[i]);
    QCOMPARE(got.size(), want.size());
    for (qsizetype k = 0; k < got.size(); ++k) {
      bool isNumber = false;
      const double w = want[k].toDouble(&isNumber);
      if (!isNumber) {
        QCOMPARE(got[k], want[k]);
        continue;
      }
      const double tol = i == 11 ? 0.5 : 0.1;  // pixels on the disc line, degrees after it
      GUI_NEAR(AngleNear(got[k].toDouble(), w), w, tol, QString("line %1 item %2").arg(i + 1).arg(k + 1));
    }
  }
  CheckDataHeader(saved, t.sample.picture.fileName, truth, "scan");
  CheckRecords(saved, 13, truth, {{"G1", "G1a"}, {"G1", "G1b"}, {"G1", "G1c"}, {"G2", "G2a"}, {"G2", "G2b"}});
}

// The pictures without a data file, along their roads: the H-alpha picture
// and the photo (north up: date and limb, no orientation) and the SOHO
// picture (calibrated from its catalogues at once). One group each, saved.
void TourTest::newPicturesAlongTheirRoads_data() {
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("typeWord");
  QTest::addColumn<QString>("group");
  QTest::newRow("H-alpha") << "kanz_halph" << "0" << "scan" << "G1";
  QTest::newRow("photo") << "kanz_bband" << "3" << "photo" << "G2";
  QTest::newRow("SOHO") << "soho" << "1" << "SOHO" << "G4";
}

void TourTest::newPicturesAlongTheirRoads() {
  QFETCH(QString, prefix);
  QFETCH(QString, type);
  QFETCH(QString, typeWord);
  QFETCH(QString, group);
  Tour t(prefix.toStdString());
  QVERIFY2(t.copied.isEmpty(), qPrintable(t.copied));
  const gen::Truth& truth = t.sample.truth;
  TOUR_STEP(t.walk.Open(t.picture, type));
  ProgramState& s = t.s();
  QCOMPARE(s.ImageType, static_cast<std::int16_t>(type.toInt()));
  if (type == "1") {
    // Source: the SOHO catalogues of the samples (the generator's disc).
    QCOMPARE(s.CalibrationState, 3.0f);
    QCOMPARE(s.ZeroPointX, truth.x0_px);
    QCOMPARE(s.ZeroPointY, truth.y0_px);
    QCOMPARE(s.LimbRadius, truth.rk_px);
    QVERIFY(!t.Enabled(Menu::datum));
  } else {
    QCOMPARE(s.DateKnown, 1.0f);
    QCOMPARE(s.NorthUpImage, std::int16_t{1});
    TOUR_STEP(t.walk.ConfirmDate());
    TOUR_STEP(t.walk.Limb(truth.limb));
    // North up: the limb fit finishes the calibration.
    QCOMPARE(s.CalibrationState, 3.0f);
    QCOMPARE(s.OrientationAngle, 0.0);
    QVERIFY(!t.Enabled(Menu::orient));
  }
  std::vector<std::string> names;
  std::vector<std::pair<std::string, std::string>> records;
  for (const gen::SpotTruth& spot : truth.spots) {
    if (spot.name.rfind(group.toStdString(), 0) != 0) continue;
    names.push_back(spot.name);
    records.push_back({group.toStdString(), spot.name});
  }
  QVERIFY(!names.empty());
  TOUR_STEP(t.walk.Object(group, t.Spots(names)));
  TOUR_STEP(t.walk.Save(false));
  const std::vector<std::string> saved = CrLfLines(pelorin::test::ReadAll(t.data));
  CheckDataHeader(saved, t.sample.picture.fileName, truth, typeWord.toUtf8().constData());
  CheckRecords(saved, 13, truth, records);
}

// The picture of another type: a coordinate system, a zero point at the
// disc centre, clicks on the spots of G1, and Save writes their coordinates.
void TourTest::otherPictureGivesPointsAboutAZeroPoint() {
  Tour t("other_");
  QVERIFY2(t.copied.isEmpty(), qPrintable(t.copied));
  const gen::Truth& truth = t.sample.truth;
  TOUR_STEP(t.walk.Open(t.picture, "2"));
  ProgramState& s = t.s();
  QCOMPARE(s.ImageType, std::int16_t{2});
  QVERIFY(t.Enabled(Menu::koor));
  QVERIFY(!t.Enabled(Menu::datum));
  // Coordinate system 0: X to the right, Y upwards.
  t.walk.modals.Then("Coordinate system", [&t](QWidget* dialog) {
    QWidget* box = FindByDescription(dialog, "Picture(0)");
    if (box == nullptr) t.walk.modals.problems << "no diagram Picture(0)";
    else QTest::mouseClick(box, Qt::LeftButton);
  });
  TOUR_STEP(t.walk.Choose(Menu::koor));
  QCOMPARE(s.CoordSystem, 0.0f);
  TOUR_STEP(t.walk.Choose(Menu::Ishodiste));
  TOUR_STEP(t.walk.Click(truth.x0_px, truth.y0_px));
  QCOMPARE(s.ZeroPointX, static_cast<double>(std::lround(truth.x0_px)));
  QCOMPARE(s.ZeroPointY, static_cast<double>(std::lround(truth.y0_px)));
  const std::vector<gen::PointPx> spots = t.Spots({"G1a", "G1b", "G1c"});
  for (const gen::PointPx& p : spots) TOUR_STEP(t.walk.Click(p.x_px, p.y_px));
  QCOMPARE(s.PointCount, std::int16_t{3});
  const std::string target = t.f.folder() + "/other_20030519";
  TOUR_STEP(t.walk.Save(false, Q("Pelorin: " + target)));
  const std::vector<std::string> lines = CrLfLines(pelorin::test::ReadAll(target));
  QCOMPARE(lines.size(), spots.size());
  for (std::size_t i = 0; i < spots.size(); ++i) {
    const QStringList f = Q(lines[i]).split(',');
    QCOMPARE(f.size(), 2);
    // Source: the spot's drawn centre about the zero point, y upwards;
    // "Nearest" moves a click on the umbra by at most a pixel.
    GUI_NEAR(f[0].toDouble(), spots[i].x_px - s.ZeroPointX, 1.5, QString("point %1 X").arg(i + 1));
    GUI_NEAR(f[1].toDouble(), s.ZeroPointY - spots[i].y_px, 1.5, QString("point %1 Y").arg(i + 1));
  }
}

// Settings -> Input -> Automatic limb on each picture the limb is given
// by hand (the drawing without its data file): the points entered, End,
// and the disc of the samples' truth, closer than clicks on whole pixels
// hold it.
void TourTest::automaticLimbOnTheSamples_data() {
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<QString>("type");
  QTest::newRow("drawing") << "kanz_drawx" << "0";
  QTest::newRow("H-alpha") << "kanz_halph" << "0";
  QTest::newRow("photo") << "kanz_bband" << "3";
}

void TourTest::automaticLimbOnTheSamples() {
  QFETCH(QString, prefix);
  QFETCH(QString, type);
  Tour t(prefix.toStdString());
  QVERIFY2(t.copied.isEmpty(), qPrintable(t.copied));
  std::filesystem::remove(t.data);
  const gen::Truth& truth = t.sample.truth;
  TOUR_STEP(t.walk.Open(t.picture, type));
  TOUR_STEP(t.walk.ConfirmDate());
  QVERIFY(t.Enabled(Menu::AutoLimb));
  TOUR_STEP(t.walk.Choose(Menu::AutoLimb));
  ProgramState& s = t.s();
  QVERIFY2(s.PointCount >= 24 && s.PointCount <= 90, qPrintable(QString::number(s.PointCount)));
  TOUR_STEP(t.walk.End(EndButton::limbend, "Pelorin: xm="));
  GUI_NEAR(s.ZeroPointX, truth.x0_px, 0.2, "disc centre x");
  GUI_NEAR(s.ZeroPointY, truth.y0_px, 0.2, "disc centre y");
  GUI_NEAR(s.LimbRadius, truth.rk_px, 0.2, "disc radius");
}

PELORIN_GUI_TEST(TourTest);

#include "tour_test.moc"
