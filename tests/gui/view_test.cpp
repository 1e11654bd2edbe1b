// The view: zoom steps and fit, the reduced copies, clicks and the read-out
// at every zoom, marks visible when reduced and enlarged, Ctrl + wheel about
// the pointer, the View keys kept from the dispatcher, the window's opening
// size and the first Save without a question.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "Canvas.h"
#include "GuiFixture.h"
#include "View.h"
#include "app/Dispatcher.h"
#include "app/PictureLoad.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

namespace {

// A w x h picture whose grey level changes from pixel to pixel, so that a
// read-out one pixel off shows.
void GreyRamp(QtPicture& pic, int w, int h) {
  std::vector<std::uint32_t> argb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t g = static_cast<std::uint32_t>((3 * x + 7 * y) % 256);
      argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
          0xFF000000u | (g << 16) | (g << 8) | g;
    }
  pic.SetPixels(w, h, std::move(argb));
}

// Pixels of `colour` (0x00BBGGRR) in a grab of the canvas around widget
// position `at` (a square of 2 * radius + 1).
int CountColour(Canvas* canvas, QPointF at, int radius, std::uint32_t colour) {
  const QRect r(at.toPoint() - QPoint(radius, radius), QSize(2 * radius + 1, 2 * radius + 1));
  const QImage shot = canvas->grab(r).toImage().convertToFormat(QImage::Format_RGB32);
  const QColor want(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                    static_cast<int>((colour >> 16) & 0xFF));
  int n = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) n += shot.pixelColor(x, y) == want ? 1 : 0;
  return n;
}

// The columns of a grab of the canvas that hold a pixel `is` picks.
template <typename Is>
int ColumnsWhere(const QImage& shot, Is&& is) {
  int n = 0;
  for (int x = 0; x < shot.width(); ++x) {
    bool found = false;
    for (int y = 0; y < shot.height() && !found; ++y) found = is(shot.pixelColor(x, y));
    n += found ? 1 : 0;
  }
  return n;
}

// The picture point under client-area position `at`.
QPointF PictureUnder(MainWindow& w, QPointF at) {
  return (at - QPointF(w.canvas()->pos())) / w.canvas()->Zoom();
}

}  // namespace

class ViewTest : public QObject {
  Q_OBJECT

 private slots:
  void zoomSteps_data();
  void zoomSteps();
  void fitZoom_data();
  void fitZoom();
  void reductionAveragesTheCleanPicture();
  void reducedViewShowsMarksOnlyAtScreenSize_data();
  void reducedViewShowsMarksOnlyAtScreenSize();
  void clickRecordsThePicturePixel_data();
  void clickRecordsThePicturePixel();
  void everyPixelOfALargePictureIsReachable_data();
  void everyPixelOfALargePictureIsReachable();
  void marksVisible_data();
  void marksVisible();
  void measuredPointsShowOnAnyBackground_data();
  void measuredPointsShowOnAnyBackground();
  void ctrlWheelKeepsThePointUnderThePointer();
  void wheelScrolls();
  void shiftDragInScreenDistances_data();
  void shiftDragInScreenDistances();
  void viewKeysNeverReachTheDispatcher_data();
  void viewKeysNeverReachTheDispatcher();
  void viewItemsFollowThePicture();
  void windowUsesTheScreen();
  void firstSaveAsksNothing();
};

void ViewTest::zoomSteps_data() {
  QTest::addColumn<double>("zoom");
  QTest::addColumn<double>("in");
  QTest::addColumn<double>("out");
  const double r = std::sqrt(2.0);
  QTest::newRow("1:1") << 1.0 << r << 1 / r;
  QTest::newRow("between steps") << 0.3 << 1 / (2 * r) << 0.25;
  QTest::newRow("smallest") << 1.0 / 16 << r / 16 << 1.0 / 16;
  QTest::newRow("largest") << 16.0 << 16.0 << 16 / r;
  QTest::newRow("just below a step") << 2 - 1e-12 << 2 * r << r;
}

void ViewTest::zoomSteps() {
  QFETCH(double, zoom);
  QFETCH(double, in);
  QFETCH(double, out);
  GUI_NEAR(view::StepIn(zoom), in, 1e-9, "zoom in");
  GUI_NEAR(view::StepOut(zoom), out, 1e-9, "zoom out");
}

