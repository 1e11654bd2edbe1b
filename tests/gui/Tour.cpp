#include "Tour.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <QPushButton>
#include <QTest>

#include "base/Text.h"

namespace pelorin::gui::tour {

using namespace pelorin::gui::test;

QString Walk::Choose(Menu item) {
  if (QString e = ChooseMenu(w_, item); !e.isEmpty()) return e;
  return modals.Check();
}

void Walk::Show(double x, double y) { ShowPixel(w_, x, y); }

QString Walk::PointAt(double x, double y) { return PointAtPixel(w_, x, y); }

QString Walk::Click(double x, double y, Qt::MouseButton button) {
  if (QString e = ClickPixel(w_, x, y, button); !e.isEmpty()) return e;
  return modals.Check();
}

QString Walk::End(EndButton b, const QString& message) {
  if (!message.isEmpty()) modals.Then(message, PressOk(&lastMessage));
  QPushButton* button = w_.endButton(b);
  if (button->isHidden()) return "the End button is hidden";
  QTest::mouseClick(button, Qt::LeftButton);
  return modals.Check();
}

QString Walk::Open(const std::string& path, const QString& typeAnswer) {
  modals.Then("Open picture", ChooseFile(QString::fromStdString(path), modals.problems));
  if (!typeAnswer.isEmpty()) modals.Then("Type of image: 0=scan Kanzelh", TypeAnswer(typeAnswer, modals.problems));
  return Choose(Menu::ucitavanje);
}

QString Walk::ConfirmDate(const Drive& onDialog) {
  modals.Then("Date and time", [this, onDialog](QWidget* dialog) {
    if (onDialog) onDialog(dialog);
    ClickNamed(dialog, "OK", modals.problems);
  });
  return Choose(Menu::datum);
}

QString Walk::Limb(const std::vector<gen::PointPx>& points) {
  if (QString e = Choose(Menu::Limb); !e.isEmpty()) return e;
  for (const gen::PointPx& p : points)
    if (QString e = Click(p.x_px, p.y_px); !e.isEmpty()) return e;
  return End(EndButton::limbend, "Pelorin: xm=");
}

QString Walk::Orient(int frame, const std::vector<gen::PointPx>& points, const Drive& onDialog) {
  modals.Then("orientation", [this, frame, onDialog](QWidget* dialog) {
    if (!ClickNamed(dialog, QString("Frame1(%1)").arg(frame), modals.problems)) return;
    if (onDialog) onDialog(dialog);
    ClickNamed(dialog, "Command3D1", modals.problems);
  });
  if (QString e = Choose(Menu::dnevnihod); !e.isEmpty()) return e;
  for (const gen::PointPx& p : points)
    if (QString e = Click(p.x_px, p.y_px); !e.isEmpty()) return e;
  return End(EndButton::dirend, "Pelorin: daily parallel=");
}

QString Walk::Object(const QString& name, const std::vector<gen::PointPx>& points) {
  if (s().GridOn == 1)
    if (QString e = Choose(Menu::mreza); !e.isEmpty()) return e;
  modals.Then("Object name: Enter object name", TypeAnswer(name, modals.problems));
  if (QString e = Choose(Menu::Objekt); !e.isEmpty()) return e;
  for (const gen::PointPx& p : points)
    if (QString e = Click(p.x_px, p.y_px); !e.isEmpty()) return e;
  return End(EndButton::Objektend);
}

QString Walk::Save(bool replaces, const QString& message) {
  modals.Then("Save data", ChooseFile({}, modals.problems));
  if (replaces) modals.Then("Save data: ", PressYes());
  if (!message.isEmpty()) modals.Then(message, PressOk(&lastMessage));
  return Choose(Menu::spremi);
}

Sample FindSample(const gen::SampleSet& set, const std::string& prefix) {
  for (const gen::SamplePicture& p : set.pictures)
    if (p.fileName.rfind(prefix, 0) == 0) return {p, gen::ComputeTruth(p.scene)};
  throw std::logic_error("the sample set has no picture " + prefix);
}

std::vector<gen::PointPx> SpotPoints(const gen::Truth& truth, const std::vector<std::string>& names) {
  std::vector<gen::PointPx> points;
  for (const std::string& n : names)
    for (const gen::SpotTruth& s : truth.spots)
      if (s.name == n) points.push_back({s.x_px, s.y_px});
  return points;
}

QString CopyFiles(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
    if (!e.is_regular_file(ec)) continue;
    fs::copy_file(e.path(), fs::path(to) / e.path().filename(), fs::copy_options::overwrite_existing, ec);
    if (ec) return QString::fromStdString("cannot copy " + e.path().string() + ": " + ec.message());
  }
  if (ec) return QString::fromStdString("cannot read the folder " + from + ": " + ec.message());
  return {};
}

