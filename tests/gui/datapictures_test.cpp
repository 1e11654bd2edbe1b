// FITS, JPEG 2000, PNG and TIFF pictures on Qt: the program's picture reads
// each kind (data through the decoders, with levels and a header; PNG and
// TIFF of 8 or 16 bits, grey or colour, through Qt), refuses bad FITS files
// with a reason and keeps the picture shown, and View -> "Brightness scale"
// redraws a picture of data with its marks.
#include <QAction>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>

#include <QLabel>

#include <cmath>
#include <limits>

#include "DataPictures.h"
#include "GuiFixture.h"
#include "Helioprojective.h"
#include "SolarFitsReference.h"
#include "QtPicture.h"
#include "base/Brightness.h"
#include "app/PictureLoad.h"

using namespace pelorin;
using namespace pelorin::gui;
using pelorin::gui::test::MainWindowFixture;

namespace {

gen::SolarFits Dated(int side) {
  gen::SolarFits s;
  s.width = s.height = side;
  s.crpix1 = s.crpix2 = side / 2.0 + 0.5;
  s.cdelt1 = s.cdelt2 = 975.3 / (0.4 * side);
  s.layout.bitpix = 16;
  return s;
}

// A w x h picture in `format`: a grey ramp across, or colours.
QImage Picture(QImage::Format format, int w, int h) {
  QImage image(w, h, format);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixelColor(x, y, QColor(x * 255 / (w - 1), 40 + y, 200 - y));
  if (format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixelColor(x, y, QColor(x * 255 / (w - 1), x * 255 / (w - 1), x * 255 / (w - 1)));
  return image;
}

}  // namespace

class DataPictureTest : public QObject {
  Q_OBJECT

 private slots:
  void everyKindOpens_data();
  void everyKindOpens();
  void badFitsRefusedWithAReason_data();
  void badFitsRefusedWithAReason();
  void brightnessScaleRedrawsPictureAndGrid();
  void badFitsInTheWindowSaysSoAndKeepsThePicture();
  void statusLineUnderThePointerFollowsTheWcs();
};

void DataPictureTest::everyKindOpens_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("data");
  QTest::newRow("FITS, 16 bits") << "a.fits" << true;
  QTest::newRow("FITS, gzip-compressed") << "b.fits.gz" << true;
  QTest::newRow("FITS, Rice tiles, extension") << "c.fts" << true;
  QTest::newRow("JPEG 2000") << "d.jp2" << true;
  QTest::newRow("PNG, 8-bit grey") << "e.png" << false;
  QTest::newRow("PNG, 16-bit grey") << "f.png" << false;
  QTest::newRow("PNG, 16-bit colour") << "g.png" << false;
  QTest::newRow("TIFF, 8-bit colour") << "h.tiff" << false;
  QTest::newRow("TIFF, 16-bit grey") << "i.tif" << false;
}