void ViewTest::fitZoom_data() {
  QTest::addColumn<QSize>("picture");
  QTest::addColumn<QSize>("area");
  QTest::addColumn<double>("zoom");
  QTest::newRow("sample drawing") << QSize(1700, 1650) << QSize(1500, 825) << 0.5;
  QTest::newRow("wide picture") << QSize(4000, 1000) << QSize(1000, 1000) << 0.25;
  QTest::newRow("thumbnail enlarged at most 8x") << QSize(128, 128) << QSize(1500, 1200) << 8.0;
  QTest::newRow("huge, at least 1/16") << QSize(30000, 30000) << QSize(800, 600) << 1.0 / 16;
  QTest::newRow("no picture") << QSize(0, 0) << QSize(800, 600) << 1.0;
}

void ViewTest::fitZoom() {
  QFETCH(QSize, picture);
  QFETCH(QSize, area);
  QFETCH(double, zoom);
  GUI_NEAR(view::FitZoom(picture, area), zoom, 1e-12, "fit");
}

// Level 1 averages 2 x 2 blocks of the clean picture (a mark drawn before
// the levels are made is left out), a partial block what it has; each level
// halves the one below; together they stay within a third of the picture.
void ViewTest::reductionAveragesTheCleanPicture() {
  QtPicture pic;
  // 5 x 3: columns of grey 0, 100, 200, 50, 250.
  const std::uint32_t greys[] = {0, 100, 200, 50, 250};
  std::vector<std::uint32_t> argb;
  for (int y = 0; y < 3; ++y)
    for (std::uint32_t g : greys) argb.push_back(0xFF000000u | (g << 16) | (g << 8) | g);
  pic.SetPixels(5, 3, argb);
  pic.Mark3x3(1, 1, QBColor(12));  // red over the first two blocks
  view::Reduction r;
  r.Update(pic);
  const QImage& l1 = r.Level(1);
  QCOMPARE(l1.size(), QSize(3, 2));
  const struct {
    int x, y, grey;
  } want[] = {{0, 0, 50}, {1, 0, 125}, {2, 0, 250}, {0, 1, 50}, {1, 1, 125}, {2, 1, 250}};
  for (const auto& p : want) QCOMPARE(qGray(l1.pixel(p.x, p.y)), p.grey);
  QCOMPARE(qRed(l1.pixel(0, 0)), qBlue(l1.pixel(0, 0)));  // no red in it
  QCOMPARE(r.Level(2).size(), QSize(2, 1));
  QCOMPARE(qGray(r.Level(2).pixel(0, 0)), (50 + 125 + 50 + 125 + 2) / 4);
  QCOMPARE(r.Level(4).size(), QSize(1, 1));

  QtPicture big;
  big.Fill(1000, 600, RGB(10, 20, 30));
  r.Update(big);
  QVERIFY(r.Bytes() <= std::size_t{1000} * 600 * 4 / 3);
  QCOMPARE(r.Level(1).pixelColor(499, 299), QColor(10, 20, 30));
}

void ViewTest::reducedViewShowsMarksOnlyAtScreenSize_data() {
  QTest::addColumn<double>("zoom");
  QTest::newRow("3/4 (the picture itself)") << 0.75;
  QTest::newRow("0.6") << 0.6;
  QTest::newRow("0.3 (level 1)") << 0.3;
  QTest::newRow("1/16") << 1.0 / 16;
}

// Reduced, the picture under a mark is the clean one: a dot shows as its
// one screen pixel and leaves no tint on the pixels beside it.
void ViewTest::reducedViewShowsMarksOnlyAtScreenSize() {
  QFETCH(double, zoom);
  QtPicture pic;
  pic.Fill(900, 700, RGB(255, 255, 255));
  pic.PSet(401, 301, RGB(0, 0, 0));
  view::Reduction reduction;
  const QRect area(0, 0, static_cast<int>(900 * zoom), static_cast<int>(700 * zoom));
  QImage frame;
  view::Render(pic, reduction, zoom, area, frame, qRgb(1, 2, 3));
  QCOMPARE(frame.size(), area.size());
  const QPoint dot(static_cast<int>(std::floor(401.5 * zoom)), static_cast<int>(std::floor(301.5 * zoom)));
  for (int y = dot.y() - 2; y <= dot.y() + 2; ++y)
    for (int x = dot.x() - 2; x <= dot.x() + 2; ++x)
      QCOMPARE(frame.pixelColor(x, y), QPoint(x, y) == dot ? QColor(0, 0, 0) : QColor(255, 255, 255));

  // A one-pixel line of the picture itself stays sharp: between 1/2 and 1:1
  // it is filtered from the picture, not from the half-size copy.
  if (zoom < 0.5) return;
  pic.SetPixelRows(900, 700, [](int, std::uint32_t* row) {
    std::fill(row, row + 900, 0xFFFFFFFFu);
    row[400] = 0xFF000000u;
  });
  view::Render(pic, reduction, zoom, area, frame, qRgb(1, 2, 3));
  int darkest = 255;
  for (int x = 0; x < frame.width(); ++x) darkest = std::min(darkest, qGray(frame.pixel(x, 100)));
  QVERIFY2(darkest < 110, qPrintable(QString("the line's darkest pixel is %1").arg(darkest)));
}

