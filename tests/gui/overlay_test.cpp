// The Qt picture with marks over it: text rendered over grid lines, the
// saved file and the canvas show what Point reads.
#include <QImage>
#include <QTest>

#include "Canvas.h"
#include "GuiFixture.h"
#include "QtPicture.h"
#include "app/Dispatcher.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

namespace {

constexpr std::int32_t kWhite = static_cast<std::int32_t>(RGB(255, 255, 255));

// Every pixel of the picture as Point reads it.
std::vector<std::int32_t> Shown(const QtPicture& pic) {
  std::vector<std::int32_t> px;
  for (int y = 0; y < pic.Height(); ++y)
    for (int x = 0; x < pic.Width(); ++x) px.push_back(pic.Point(x, y));
  return px;
}

}  // namespace

class OverlayTest : public QObject {
  Q_OBJECT

 private slots:
  void textOverGridLines();
  void canvasShowsWhatPointReads();
};

// Source: the redraw's order (names are printed after the pixel grid, so
// they cover it) and the Save Image rule (the file holds what is shown).
void OverlayTest::textOverGridLines() {
  pelorin::test::TempFolder folder;
  QtPicture pic;
  pic.Fill(200, 60, RGB(255, 255, 255));
  const auto draw = [&pic] {
    pic.Line(0, 12, 199, 12, QBColor(4));
    pic.Line(40, 0, 40, 59, QBColor(4));
    pic.Print(10, 5, "AR 1234", 12, true, QBColor(1));
    pic.Line(0, 50, 199, 50, QBColor(4));  // after the text: over it
  };
  draw();
  const std::int32_t red = static_cast<std::int32_t>(QBColor(4));
  int covered = 0;
  for (int x = 10; x < 60; ++x)
    if (pic.Point(x, 12) != red) ++covered;
  QVERIFY2(covered > 0, "the text does not cover the grid line");
  QCOMPARE(pic.Point(195, 12), red);  // beyond the text the line shows
  QCOMPARE(pic.Point(40, 2), red);    // above the text the column shows
  for (int x = 0; x < 200; ++x) QCOMPARE(pic.Point(x, 50), red);

  // The saved picture is the one shown.
  std::string error;
  QVERIFY2(pic.SaveBmp(folder.File("shown.bmp"), error), error.c_str());
  int w = 0, h = 0;
  std::vector<std::uint32_t> saved;
  QVERIFY2(ReadBmp(folder.File("shown.bmp"), w, h, saved, error), error.c_str());
  const std::vector<std::int32_t> first = Shown(pic);
  QCOMPARE(w, 200);
  QCOMPARE(h, 60);
  for (std::size_t i = 0; i < saved.size(); ++i) QCOMPARE(RasterPicture::ToBgr(saved[i]), first[i]);

  // Restored, then drawn again (the text now comes from its kept rendering):
  // the same picture.
  pic.RestoreClean();
  for (std::int32_t c : Shown(pic)) QCOMPARE(c, kWhite);
  draw();
  QVERIFY(Shown(pic) == first);
}

// Source: the picture box shows the picture with its marks (the redraw).
void OverlayTest::canvasShowsWhatPointReads() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(QColor(230, 220, 210));
  QVERIFY(image.save(QString::fromStdString(f.folder() + "/p.bmp"), "BMP"));
  std::string error;
  QVERIFY2(w.picture().Load(f.folder() + "/p.bmp", error), error.c_str());
  w.setZoom(1.0);  // it opens enlarged to the window
  ProgramState& s = f.app().s;
  s.PixelGridStep = 20;
  s.ZeroPointX = 55;
  s.ZeroPointY = 47;
  Redraw(f.app());
  w.picture().PSet(75, 47, QBColor(10));  // a click's dot over both axes' crossing row
  w.picture().Print(100, 100, "G12", 12, true, QBColor(1));
  QVERIFY(w.picture().HasLines());

  const QImage shot = w.canvas()->grab(QRect(0, 0, 300, 200)).toImage().convertToFormat(QImage::Format_RGB32);
  QCOMPARE(shot.width(), 300);
  int wrong = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      const QRgb c = shot.pixel(x, y);
      const auto bgr = static_cast<std::int32_t>(RGB(qRed(c), qGreen(c), qBlue(c)));
      if (bgr != w.picture().Point(x, y)) ++wrong;
    }
  }
  QCOMPARE(wrong, 0);
  QCOMPARE(w.picture().Point(75, 47), static_cast<std::int32_t>(QBColor(10)));
  QCOMPARE(w.picture().Point(75, 48), static_cast<std::int32_t>(QBColor(1)));
}

PELORIN_GUI_TEST(OverlayTest);

#include "overlay_test.moc"
