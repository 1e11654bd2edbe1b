// pelorin-screenshots SAMPLES OUT: the README's pictures of the program, made
// from the real main window walking the bundled samples (in a temporary copy)
// and rendered with QWidget::grab(), so no screen is needed (run it with
// QT_QPA_PLATFORM=offscreen). A window manager's title bar is drawn as a plain
// strip with the window's title, which the comparison uses for its date.
//   OUT/tour-compare.png      the drawing measured before: grid, reference
//                             groups with their names, the read-out
//   OUT/tour-zoom.png         the same zoomed in about group G1
//   OUT/tour-date.png         the date and time dialog over a new picture
//   OUT/tour-orientation.png  the orientation dialog after the limb fit
//   OUT/tour-limb.png         the limb points that Automatic limb entered on
//                             the H-alpha picture, one of them magnified
//   OUT/tour-panel.png        the measurement panel beside the drawing
//                             measured before, group G1 selected
//   OUT/tour-spots.png        Find sunspots on the white-light sample: the
//                             spots outlined, the groups boxed and named,
//                             the panel with the proposals and R
//   OUT/series-window.png     the Series window on the season in SAMPLES/series
//   OUT/series-profile.png, OUT/series-butterfly.png, OUT/series-track.png
//                             its three plots as it saves them
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QChartView>
#include <QTest>

#include <QItemSelectionModel>
#include <QTreeView>
#include <QTreeWidget>

#include "Application.h"
#include "Canvas.h"
#include "MainWindow.h"
#include "MeasurementsPanel.h"
#include "SeriesWindow.h"
#include "Tour.h"
#include "View.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::tour;

namespace {

constexpr int kTitleHeight = 24;

[[noreturn]] void Fail(const QString& what) {
  std::fprintf(stderr, "pelorin-screenshots: %s\n", qPrintable(what));
  std::exit(1);
}

void Must(const QString& error, const char* step) {
  if (!error.isEmpty()) Fail(QString("%1: %2").arg(step, error));
}

// The widget as shown, under a title strip, with a thin frame.
QImage Framed(QWidget* w) {
  const QPixmap body = w->grab();
  QImage out(body.width() + 2, body.height() + kTitleHeight + 2, QImage::Format_RGB32);
  out.fill(QColor(90, 90, 90));
  QPainter p(&out);
  p.fillRect(1, 1, body.width(), kTitleHeight, QColor(222, 222, 222));
  QFont font = w->font();
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRect(1, 1, body.width(), kTitleHeight), Qt::AlignCenter, w->windowTitle());
  p.drawPixmap(1, 1 + kTitleHeight, body);
  return out;
}

// The main window with a dialog in the middle of it.
QImage WithDialog(QWidget* main, QWidget* dialog) {
  QImage out = Framed(main);
  const QImage d = Framed(dialog);
  QPainter p(&out);
  p.drawImage((out.width() - d.width()) / 2, (out.height() - d.height()) / 2, d);
  return out;
}

void Save(const QImage& image, const QString& path) {
  if (!image.save(path, "PNG")) Fail("cannot write " + path);
  std::printf("wrote %s (%d x %d)\n", qPrintable(path), image.width(), image.height());
}

// A copy of the samples in `folder`, which becomes the current folder (the
// main window opens a.tmp there).
void Prepare(const QString& samples, const QString& folder) {
  QDir().mkpath(folder);
  Must(CopyFiles(samples.toStdString(), folder.toStdString()), "copying the samples");
  QDir::setCurrent(folder);
}

void Shown(MainWindow& w, int width, int height) {
  w.resize(width, height);
  w.show();
  if (!QTest::qWaitForWindowExposed(&w)) Fail("the main window was not shown");
}

}  // namespace