void ViewTest::clickRecordsThePicturePixel_data() {
  QTest::addColumn<double>("zoom");
  QTest::newRow("1/2") << 0.5;
  QTest::newRow("1:1") << 1.0;
  QTest::newRow("3x") << 3.0;
}

// At every zoom a click at the screen position of picture pixel (x, y)
// records (x, y), and the read-out there is the one of 1:1.
void ViewTest::clickRecordsThePicturePixel() {
  QFETCH(double, zoom);
  MainWindowFixture f;
  MainWindow& w = f.window();
  GreyRamp(w.picture(), 1200, 900);
  const QPoint pixels[] = {{101, 77}, {600, 450}, {1150, 860}, {0, 0}};
  QStringList atOne;
  for (QPoint p : pixels) {
    QVERIFY(PointAtPixel(w, p.x(), p.y()).isEmpty());
    atOne << w.statusLabel()->text();
  }
  w.setZoom(zoom);
  QCOMPARE(w.canvas()->Zoom(), zoom);
  QCOMPARE(w.zoomLabel()->text(), view::ZoomText(zoom));
  for (std::size_t i = 0; i < std::size(pixels); ++i) {
    const QPoint p = pixels[i];
    f.app().s.ZeroPointPending = 1;
    QString e = ClickPixel(w, p.x(), p.y());
    QVERIFY2(e.isEmpty(), qPrintable(e));
    QCOMPARE(f.app().s.ZeroPointX, static_cast<double>(p.x()));
    QCOMPARE(f.app().s.ZeroPointY, static_cast<double>(p.y()));
    f.app().s.ZeroPointX = 0;
    f.app().s.ZeroPointY = 0;
    e = PointAtPixel(w, p.x(), p.y());
    QVERIFY2(e.isEmpty(), qPrintable(e));
    QCOMPARE(w.statusLabel()->text(), atOne[static_cast<qsizetype>(i)]);
  }
}

void ViewTest::everyPixelOfALargePictureIsReachable_data() {
  QTest::addColumn<double>("zoom");
  QTest::newRow("1:1") << 1.0;
  QTest::newRow("2x") << 2.0;
}

// The far corner of a picture of 8192 x 8192 pixels (and the other corners)
// can be scrolled into view and clicked, not hidden under the status line
// or the vertical scroll bar.
void ViewTest::everyPixelOfALargePictureIsReachable() {
  QFETCH(double, zoom);
  MainWindowFixture f;
  MainWindow& w = f.window();
  GreyRamp(w.picture(), 8192, 8192);
  w.setZoom(zoom);
  QCOMPARE(w.canvas()->Zoom(), zoom);
  for (QPoint p : {QPoint(8191, 8191), QPoint(8191, 0), QPoint(0, 8191), QPoint(0, 0)}) {
    f.app().s.ZeroPointPending = 1;
    const QString e = ClickPixel(w, p.x(), p.y());
    QVERIFY2(e.isEmpty(), qPrintable(e));
    QCOMPARE(f.app().s.ZeroPointX, static_cast<double>(p.x()));
    QCOMPARE(f.app().s.ZeroPointY, static_cast<double>(p.y()));
  }
}

void ViewTest::measuredPointsShowOnAnyBackground_data() {
  QTest::addColumn<double>("zoom");
  QTest::addColumn<int>("sky");
  QTest::newRow("1/8, black sky") << 0.125 << 0;
  QTest::newRow("1:1, black sky") << 1.0 << 0;
  QTest::newRow("1:1, white disc") << 1.0 << 255;
  QTest::newRow("6x, grey") << 6.0 << 128;
}

