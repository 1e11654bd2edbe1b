// Find sunspots in the real main window on the white-light sample: the
// proposals listed in the measurement panel and drawn over the picture, one
// group unchecked, Accept, the records in the working file, Save writing the
// data file and its .spots.csv, and the day's R shown.
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

#include "Driver.h"
#include "GuiFixture.h"
#include "MeasurementsPanel.h"
#include "Tour.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

class SpotsTest : public QObject {
  Q_OBJECT

 private slots:
  void findReviewAcceptSave();
};

void SpotsTest::findReviewAcceptSave() {
  QSettings().setValue("spots/threshold", 0.9);
  QSettings().setValue("spots/k", 1.0);
  MainWindowFixture f;
  MainWindow& w = f.window();
  const std::string samples = std::string(PELORIN_SOURCE_DIR) + "/samples/";
  for (const char* name : {"kanz_bband_wl_20030518_0800.jpg", "kanz_bband_wl_20030518_0800.dat", "DPD1.txt"})
    std::filesystem::copy_file(samples + name, f.folder() + "/" + name);
  tour::Walk walk(w);
  QVERIFY(!w.menuAction(Menu::FindSpots)->isEnabled());
  QCOMPARE(walk.Open(f.folder() + "/kanz_bband_wl_20030518_0800.jpg"), QString());
  QVERIFY(w.menuAction(Menu::FindSpots)->isEnabled());
  QCOMPARE(w.menuAction(Menu::FindSpots)->text(), QString("Find sunspots"));
  QCOMPARE(walk.Choose(Menu::FindSpots), QString());

  MeasurementsPanel& panel = *w.measurementsPanel();
  QVERIFY(panel.isVisible());
  QTreeWidget* tree = panel.reviewTree();
  QVERIFY(tree->isVisible());
  QCOMPARE(tree->topLevelItemCount(), 4);
  QCOMPARE(tree->headerItem()->text(5), QString("Area"));
  QCOMPARE(tree->headerItem()->text(6), QString("Class"));
  QCOMPARE(tree->headerItem()->text(7), QString::fromUtf8("\u00B1B"));
  // Every group and spot with its errors (the sample's data file has no
  // .cal: the assumed calibration's).
  QVERIFY(tree->topLevelItem(0)->text(7).startsWith(QString::fromUtf8("\u00B1")));
  QVERIFY(tree->topLevelItem(0)->child(0)->text(8).startsWith(QString::fromUtf8("\u00B1")));
  QVERIFY(panel.countsLabel()->text().startsWith("g=4 f=8 R=48 "));
  QCOMPARE(panel.thresholdBox()->value(), 0.9);

  // A stricter threshold finds the spots again at once, and is remembered;
  // back to 0.9, the same eight.
  panel.thresholdBox()->setValue(0.7);
  QCOMPARE(f.app().review->settings.contrastThreshold, 0.7);
  QCOMPARE(QSettings().value("spots/threshold").toDouble(), 0.7);
  QVERIFY(f.app().review->report.spots.size() <= 8);
  panel.thresholdBox()->setValue(0.9);
  QCOMPARE(f.app().review->report.spots.size(), std::size_t{8});

  // A spot removed comes back with a click on it; a click on the quiet Sun
  // adds nothing.
  SpotProposals& p = *f.app().review;
  int big = 0;
  for (std::size_t i = 0; i < p.report.spots.size(); ++i)
    if (p.report.spots[i].area_px > p.report.spots[static_cast<std::size_t>(big)].area_px) big = static_cast<int>(i);
  const QPointF at(p.report.spots[static_cast<std::size_t>(big)].x, p.report.spots[static_cast<std::size_t>(big)].y);
  QCOMPARE(QString::fromStdString(RemoveSpots(p, {big})), QString());
  QCOMPARE(f.app().review->report.spots.size(), std::size_t{7});
  QCOMPARE(ClickPixel(w, at.x() + 1, at.y()), QString());
  QCOMPARE(f.app().review->report.spots.size(), std::size_t{8});
  QCOMPARE(ClickPixel(w, 470, 470), QString());
  QCOMPARE(f.app().review->report.spots.size(), std::size_t{8});
  QCOMPARE(tree->topLevelItemCount(), 4);

  // One group unchecked: the counts follow, and it is not recorded.
  QTreeWidgetItem* left = tree->topLevelItem(0);
  const QString leftName = left->text(0);
  left->setCheckState(0, Qt::Unchecked);
  QTRY_VERIFY(!f.app().review->checked[0]);
  QVERIFY(!panel.countsLabel()->text().startsWith("g=4 "));
  QTest::mouseClick(panel.acceptButton(), Qt::LeftButton);
  QVERIFY(!f.app().review.has_value());
  QVERIFY(!tree->isVisible());
  QVERIFY(panel.countsLabel()->text().startsWith("g=3 "));
  QVERIFY(panel.countsLabel()->text().contains(" R="));
  QVERIFY(w.menuAction(Menu::Undo)->text().startsWith("Undo Accept "));
  const std::string working = pelorin::test::ReadAll(f.app().file2.Path());
  QVERIFY(working.find("\"" + leftName.toStdString() + "\",") == std::string::npos);
  QCOMPARE(panel.model()->rowCount(), 3);

  QCOMPARE(walk.Save(true), QString());
  const std::string data = pelorin::test::ReadAll(f.folder() + "/kanz_bband_wl_20030518_0800.dat");
  QCOMPARE(data, working);
  const std::string spots = pelorin::test::ReadAll(f.folder() + "/kanz_bband_wl_20030518_0800.spots.csv");
  // The spots with their positions' errors, and the calibration's errors beside.
  QVERIFY(spots.rfind("group,spot,x,y,B,CMD,L,area_msh,umbra_msh,B_err,CMD_err,L_err\r\n", 0) == 0);
  QVERIFY(QFile::exists(QString::fromStdString(f.folder() + "/kanz_bband_wl_20030518_0800.cal")));
  QVERIFY(spots.find("groups=3 ") != std::string::npos);
  QCOMPARE(walk.modals.Check(), QString());
}

PELORIN_GUI_TEST(SpotsTest);

#include "spots_test.moc"