int main(int argc, char** argv) {
  Application application(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 3) {
    std::fputs("usage: pelorin-screenshots SAMPLES_FOLDER OUT_FOLDER\n", stderr);
    return 2;
  }
  const QString samples = QDir(args[1]).absolutePath(), out = QDir(args[2]).absolutePath();
  QDir().mkpath(out);
  QTemporaryDir temp;
  if (!temp.isValid()) Fail("no temporary folder");
  const gen::SampleSet set = gen::BundledSamples();
  const Sample drawing = FindSample(set, "kanz_drawx");

  // 1. The drawing as `make run` opens it, whole, grid on; then Tools ->
  // Compare and the key j (group names); the pointer on the edge of spot
  // G1a's umbra. Then View -> Zoom in about G1a, five steps (twice
  // 1:1 here).
  {
    Prepare(samples, temp.filePath("compare"));
    MainWindow w;
    Shown(w, 1100, 860);
    Walk walk(w);
    Must(walk.Open(QDir::current().filePath(QString::fromStdString(drawing.picture.fileName)).toStdString()),
         "opening the drawing");
    Must(walk.Choose(Menu::Compare), "Tools -> Compare");
    QTest::keyClick(w.canvas(), 'j');
    const gen::SpotTruth& g1a = drawing.truth.spots.front();
    Must(walk.PointAt(g1a.x_px + 3, g1a.y_px), "pointing at G1a");
    QCoreApplication::processEvents();
    Save(Framed(&w), out + "/tour-compare.png");

    const QPointF at = QPointF(w.canvas()->pos()) + Canvas::WidgetAt(QPointF(g1a.x_px, g1a.y_px), w.canvas()->Zoom());
    double zoom = w.canvas()->Zoom();
    for (int i = 0; i < 5; ++i) zoom = view::StepIn(zoom);
    w.setZoom(zoom, at);
    Must(walk.PointAt(g1a.x_px + 3, g1a.y_px), "pointing at G1a zoomed in");
    QCoreApplication::processEvents();
    Save(Framed(&w), out + "/tour-zoom.png");
  }

  // 2. The date dialog of a new picture (the H-alpha picture, its date
  // taken from its name).
  {
    Prepare(samples, temp.filePath("date"));
    const Sample halpha = FindSample(set, "kanz_halph");
    MainWindow w;
    Shown(w, 900, 700);
    Walk walk(w);
    Must(walk.Open(QDir::current().filePath(QString::fromStdString(halpha.picture.fileName)).toStdString(), "0"),
         "opening the H-alpha picture");
    QImage shot;
    Must(walk.ConfirmDate([&](QWidget* dialog) { shot = WithDialog(&w, dialog); }), "the date dialog");
    Save(shot, out + "/tour-date.png");
  }

  // 3. The orientation dialog: the drawing measured from the start, after
  // the date and the limb; east lies left (frame 2).
  {
    Prepare(samples, temp.filePath("orientation"));
    QFile::remove(QString::fromStdString(gen::DataFileNameOf(drawing.picture.fileName)));
    MainWindow w;
    Shown(w, 900, 700);
    Walk walk(w);
    Must(walk.Open(QDir::current().filePath(QString::fromStdString(drawing.picture.fileName)).toStdString(), "0"),
         "opening the drawing as a new picture");
    Must(walk.ConfirmDate(), "the date");
    Must(walk.Limb(drawing.truth.limb), "the limb");
    QImage shot;
    Must(walk.Orient(FrameFor(drawing.truth.orientation_deg), drawing.truth.parallel,
                     [&](QWidget* dialog) { shot = WithDialog(&w, dialog); }),
         "the orientation");
    Save(shot, out + "/tour-orientation.png");
  }
  // 4. Settings -> Input -> Automatic limb on the H-alpha picture after its
  // date: the entered points along the north-east limb, and the part of the
  // window around one of them magnified six times (the dots are single
  // pixels, as the dots of clicked points).
  {
    Prepare(samples, temp.filePath("limb"));
    const Sample halpha = FindSample(set, "kanz_halph");
    MainWindow w;
    Shown(w, 760, 560);
    Walk walk(w);
    Must(walk.Open(QDir::current().filePath(QString::fromStdString(halpha.picture.fileName)).toStdString(), "0"),
         "opening the H-alpha picture");
    Must(walk.ConfirmDate(), "the date");
    // One picture pixel to one screen pixel, so that the inset shows the
    // dots as the picture holds them.
    w.setZoom(1.0);
    const double a = 130 * 3.14159265358979 / 180;
    const double cx = halpha.truth.x0_px + halpha.truth.rk_px * std::cos(a);
    const double cy = halpha.truth.y0_px - halpha.truth.rk_px * std::sin(a);
    walk.Show(cx + 120, cy + 60);
    Must(walk.Choose(Menu::AutoLimb), "Settings -> Input -> Automatic limb");
    QCoreApplication::processEvents();
    if (w.app().s.PointCount < 24) Fail("Automatic limb entered too few points");
    // Of the entered points in the middle half of the view, the one whose
    // dot shows best: the brightest surroundings (a black dot on the black
    // sky shows nothing).
    const ProgramState& s = w.app().s;
    const auto grey = [&w](int x, int y) {
      const auto c = static_cast<std::uint32_t>(w.picture().Point(x, y));
      return ((c & 0xFFu) + ((c >> 8) & 0xFFu) + ((c >> 16) & 0xFFu)) / 3.0;
    };
    QPoint best;
    double bestLight = -1;
    for (int i = 1; i <= s.PointCount; ++i) {
      const double X = s.PointX[static_cast<std::size_t>(i)] + s.ZeroPointX;
      const double Y = s.ZeroPointY - s.PointY[static_cast<std::size_t>(i)];
      const int ix = static_cast<int>(std::lround(X)), iy = static_cast<int>(std::lround(Y));
      const QPoint at = w.canvas()->mapTo(&w, QPoint(ix, iy));
      if (std::abs(at.x() - w.width() / 2) > w.width() / 4 || std::abs(at.y() - w.height() / 2) > w.height() / 4)
        continue;
      const double light = grey(ix - 1, iy) + grey(ix + 1, iy) + grey(ix, iy - 1) + grey(ix, iy + 1);
      if (light > bestLight) {
        bestLight = light;
        best = at;
      }
    }
    if (bestLight < 0) Fail("no entered point in the middle of the view");
    QImage shot = Framed(&w);
    constexpr int kSide = 32, kZoom = 6;
    const QPoint c = best + QPoint(1, 1 + kTitleHeight);
    const QRect source(c.x() - kSide / 2, c.y() - kSide / 2, kSide, kSide);
    const QImage zoomed = shot.copy(source).scaled(kSide * kZoom, kSide * kZoom, Qt::IgnoreAspectRatio,
                                                   Qt::FastTransformation);
    QPainter p(&shot);
    p.setPen(QPen(QColor(255, 0, 255), 1));
    p.drawRect(source.adjusted(-1, -1, 0, 0));
    const QPoint inset(shot.width() - zoomed.width() - 40, kTitleHeight + 60);
    p.fillRect(QRect(inset - QPoint(2, 2), zoomed.size() + QSize(4, 4)), QColor(255, 0, 255));
    p.drawImage(inset, zoomed);
    p.end();
    Save(shot, out + "/tour-limb.png");
  }
  // 5. The measurement panel beside the drawing measured before: the
  // stored points shown (u), group G1 selected and its marks highlighted,
  // the view zoomed in about it.
  {
    Prepare(samples, temp.filePath("panel"));
    MainWindow w;
    Shown(w, 1100, 760);
    Walk walk(w);
    Must(walk.Open(QDir::current().filePath(QString::fromStdString(drawing.picture.fileName)).toStdString()),
         "opening the drawing");
    Must(walk.Choose(Menu::objectview), "View -> Object");
    MeasurementsPanel* panel = w.measurementsPanel();
    if (panel->isHidden() || panel->model()->rowCount() == 0) Fail("the panel does not list the stored groups");
    panel->view()->selectionModel()->select(panel->model()->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const gen::SpotTruth& g1a = drawing.truth.spots.front();
    w.setZoom(1.0);
    w.centreOn(QPointF(g1a.x_px, g1a.y_px));
    Must(walk.PointAt(g1a.x_px + 3, g1a.y_px), "pointing at G1a");
    QCoreApplication::processEvents();
    Save(Framed(&w), out + "/tour-panel.png");
  }
  // 5b. Tools -> Find sunspots on the white-light sample, its data file
  // calibrating it and DPD1.txt naming the groups; the proposals in the
  // panel, the view at 100 % on the disc's centre.
  {
    Prepare(samples, temp.filePath("spots"));
    MainWindow w;
    Shown(w, 1200, 800);
    Walk walk(w);
    Must(walk.Open(QDir::current().filePath("kanz_bband_wl_20030518_0800.jpg").toStdString()),
         "opening the white-light sample");
    Must(walk.Choose(Menu::FindSpots), "Tools -> Find sunspots");
    MeasurementsPanel* panel = w.measurementsPanel();
    if (panel->isHidden() || panel->reviewTree()->topLevelItemCount() == 0) Fail("the panel lists no proposals");
    w.setZoom(1.0);
    w.centreOn(QPointF(470, 470));
    QCoreApplication::processEvents();
    Save(Framed(&w), out + "/tour-spots.png");
  }
  // 6. Tools -> Series… on the season of data files in samples/series: the
  // window, and its three plots as saved (the track plot of the longest
  // track).
  {
    Prepare(samples, temp.filePath("series"));
    MainWindow w;
    Shown(w, 700, 500);
    SeriesWindow* series = w.openSeries(false);
    series->resize(1300, 820);
    series->addSources({samples + "/series"});
    if (!QTest::qWaitForWindowExposed(series)) Fail("the Series window was not shown");
    QCoreApplication::processEvents();
    Save(Framed(series), out + "/series-window.png");
    const std::pair<SeriesWindow::Plot, const char*> plots[] = {
        {SeriesWindow::Profile, "profile"}, {SeriesWindow::Butterfly, "butterfly"}, {SeriesWindow::TrackPlot, "track"}};
    for (const auto& [plot, name] : plots) {
      series->plotView(plot)->resize(900, 560);
      const QString path = out + "/series-" + name + ".png";
      if (!series->exportPng(plot, path)) Fail("cannot write " + path);
      std::printf("wrote %s\n", qPrintable(path));
    }
  }
  QDir::setCurrent(out);
  return 0;
}