// A limb point entered as the program enters it shows as a bright cross
// with a dark outline at screen size, on a black sky and on a white disc,
// at every zoom; its own pixel is the picture's black dot, and the picture
// (as Save Image writes it) holds that pixel alone.
void ViewTest::measuredPointsShowOnAnyBackground() {
  QFETCH(double, zoom);
  QFETCH(int, sky);
  MainWindowFixture f;
  MainWindow& w = f.window();
  QtPicture& pic = w.picture();
  pic.Fill(1600, 1200, RGB(sky, sky, sky));
  w.setZoom(zoom);
  Redraw(f.app());
  const QPoint p(803, 597);
  ShowPixel(w, p.x(), p.y());  // a scroll redraws
  pic.PointMark(p.x(), p.y(), QBColor(0));
  w.canvas()->repaint();
  const QPointF centre = Canvas::WidgetAt(QPointF(p) + QPointF(0.5, 0.5), zoom);
  const int reach = view::PointMarkReach(zoom);
  const std::uint32_t bright = 0x00E0FFu;  // 0x00BBGGRR of kPointMarkColour
  QVERIFY2(CountColour(w.canvas(), centre, reach + 1, bright) >= 4 * 5,
           qPrintable(QString("%1 bright pixels").arg(CountColour(w.canvas(), centre, reach + 1, bright))));
  QVERIFY(CountColour(w.canvas(), centre, reach + 1, 0) >= 4 * 5 * 2);
  // The picture itself: one black pixel, the rest as it was.
  for (int dy = -3; dy <= 3; ++dy)
    for (int dx = -3; dx <= 3; ++dx) {
      const std::uint32_t want = dx == 0 && dy == 0 ? 0xFF000000u : (0xFF000000u | sky << 16 | sky << 8 | sky);
      QCOMPARE(pic.ShownArgb(p.x() + dx, p.y() + dy), want);
    }
  // Gone with the next redraw, from the screen too.
  Redraw(f.app());
  w.canvas()->repaint();
  QCOMPARE(CountColour(w.canvas(), centre, reach + 1, bright), 0);
}

void ViewTest::marksVisible_data() {
  QTest::addColumn<double>("zoom");
  QTest::newRow("1/8") << 0.125;
  QTest::newRow("4x") << 4.0;
}

// Reduced, a 3 x 3 mark is at least 3 x 3 screen pixels, a dot one, a line
// one pixel wide and a name its own size; enlarged, a mark covers its
// picture pixels.
void ViewTest::marksVisible() {
  QFETCH(double, zoom);
  MainWindowFixture f;
  MainWindow& w = f.window();
  QtPicture& pic = w.picture();
  pic.Fill(1600, 1200, RGB(255, 255, 255));
  w.setZoom(zoom);
  Redraw(f.app());
  const QPoint mark(803, 597), dot(400, 300);
  pic.Mark3x3(mark.x(), mark.y(), QBColor(10));
  pic.PSet(dot.x(), dot.y(), QBColor(12));
  pic.Line(1000, 0, 1000, 1199, QBColor(1));
  pic.Line(100, 200, 1500, 900, QBColor(5));  // slanted, through (800, 550)
  pic.Print(200, 900, "G12", 12, true, QBColor(4));
  w.canvas()->repaint();
  Canvas* c = w.canvas();
  const auto centre = [&](QPoint p) { return Canvas::WidgetAt(QPointF(p) + QPointF(0.5, 0.5), zoom); };
  const int side = std::max(3, static_cast<int>(std::lround(3 * zoom)));
  QCOMPARE(CountColour(c, centre(mark), side, QBColor(10)), side * side);
  const int dotSide = std::max(1, static_cast<int>(std::lround(zoom)));
  QCOMPARE(CountColour(c, centre(dot), dotSide + 2, QBColor(12)), dotSide * dotSide);
  QVERIFY(CountColour(c, centre(QPoint(800, 550)), 2, QBColor(5)) >= 1);
  // The line: one screen pixel wide reduced, the zoom's width enlarged.
  const QImage strip = c->grab(QRect(Canvas::WidgetAt(QPointF(990, 500), zoom).toPoint(), QSize(int(20 * zoom) + 4, 3)))
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32);
  QCOMPARE(ColumnsWhere(strip, [](QColor c) { return c == QColor(0, 0, 128); }), dotSide);
  // The name: as wide on screen as at 1:1 when reduced.
  const QImage name = c->grab(QRect(Canvas::WidgetAt(QPointF(200, 900), zoom).toPoint() - QPoint(2, 2), QSize(200, 60)))
                          .toImage()
                          .convertToFormat(QImage::Format_RGB32);
  const int nameColumns = ColumnsWhere(name, [](QColor c) { return c.red() > c.green() + 40; });
  QVERIFY2(nameColumns >= 20, qPrintable(QString("the name covers %1 columns").arg(nameColumns)));
}

