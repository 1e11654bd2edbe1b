// Pictures that cannot be opened on Qt: each is refused with a reason and
// the picture shown before stays.
#include <QBuffer>
#include <QImage>
#include <QTest>

#include "GuiFixture.h"
#include "QtPicture.h"

using namespace pelorin;
using namespace pelorin::gui;

namespace {

// A 64 x 48 JPEG picture with some detail, as bytes.
std::string Jpeg() {
  QImage image(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) image.setPixelColor(x, y, QColor((x * 4) % 256, (y * 5) % 256, (x * y) % 256));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 90);
  return bytes.toStdString();
}

// The JPEG with the size in its frame header (SOF0: FF C0, length, precision,
// height, width) replaced.
std::string JpegClaiming(int w, int h) {
  std::string bytes = Jpeg();
  const std::size_t sof = bytes.find("\xFF\xC0");
  if (sof == std::string::npos) return {};
  bytes[sof + 5] = static_cast<char>(h >> 8);
  bytes[sof + 6] = static_cast<char>(h & 0xFF);
  bytes[sof + 7] = static_cast<char>(w >> 8);
  bytes[sof + 8] = static_cast<char>(w & 0xFF);
  return bytes.substr(0, bytes.size() / 3);
}

}  // namespace

class PictureHardeningTest : public QObject {
  Q_OBJECT

 private slots:
  void refusedWithAReason_data();
  void refusedWithAReason();
  void wholeJpegOpens();
};

void PictureHardeningTest::refusedWithAReason_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("bytes");
  const std::string jpeg = Jpeg();
  const auto row = [](const char* tag, const char* name, const std::string& bytes) {
    QTest::newRow(tag) << QString(name) << QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
  };
  row("empty file named .jpg", "empty.jpg", "");
  row("truncated JPEG", "cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  row("JPEG cut inside its header", "head.jpg", jpeg.substr(0, 20));
  row("JPEG claiming 40000 x 40000", "huge.jpg", JpegClaiming(40000, 40000));
  row("text renamed .bmp", "text.bmp", "Sunspots, 17 May 2003\r\n");
}

void PictureHardeningTest::refusedWithAReason() {
  QFETCH(QString, name);
  QFETCH(QByteArray, bytes);
  pelorin::test::TempFolder folder;
  const std::string path = folder.File(name.toStdString());
  pelorin::test::WriteAll(path, bytes.toStdString());
  QtPicture pic;
  pic.Fill(2, 2, RGB(1, 2, 3));
  std::string error;
  QVERIFY(!pic.Load(path, error));
  QVERIFY(!error.empty());
  if (name == "cut.jpg") QVERIFY2(error.find("cut short") != std::string::npos, error.c_str());
  if (name == "huge.jpg") QVERIFY2(error.find("40000 x 40000") != std::string::npos, error.c_str());
  QCOMPARE(pic.Width(), 2);
  QCOMPARE(pic.Point(1, 1), static_cast<std::int32_t>(RGB(1, 2, 3)));
}

void PictureHardeningTest::wholeJpegOpens() {
  pelorin::test::TempFolder folder;
  pelorin::test::WriteAll(folder.File("whole.jpg"), Jpeg());
  QtPicture pic;
  std::string error;
  QVERIFY2(pic.Load(folder.File("whole.jpg"), error), error.c_str());
  QCOMPARE(pic.Width(), 64);
  QCOMPARE(pic.Height(), 48);
}

PELORIN_GUI_TEST(PictureHardeningTest);

#include "hardening_test.moc"