void DataPictureTest::everyKindOpens() {
  QFETCH(QString, name);
  QFETCH(bool, data);
  pelorin::test::TempFolder folder;
  const std::string path = folder.File(name.toStdString());
  const QString qpath = QString::fromStdString(path);
  gen::SolarFits s = Dated(64);
  if (name == "a.fits") gen::WriteSolarFits(path, s);
  if (name == "b.fits.gz") {
    gen::WriteSolarFits(folder.File("b.fits"), s);
    QCOMPARE(std::system(("gzip -f '" + folder.File("b.fits") + "'").c_str()), 0);
  }
  if (name == "c.fts") {
    s.layout.compression = gen::FitsCompression::Rice;
    gen::WriteSolarFits(path, s);
  }
  if (name == "d.jp2") gen::WriteSolarJp2(path, s);
  if (name == "e.png") QVERIFY(Picture(QImage::Format_Grayscale8, 64, 64).save(qpath, "PNG"));
  if (name == "f.png") QVERIFY(Picture(QImage::Format_Grayscale16, 64, 64).save(qpath, "PNG"));
  if (name == "g.png") QVERIFY(Picture(QImage::Format_RGBA64, 64, 64).save(qpath, "PNG"));
  if (name == "h.tiff") QVERIFY(Picture(QImage::Format_RGB32, 64, 64).save(qpath, "TIFF"));
  if (name == "i.tif") QVERIFY(Picture(QImage::Format_Grayscale16, 64, 64).save(qpath, "TIFF"));

  QtPicture pic;
  std::string error;
  QVERIFY2(pic.Load(path, error), error.c_str());
  QCOMPARE(pic.Width(), 64);
  QCOMPARE(pic.Height(), 64);
  QCOMPARE(pic.HasDataLevels(), data);
  QCOMPARE(pic.Header().Empty(), !data);
  if (data) {
    // The disc centre is bright, a corner is background.
    QVERIFY((pic.Point(32, 32) & 0xFF) > 200);
    QCOMPARE(pic.Point(0, 0) & 0xFF, 0);
  } else {
    // The ramp runs from black on the left to white on the right.
    QVERIFY((pic.Point(0, 10) & 0xFF) < 8);
    QVERIFY((pic.Point(63, 10) & 0xFF) > 247);
  }
}

void DataPictureTest::badFitsRefusedWithAReason_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("says");
  QTest::newRow("empty") << "empty.fits" << "empty";
  QTest::newRow("text") << "text.fits" << "not a readable FITS file";
  QTest::newRow("cut in its data") << "cutdata.fits" << "cut short";
  QTest::newRow("cut in its header") << "cuthead.fits" << "not a readable FITS file";
  QTest::newRow("1-D array") << "line.fits" << "1-D array";
  QTest::newRow("all NaN") << "nan.fits" << "NaN";
  QTest::newRow("200000 x 200000 claimed") << "huge.fits" << "200000 x 200000";
}

void DataPictureTest::badFitsRefusedWithAReason() {
  QFETCH(QString, name);
  QFETCH(QString, says);
  pelorin::test::TempFolder folder;
  gen::WriteSolarFits(folder.File("whole.fits"), Dated(48));
  const std::string whole = pelorin::test::ReadAll(folder.File("whole.fits"));
  const std::string path = folder.File(name.toStdString());
  if (name == "empty.fits") pelorin::test::WriteAll(path, "");
  if (name == "text.fits") pelorin::test::WriteAll(path, "Seeing 2, transparency good\n");
  if (name == "cutdata.fits") pelorin::test::WriteAll(path, whole.substr(0, whole.size() - 3000));
  if (name == "cuthead.fits") pelorin::test::WriteAll(path, whole.substr(0, 700));
  if (name == "line.fits")
    gen::WriteFits(path, {16, {30}, gen::FitsCompression::None, false, 0, 1, {}}, {}, std::vector<double>(30, 3));
  if (name == "nan.fits")
    gen::WriteFits(path, {-64, {5, 5}, gen::FitsCompression::None, false, 0, 1, {}}, {},
                   std::vector<double>(25, std::numeric_limits<double>::quiet_NaN()));
  if (name == "huge.fits")
    pelorin::test::WriteAll(path, gen::RawFitsHeader({{"SIMPLE", "T"}, {"BITPIX", "16"}, {"NAXIS", "2"},
                                                      {"NAXIS1", "200000"}, {"NAXIS2", "200000"}}));
  QtPicture pic;
  pic.Fill(3, 2, RGB(7, 8, 9));
  std::string error;
  QVERIFY(!pic.Load(path, error));
  QVERIFY2(error.find(says.toStdString()) != std::string::npos, error.c_str());
  QCOMPARE(pic.Width(), 3);
  QCOMPARE(pic.Point(2, 1), static_cast<std::int32_t>(RGB(7, 8, 9)));
}