// Ctrl + wheel zooms about the pointer: the picture point under it stays.
void ViewTest::ctrlWheelKeepsThePointUnderThePointer() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  const QSize area = w.viewSize();
  w.picture().Fill(area.width() * 4, area.height() * 4, RGB(90, 90, 90));
  w.setZoom(0.5);
  // From the middle of the scroll range, so that no step meets its end.
  for (ScrollBar b : {ScrollBar::H, ScrollBar::V}) w.scrollBar(b)->setValue(w.scrollBar(b)->maximum() / 2);
  Canvas* c = w.canvas();
  const QPointF pointer(area.width() * 3 / 10, area.height() * 6 / 10);  // client area, whole pixels
  const struct {
    int delta;
    double zoom;
  } steps[] = {{120, 0.5 * std::sqrt(2.0)}, {240, std::sqrt(2.0)}, {-120, 1.0}, {-240, 0.5}};
  for (const auto& s : steps) {
    const QPointF before = PictureUnder(w, pointer);
    const QPointF at = c->mapFrom(w.client(), pointer.toPoint());
    QWheelEvent e(at, c->mapToGlobal(at), QPoint(), QPoint(0, s.delta), Qt::NoButton, Qt::ControlModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(c, &e);
    GUI_NEAR(c->Zoom(), s.zoom, 1e-9, "zoom");
    const QPointF after = PictureUnder(w, pointer);
    // The canvas lies on whole screen pixels: within half of one.
    GUI_NEAR(after.x(), before.x(), 0.5 / c->Zoom() + 1e-9, "x under the pointer");
    GUI_NEAR(after.y(), before.y(), 0.5 / c->Zoom() + 1e-9, "y under the pointer");
  }
}

// The wheel scrolls by a key step (1000 twips), sideways with Shift.
void ViewTest::wheelScrolls() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  GreyRamp(w.picture(), 3000, 2400);
  w.setZoom(1.0);
  auto* h = w.scrollBar(ScrollBar::H);
  auto* v = w.scrollBar(ScrollBar::V);
  h->setValue(3000);
  v->setValue(3000);
  const struct {
    int delta;
    Qt::KeyboardModifiers mods;
    int h, v;
  } rows[] = {{-120, Qt::NoModifier, 3000, 4000}, {240, Qt::NoModifier, 3000, 2000}, {-120, Qt::ShiftModifier, 4000, 2000}};
  for (const auto& r : rows) {
    const QPointF at(50, 50);
    QWheelEvent e(at, w.canvas()->mapToGlobal(at), QPoint(), QPoint(0, r.delta), Qt::NoButton, r.mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.canvas(), &e);
    QCOMPARE(h->value(), r.h);
    QCOMPARE(v->value(), r.v);
  }
}

void ViewTest::shiftDragInScreenDistances_data() {
  QTest::addColumn<double>("zoom");
  QTest::newRow("1:1") << 1.0;
  QTest::newRow("1/2") << 0.5;
  QTest::newRow("2x") << 2.0;
  QTest::newRow("4x") << 4.0;
}

// A Shift-drag moves the picture as at 1:1 at every zoom: each step adds
// the screen distance from the pointer to the grabbed point (in twips), and
// the release redraws and ends the drag.
void ViewTest::shiftDragInScreenDistances() {
  QFETCH(double, zoom);
  MainWindowFixture f;
  MainWindow& w = f.window();
  const QSize area = w.viewSize();
  w.picture().Fill(area.width() * 4, area.height() * 4, RGB(90, 90, 90));
  w.setZoom(zoom);
  auto* h = w.scrollBar(ScrollBar::H);
  auto* v = w.scrollBar(ScrollBar::V);
  h->setValue(600);
  v->setValue(600);
  Canvas* canvas = w.canvas();
  const QPointF grab = canvas->mapFrom(w.client(), QPoint(300, 200));
  const auto send = [canvas](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, canvas->mapToGlobal(at), button, held, Qt::ShiftModifier);
    QApplication::sendEvent(canvas, &e);
  };
  send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
  QCOMPARE(f.app().s.QuickMoveActive, std::uint8_t{1});
  QCOMPARE(f.app().s.PointCount, std::int16_t{0});  // no point taken
  send(QEvent::MouseMove, grab + QPointF(-10, 30), Qt::NoButton, Qt::LeftButton);
  QCOMPARE(h->value(), 610);
  QCOMPARE(v->value(), 570);
  send(QEvent::MouseButtonRelease, grab + QPointF(-10, 30), Qt::LeftButton, Qt::NoButton);
  QCOMPARE(f.app().s.QuickMoveActive, std::uint8_t{0});
}