void CheckDataHeader(const std::vector<std::string>& lines, const std::string& pictureName, const gen::Truth& truth,
                     const char* typeWord) {
  const gen::Truth& t = truth;
  QVERIFY(lines.size() >= 13);
  // Source: the layout of the data file, version "v2.0".
  QCOMPARE(Q(lines[0]), QString("Note: Data format: \"name\", B, CMD, L"));
  QCOMPARE(Q(lines[1]), QString("B, CMD and L are expresed in degrees."));
  QCOMPARE(Q(lines[2]), QString("v2.0"));
  QCOMPARE(Q(lines[3]), Q("Picture: " + pictureName));
  QCOMPARE(Q(lines[4]), Q("\"Date (day, month, year): \"," + std::to_string(t.day) + "," + std::to_string(t.month) +
                          "," + std::to_string(t.year)));
  QCOMPARE(Q(lines[5]), Q("\"Time (UT): \"," + NumberText(t.ut_hours)));
  // Source: the generator's ephemeris, computed by the program's routine.
  QCOMPARE(Q(lines[6]), Q("\"P=\"," + NumberText(t.eph.P_deg)));
  QCOMPARE(Q(lines[7]), Q("\"B0=\"," + NumberText(t.eph.B0_deg)));
  QCOMPARE(Q(lines[8]), Q("\"L0=\"," + NumberText(t.eph.L0_deg)));
  QCOMPARE(Q(lines[9]), Q("\"rho0=\"," + NumberText(t.eph.rho0_AU)));
  QCOMPARE(Q(lines[10]), QString(typeWord));
  const QStringList disc = Items(lines[11]);
  QCOMPARE(disc.size(), 3);
  // Source: the generator's disc. Limb clicks fall on whole pixels, up to
  // half a pixel off the limb.
  GUI_NEAR(disc[0].toDouble(), t.x0_px, 0.5, "disc x0");
  GUI_NEAR(disc[1].toDouble(), t.y0_px, 0.5, "disc y0");
  GUI_NEAR(disc[2].toDouble(), t.rk_px, 0.5, "disc radius");
  const QStringList o = Items(lines[12]);
  QCOMPARE(o.size(), 1);
  GUI_NEAR(AngleNear(o[0].toDouble(), t.orientation_deg), t.orientation_deg, 0.1, "orientation");
}

void CheckRecords(const std::vector<std::string>& lines, std::size_t first, const gen::Truth& truth,
                  const std::vector<std::pair<std::string, std::string>>& nameAndSpot) {
  QCOMPARE(lines.size(), first + nameAndSpot.size());
  for (std::size_t i = 0; i < nameAndSpot.size(); ++i) {
    const QStringList f = Items(lines[first + i]);
    QCOMPARE(f.size(), 4);
    QCOMPARE(f[0], Q(nameAndSpot[i].first));
    const auto spot = std::find_if(truth.spots.begin(), truth.spots.end(),
                                   [&](const gen::SpotTruth& s) { return s.name == nameAndSpot[i].second; });
    QVERIFY(spot != truth.spots.end());
    const QString what = Q(spot->name + " (" + lines[first + i] + ")");
    // Source: the generator's spot positions.
    GUI_NEAR(f[1].toDouble(), spot->B_deg, 0.1, what + " B");
    GUI_NEAR(AngleNear(f[3].toDouble(), spot->L_deg), spot->L_deg, 0.1, what + " L");
    const double cmd = AngleNear(spot->L_deg - truth.eph.L0_deg, 0);
    GUI_NEAR(AngleNear(f[2].toDouble(), cmd), cmd, 0.1, what + " CMD");
  }
}

}  // namespace pelorin::gui::tour