void DataPictureTest::brightnessScaleRedrawsPictureAndGrid() {
  MainWindowFixture f;
  const std::string path = f.folder() + "/sun.fits";
  gen::WriteSolarFits(path, Dated(256));
  OpenPicture(f.app(), path);  // calibrated from its header: no question, grid on
  QCOMPARE(f.app().s.CalibrationState, std::int16_t{3});
  QCOMPARE(f.app().s.GridOn, std::int16_t{1});
  QtPicture& pic = dynamic_cast<QtPicture&>(f.app().pic);
  QVERIFY(pic.HasDataLevels());
  QMenu* view = f.window().menu(Menu::View);
  auto* scales = f.window().findChild<QMenu*>("brightness");
  QVERIFY(scales != nullptr);
  Q_EMIT view->aboutToShow();
  QVERIFY(scales->isEnabled());

  // A pixel of the disc away from the grid lines, and the grid's pixels.
  const DataLevels& levels = pic.Levels();
  const int x = 128 + 37, y = 128 - 21;
  const std::uint16_t level = levels.level[static_cast<std::size_t>(y) * 256 + x];
  std::vector<std::pair<int, int>> marks;
  const std::vector<std::uint32_t> linear = ArgbTable(BrightnessScale::Linear);
  for (int yy = 0; yy < 256; ++yy)
    for (int xx = 0; xx < 256; ++xx)
      if (pic.ShownArgb(xx, yy) != linear[levels.level[static_cast<std::size_t>(yy) * 256 + xx]])
        marks.push_back({xx, yy});
  QVERIFY(marks.size() > 100);  // the heliographic grid
  for (int i = 0; i < kBrightnessScaleCount; ++i) {
    const auto scale = static_cast<BrightnessScale>(i);
    auto* action = f.window().findChild<QAction*>(QString("brightness_%1").arg(i));
    QVERIFY(action != nullptr);
    QCOMPARE(action->text(), QString(BrightnessScaleCaption(scale)));
    action->trigger();
    QCOMPARE(pic.Brightness(), scale);
    const std::vector<std::uint32_t> table = ArgbTable(scale);
    QCOMPARE(pic.ShownArgb(x, y), table[level]);
    // The grid is drawn again over the new grey, on the same pixels.
    int kept = 0;
    for (const auto& [mx, my] : marks)
      if (pic.ShownArgb(mx, my) != table[levels.level[static_cast<std::size_t>(my) * 256 + mx]]) ++kept;
    QVERIFY2(kept >= static_cast<int>(marks.size()) * 9 / 10, qPrintable(QString::number(kept)));
  }

  // A JPEG picture has no data: the submenu is off.
  QImage jpeg(40, 30, QImage::Format_RGB32);
  jpeg.fill(Qt::gray);
  QVERIFY(jpeg.save(QString::fromStdString(f.folder() + "/p.jpg"), "JPEG"));
  gui::test::ModalScript modals;
  modals.Then("Type of image", gui::test::TypeAnswer("2", modals.problems));
  OpenPicture(f.app(), f.folder() + "/p.jpg");
  QVERIFY2(modals.Check().isEmpty(), qPrintable(modals.Check()));
  Q_EMIT view->aboutToShow();
  QVERIFY(!scales->isEnabled());
}

void DataPictureTest::badFitsInTheWindowSaysSoAndKeepsThePicture() {
  MainWindowFixture f;
  gen::WriteSolarFits(f.folder() + "/sun.fits", Dated(128));
  OpenPicture(f.app(), f.folder() + "/sun.fits");
  QCOMPARE(f.app().s.CalibrationState, std::int16_t{3});
  const std::string huge = f.folder() + "/huge.fits";
  pelorin::test::WriteAll(huge, gen::RawFitsHeader({{"SIMPLE", "T"}, {"BITPIX", "16"}, {"NAXIS", "2"},
                                                    {"NAXIS1", "200000"}, {"NAXIS2", "200000"}}));
  {
    gui::test::MessageCatcher catcher;
    OpenPicture(f.app(), huge);
    QCOMPARE(catcher.texts.size(), std::size_t{1});
    const QString text = catcher.texts[0];
    QVERIFY2(text.contains(QString::fromStdString(huge)) && text.contains("200000 x 200000"), qPrintable(text));
  }
  QCOMPARE(f.app().pic.Width(), 128);
  QCOMPARE(f.app().s.DataFileName, std::string("sun.dat"));
  QCOMPARE(f.app().s.CalibrationState, std::int16_t{3});
}