void ViewTest::viewKeysNeverReachTheDispatcher_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("picture");
  QTest::addColumn<double>("zoom");  // after, from 1; -1: as the platform's key map has it
  QTest::addColumn<int>("gridStep");  // after, from 640
  const double r = std::sqrt(2.0);
  QTest::newRow("Ctrl++") << int(Qt::Key_Plus) << int(Qt::ControlModifier) << true << r << 640;
  QTest::newRow("Ctrl+Shift++") << int(Qt::Key_Plus) << int(Qt::ControlModifier | Qt::ShiftModifier) << true << -1.0
                                << 640;
  QTest::newRow("Ctrl+=") << int(Qt::Key_Equal) << int(Qt::ControlModifier) << true << r << 640;
  QTest::newRow("Ctrl+-") << int(Qt::Key_Minus) << int(Qt::ControlModifier) << true << 1 / r << 640;
  QTest::newRow("Ctrl+0") << int(Qt::Key_0) << int(Qt::ControlModifier) << true << 0.5 << 640;
  QTest::newRow("Ctrl+- without a picture") << int(Qt::Key_Minus) << int(Qt::ControlModifier) << false << 1.0 << 640;
  QTest::newRow("+ is the pixel grid") << int(Qt::Key_Plus) << int(Qt::NoModifier) << true << 1.0 << 320;
  QTest::newRow("- is the pixel grid") << int(Qt::Key_Minus) << int(Qt::NoModifier) << true << 1.0 << 1280;
}

void ViewTest::viewKeysNeverReachTheDispatcher() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(bool, picture);
  QFETCH(double, zoom);
  QFETCH(int, gridStep);
  MainWindowFixture f;
  MainWindow& w = f.window();
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  if (picture) {
    // Twice the view: fit is 1/2.
    const QSize area = w.viewSize();
    w.picture().Fill(area.width() * 2, area.height() * 2, RGB(200, 200, 200));
    w.setZoom(1.0);
  }
  f.app().s.PixelGridStep = 640;
  w.canvas()->setFocus();
  QTest::keyClick(w.windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  if (zoom > 0) GUI_NEAR(w.canvas()->Zoom(), zoom, 1e-9, "zoom");
  QCOMPARE(f.app().s.PixelGridStep, static_cast<std::int16_t>(gridStep));
}

// One place decides: without a picture nothing of the view is usable; at
// the largest zoom Zoom in is not, at the smallest Zoom out is not.
void ViewTest::viewItemsFollowThePicture() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  using V = MainWindow::ViewItem;
  for (V item : {V::ZoomIn, V::ZoomOut, V::Fit, V::ActualPixels}) QVERIFY(!w.viewAction(item)->isEnabled());
  QCOMPARE(w.viewAction(V::ZoomIn)->text(), QString("Zoom in"));
  QCOMPARE(w.viewAction(V::ZoomOut)->text(), QString("Zoom out"));
  QCOMPARE(w.viewAction(V::Fit)->text(), QString("Fit to window"));
  QCOMPARE(w.viewAction(V::ActualPixels)->text(), QString("Actual pixels"));
  QCOMPARE(w.viewAction(V::ZoomIn)->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")}));
  // They end the View menu, after a separator.
  const QList<QAction*> items = w.menu(Menu::View)->actions();
  QVERIFY(items.size() >= 5);
  QVERIFY(items[items.size() - 5]->isSeparator());
  QStringList last;
  for (qsizetype i = items.size() - 4; i < items.size(); ++i) last << items[i]->objectName();
  QCOMPARE(last, (QStringList{"zoomIn", "zoomOut", "fitToWindow", "actualPixels"}));
  w.picture().Fill(300, 200, RGB(1, 2, 3));
  w.setZoom(16);
  QVERIFY(!w.viewAction(V::ZoomIn)->isEnabled());
  QVERIFY(w.viewAction(V::ZoomOut)->isEnabled());
  w.setZoom(1.0 / 64);
  QCOMPARE(w.canvas()->Zoom(), 1.0 / 16);
  QVERIFY(w.viewAction(V::ZoomIn)->isEnabled());
  QVERIFY(!w.viewAction(V::ZoomOut)->isEnabled());
  QCOMPARE(w.zoomLabel()->text(), QString("6.3 %"));
  // The status line keeps its own text beside the zoom.
  QVERIFY(w.zoomLabel()->geometry().right() <= w.statusLabel()->geometry().right());
}

