// The Series window (Tools -> Series…) on a generated season: not modal, the
// three plots drawn, each saved as a PNG that is not blank and as SVG, the
// track list and the results with both kinds of errors.
#include "Series.h"

#include <QAbstractSeries>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QXYSeries>
#include <set>

#include "GuiFixture.h"
#include "SeriesWindow.h"
#include "base/Ports.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

namespace {

// Points of every XY series of a chart.
int PointCount(QChart* chart) {
  int n = 0;
  for (QAbstractSeries* s : chart->series())
    if (auto* xy = qobject_cast<QXYSeries*>(s)) n += static_cast<int>(xy->count());
  return n;
}

// A picture is blank when nearly all of it is one colour.
bool Blank(const QImage& image) {
  if (image.isNull()) return true;
  std::set<QRgb> colours;
  int other = 0;
  const QRgb corner = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) {
      const QRgb c = image.pixel(x, y);
      colours.insert(c);
      other += c != corner;
    }
  }
  return colours.size() < 20 || other < image.width() * image.height() / 4 / 50;
}

}  // namespace

class SeriesWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void menuItem() {
    MainWindowFixture f;
    QAction* item = f.window().menuAction(Menu::Series);
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QString::fromUtf8("Series\u2026"));
    QVERIFY(item->isEnabled());
    QVERIFY(f.window().menu(Menu::Tools)->actions().contains(item));
  }

  void plotsOfAGeneratedSeason() {
    MainWindowFixture f;
    gen::SeriesPlan plan;
    plan.days = 120;
    plan.seed = 5;
    gen::WriteSeries(f.folder() + "/season", plan);
    SeriesWindow* w = f.window().openSeries(false);
    QVERIFY(w->isWindow());
    QVERIFY(!w->isModal());
    QCOMPARE(w->windowTitle(), QString("Series"));
    w->addSources({QString::fromStdString(f.folder() + "/season")});
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(w->result().fit.ok);
    QVERIFY(w->trackList()->rowCount() > 10);
    // Both kinds of errors and the filters are shown.
    const QString text = w->resultsText();
    QVERIFY2(text.contains("bootstrap") && text.contains("least squares"), qPrintable(text));
    QVERIFY2(text.contains("removed with |CMD| > 58") && text.contains("sigma clipping"), qPrintable(text));

    for (auto plot : {SeriesWindow::Profile, SeriesWindow::Butterfly, SeriesWindow::TrackPlot}) {
      QChartView* view = w->plotView(plot);
      QVERIFY(view != nullptr);
      QVERIFY2(PointCount(view->chart()) > 5, qPrintable(view->objectName()));
      const QString png = QString::fromStdString(f.folder()) + "/" + view->objectName() + ".png";
      QVERIFY(w->exportPng(plot, png));
      QImage image(png);
      QVERIFY2(image.width() >= 400 && image.height() >= 300, qPrintable(view->objectName()));
      QVERIFY2(!Blank(image), qPrintable(view->objectName()));
      const QString svg = QString::fromStdString(f.folder()) + "/" + view->objectName() + ".svg";
      QVERIFY(w->exportSvg(plot, svg));
      QFile file(svg);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QVERIFY(file.readAll().contains("<svg"));
    }
    // The published law is drawn for comparison, with its source.
    bool published = false;
    for (QAbstractSeries* s : w->plotView(SeriesWindow::Profile)->chart()->series())
      published = published || s->name().contains(QString::fromUtf8("Kanzelhöhe"));
    QVERIFY(published);

    // A track chosen in the list is the one plotted.
    w->trackList()->selectRow(1);
    QVERIFY(w->plotView(SeriesWindow::TrackPlot)->chart()->title().endsWith(w->trackList()->item(1, 0)->text()));
    // Split by hand, then joined again: the list and the fit follow.
    int longest = 0;
    for (int r = 0; r < w->trackList()->rowCount(); ++r)
      if (w->trackList()->item(r, 1)->text().toInt() > w->trackList()->item(longest, 1)->text().toInt()) longest = r;
    const int rows = w->trackList()->rowCount();
    const int points = w->trackList()->item(longest, 1)->text().toInt();
    QVERIFY(points >= 3);
    // The track alone chosen, whatever modifier an earlier test left held.
    w->trackList()->clearSelection();
    w->trackList()->selectRow(longest);
    QCOMPARE(w->trackList()->selectionModel()->selectedRows().size(), 1);
    WhenModal([](QWidget* modal) {
      auto* box = qobject_cast<QInputDialog*>(modal);
      if (box == nullptr) return;
      box->setIntValue(2);
      box->accept();
    });
    w->findChild<QPushButton*>("split")->click();
    QCOMPARE(w->trackList()->rowCount(), rows + 1);
    QCOMPARE(w->trackList()->item(longest, 1)->text().toInt(), 1);
    QCOMPARE(w->trackList()->item(longest + 1, 1)->text().toInt(), points - 1);
    w->trackList()->clearSelection();
    w->trackList()->selectionModel()->select(w->trackList()->model()->index(longest, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w->trackList()->selectionModel()->select(w->trackList()->model()->index(longest + 1, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w->findChild<QPushButton*>("join")->click();
    QCOMPARE(w->trackList()->rowCount(), rows);
    QCOMPARE(w->trackList()->item(longest, 1)->text().toInt(), points);

    // Another law and method: the window follows.
    w->findChild<QComboBox*>("law")->setCurrentIndex(1);
    QCOMPARE(w->result().fit.terms, 3);
    QVERIFY(w->resultsText().contains(QString::fromUtf8("C sin⁴b")));
    w->close();
  }
};

PELORIN_GUI_TEST(SeriesWindowTest);

#include "series_test.moc"