// Source of the expected values: the reference formulas of
// tests/support/Helioprojective.h on the header the generator wrote.
void DataPictureTest::statusLineUnderThePointerFollowsTheWcs() {
  MainWindowFixture f;
  gen::SolarFits s = Dated(512);
  s.crpix1 = 260.3;
  s.crpix2 = 250.8;
  s.crval1 = 21;
  s.crval2 = -13;
  s.rotation = gen::WcsRotation::Pc;
  s.rotation_deg = -71.5;
  s.hglt_obs_deg = 5.5;
  s.crln_obs_deg = 33.3;
  gen::WriteSolarFits(f.folder() + "/sun.fits", s);
  OpenPicture(f.app(), f.folder() + "/sun.fits");
  QCOMPARE(f.app().s.CalibrationState, std::int16_t{3});

  const pelorin::test::WcsPicture w = pelorin::test::ReferenceOf(s);

  auto* status = f.find<QLabel>("Label1");
  const ProgramState& st = f.app().s;
  int compared = 0;
  for (double u : {-0.6, -0.2, 0.3, 0.7})
    for (double v : {-0.65, 0.1, 0.55}) {
      const double X = std::round(st.ZeroPointX + u * st.LimbRadius), Y = std::round(st.ZeroPointY + v * st.LimbRadius);
      pelorin::test::HeliographicPoint ref;
      if (!pelorin::test::ReferenceHeliographic(w, X, Y, ref) || ref.sigma > 60) continue;
      const QString before = status->text();
      // Scrolling may leave the pointer where it was on the screen, which
      // moves nothing: a step aside first.
      QString e = gui::test::PointAtPixel(f.window(), X + 2, Y + 2);
      QVERIFY2(e.isEmpty(), qPrintable(e));
      e = gui::test::PointAtPixel(f.window(), X, Y);
      QVERIFY2(e.isEmpty(), qPrintable(e));
      QTRY_VERIFY(status->text() != before);
      const QString text = status->text();
      // Each value with its error after it ("B=12.33±0.05").
      const QString pm = QString::fromUtf8("(?:\u00B1[0-9.]+\\+?)?");
      const QRegularExpression re("B=\\s*(-?[0-9.]+)" + pm + "\\s+CMD=\\s*(-?[0-9.]+)" + pm + "\\s+L=\\s*(-?[0-9.]+)" + pm +
                                  " grayscale=([0-9]+)");
      const QRegularExpressionMatch m = re.match(text);
      QVERIFY2(m.hasMatch(), qPrintable(text));
      QVERIFY2(std::fabs(m.captured(1).toDouble() - ref.B) <= 0.01, qPrintable(text + " B " + QString::number(ref.B)));
      const double dL = std::fmod(std::fabs(m.captured(3).toDouble() - ref.L), 360.0);
      QVERIFY2(std::min(dL, 360 - dL) <= 0.01, qPrintable(text + " L " + QString::number(ref.L)));
      // The grey read out is the one shown.
      QCOMPARE(m.captured(4).toInt(), static_cast<int>(f.app().pic.Point(X, Y) & 0xFF));
      ++compared;
    }
  QVERIFY(compared >= 8);
}

PELORIN_GUI_TEST(DataPictureTest);

#include "datapictures_test.moc"