// The window opens at nine tenths of the screen's available width and
// height, never below the designed client area, and a picture opens whole
// in it.
void ViewTest::windowUsesTheScreen() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  const QRect available = w.screen()->availableGeometry();
  const QSize designed(w.toPixels(MainWindow::kClientWidthTwips), w.toPixels(MainWindow::kClientHeightTwips));
  QVERIFY(w.client()->width() >= designed.width());
  QVERIFY(w.client()->height() >= designed.height());
  GUI_NEAR(static_cast<double>(w.width()), std::max(0.9 * available.width(), double(designed.width())), 2.0, "width");
  QVERIFY(w.height() >= 0.85 * available.height());
  QVERIFY(w.frameGeometry().width() <= available.width());
  QVERIFY(w.frameGeometry().height() <= available.height());

  // A picture larger than the screen opens whole inside the view.
  QImage image(2400, 1600, QImage::Format_RGB32);
  image.fill(Qt::white);
  QVERIFY(image.save(QString::fromStdString(f.folder() + "/big.bmp"), "BMP"));
  std::string error;
  QVERIFY2(w.picture().Load(f.folder() + "/big.bmp", error), error.c_str());
  QTRY_VERIFY(w.canvas()->width() <= w.viewSize().width());
  QVERIFY(w.canvas()->height() <= w.viewSize().height());
  QVERIFY(w.canvas()->height() >= w.viewSize().height() - 2 || w.canvas()->width() >= w.viewSize().width() - 2);
  const QRect shown(w.canvas()->pos(), w.canvas()->size());
  QVERIFY(QRect(QPoint(0, 0), w.viewSize()).contains(shown));
}

// The first Save of a new picture replaces the empty data file Open made
// without a question; a Save onto another existing file asks.
void ViewTest::firstSaveAsksNothing() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  QImage image(200, 150, QImage::Format_RGB32);
  image.fill(Qt::white);
  QVERIFY(image.save(QString::fromStdString(f.folder() + "/plain.jpg"), "JPG"));
  pelorin::test::WriteAll(f.folder() + "/other.dat", "kept until asked\r\n");
  {
    ModalScript modals;
    modals.Then("Open picture", ChooseFile("plain.jpg", modals.problems));
    modals.Then("Type of image", TypeAnswer("0", modals.problems));
    QVERIFY(ChooseMenu(w, Menu::ucitavanje).isEmpty());
    QTRY_VERIFY(modals.Done());
    QVERIFY2(modals.Check().isEmpty(), qPrintable(modals.Check()));
  }
  QCOMPARE(std::filesystem::file_size(f.folder() + "/plain.dat"), std::uintmax_t{0});
  {
    ModalScript modals;
    modals.Then("Save data", ChooseFile({}, modals.problems));
    QVERIFY(ChooseMenu(w, Menu::spremi).isEmpty());
    QCoreApplication::processEvents();
    QVERIFY2(modals.Check().isEmpty(), qPrintable(modals.Check()));
    QCOMPARE(modals.seen, QStringList{"Save data"});
  }
  QVERIFY(std::filesystem::file_size(f.folder() + "/plain.dat") > 2);
  {
    ModalScript modals;
    modals.Then("Save data", ChooseFile("other.dat", modals.problems));
    modals.Then("Save data: other.dat already exists", PressYes());
    QVERIFY(ChooseMenu(w, Menu::spremi).isEmpty());
    QVERIFY2(modals.Check().isEmpty(), qPrintable(modals.Check()));
  }
  QCOMPARE(pelorin::test::ReadAll(f.folder() + "/other.dat"), pelorin::test::ReadAll(f.folder() + "/plain.dat"));
}

PELORIN_GUI_TEST(ViewTest);

#include "view_test.moc"
