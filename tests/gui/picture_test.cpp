// The picture on Qt (decoding, limits, text) and the parts of the window
// port that talk to the user (boxes, file filters).
#include <cmath>
#include <cstring>
#include <fstream>

#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>

#include "Canvas.h"
#include "GuiFixture.h"
#include "QtPicture.h"
#include "QtWindowPort.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

namespace {

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string Be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 8) & 0xFF),
          static_cast<char>(v & 0xFF)};
}

std::string Chunk(const std::string& type, const std::string& data) {
  return Be32(static_cast<std::uint32_t>(data.size())) + type + data + Be32(Crc32(type + data));
}

// A PNG whose header claims w x h pixels and which holds no pixel data.
void WritePngHeader(const std::string& path, int w, int h) {
  const std::string ihdr = Be32(static_cast<std::uint32_t>(w)) + Be32(static_cast<std::uint32_t>(h)) +
                           std::string("\x08\x02\x00\x00\x00", 5);
  pelorin::test::WriteAll(path, std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Chunk("IDAT", "") +
                                    Chunk("IEND", ""));
}

}  // namespace

class PictureTest : public QObject {
  Q_OBJECT

 private slots:
  void loadDecidesByContent();
  void loadRefusesBeforeDecoding_data();
  void loadRefusesBeforeDecoding();
  void loadFailureKeepsPicture();
  void largePictureEnlargesCanvas();
  void printDrawsAndRestores();
  void mouseCodes_data();
  void mouseCodes();
  void nameFilters_data();
  void nameFilters();
  void messageBoxBreaksLines();
  void inputBoxCancelIsEmpty();
  void inputBoxReturnsText();
};

void PictureTest::loadDecidesByContent() {
  pelorin::test::TempFolder folder;
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(QColor(10, 200, 30));
  image.setPixelColor(1, 2, QColor(250, 5, 7));
  // PNG content under a .bmp name: the content decides.
  QVERIFY(image.save(QString::fromStdString(folder.File("wrong.bmp")), "PNG"));
  QtPicture pic;
  std::string error;
  QVERIFY2(pic.Load(folder.File("wrong.bmp"), error), error.c_str());
  QCOMPARE(pic.Width(), 4);
  QCOMPARE(pic.Height(), 3);
  QCOMPARE(pic.Point(1, 2), static_cast<std::int32_t>(RGB(250, 5, 7)));
  QCOMPARE(pic.Point(0, 0), static_cast<std::int32_t>(RGB(10, 200, 30)));
  QCOMPARE(pic.Point(4, 0), -1);
}

void PictureTest::loadRefusesBeforeDecoding_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::newRow("wide") << 30001 << 10;
  QTest::newRow("high") << 10 << 40000;
  QTest::newRow("too many pixels") << 25000 << 20000;  // 500 million
  QTest::newRow("just too many") << 20001 << 20000;
}

void PictureTest::loadRefusesBeforeDecoding() {
  QFETCH(int, width);
  QFETCH(int, height);
  pelorin::test::TempFolder folder;
  WritePngHeader(folder.File("huge.bmp"), width, height);
  QtPicture pic;
  pic.Fill(2, 2, RGB(1, 2, 3));
  std::string error;
  QVERIFY(!pic.Load(folder.File("huge.bmp"), error));
  QCOMPARE(pic.Width(), 2);
  QVERIFY2(error.find(std::to_string(width) + " x " + std::to_string(height)) != std::string::npos, error.c_str());
}

void PictureTest::loadFailureKeepsPicture() {
  pelorin::test::TempFolder folder;
  pelorin::test::WriteAll(folder.File("notes.jpg"), "these are not pixels\n");
  QtPicture pic;
  pic.Fill(2, 2, RGB(1, 2, 3));
  std::string error;
  QVERIFY(!pic.Load(folder.File("notes.jpg"), error));
  QVERIFY(!error.empty());
  QVERIFY(!pic.Load(folder.File("missing.bmp"), error));
  QVERIFY(!error.empty());
  QCOMPARE(pic.Width(), 2);
  QCOMPARE(pic.Point(1, 1), static_cast<std::int32_t>(RGB(1, 2, 3)));
}

// A picture wider than 32000 twips is reachable to its last pixel at 1:1:
// the picture box grows with it and the scroll range follows. (It opens
// whole; Actual pixels shows it at its own pixels.)
void PictureTest::largePictureEnlargesCanvas() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  QImage image(2500, 100, QImage::Format_RGB32);
  image.fill(Qt::white);
  QVERIFY(image.save(QString::fromStdString(f.folder() + "/wide.bmp"), "BMP"));
  std::string error;
  QVERIFY2(w.picture().Load(f.folder() + "/wide.bmp", error), error.c_str());
  QVERIFY(w.canvas()->Zoom() < 1);
  w.viewAction(MainWindow::ViewItem::ActualPixels)->trigger();
  // The picture and the window around the view, so that the scroll range
  // (the box less the outer window) reaches its last column.
  const int chromeW = w.frameGeometry().width() - w.viewSize().width();
  QCOMPARE(w.canvas()->width(), 2500 + chromeW);
  QCOMPARE(w.canvas()->height(), static_cast<int>(std::ceil(32000 / w.twipsPerPixel())));
  QCOMPARE(f.app().geo.pictureWidth, static_cast<int>(std::ceil((2500 + chromeW) * w.twipsPerPixel())));
  QCOMPARE(f.app().geo.pictureHeight, 32000);
  const int outerW = w.toTwips(w.frameGeometry().width());
  QTRY_COMPARE(f.find<QScrollBar>("HScroll1")->maximum(), std::min(32767, f.app().geo.pictureWidth - outerW));
}

void PictureTest::printDrawsAndRestores() {
  QtPicture pic;
  pic.Fill(200, 60, RGB(255, 255, 255));
  pic.Print(10, 5, "AR 1234", 12, true, QBColor(1));
  int changed = 0, above = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (pic.Point(x, y) != static_cast<std::int32_t>(RGB(255, 255, 255))) {
        ++changed;
        if (y < 5 || x < 10) ++above;
      }
    }
  }
  QVERIFY2(changed > 20, "the text left no pixels");
  QCOMPARE(above, 0);  // nothing above or left of the text's top-left corner
  QCOMPARE(pic.Texts().size(), std::size_t{1});
  pic.RestoreClean();
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) QCOMPARE(pic.Point(x, y), static_cast<std::int32_t>(RGB(255, 255, 255)));
  // No picture, or a text far away: nothing happens.
  QtPicture empty;
  empty.Print(0, 0, "x", 12, true, 0);
  pic.Print(1e9, -1e9, "far", 12, false, 0);
  QCOMPARE(pic.Point(0, 0), static_cast<std::int32_t>(RGB(255, 255, 255)));
}

void PictureTest::mouseCodes_data() {
  QTest::addColumn<int>("buttons");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("button");
  QTest::addColumn<int>("shift");
  QTest::newRow("left") << int(Qt::LeftButton) << int(Qt::NoModifier) << 1 << 0;
  QTest::newRow("right shift") << int(Qt::RightButton) << int(Qt::ShiftModifier) << 2 << 1;
  QTest::newRow("middle ctrl") << int(Qt::MiddleButton) << int(Qt::ControlModifier) << 4 << 2;
  QTest::newRow("left+right alt") << int(Qt::LeftButton | Qt::RightButton) << int(Qt::AltModifier) << 3 << 4;
  QTest::newRow("none shift ctrl") << 0 << int(Qt::ShiftModifier | Qt::ControlModifier) << 0 << 3;
}

void PictureTest::mouseCodes() {
  QFETCH(int, buttons);
  QFETCH(int, modifiers);
  QFETCH(int, button);
  QFETCH(int, shift);
  QCOMPARE(Canvas::ButtonCode(Qt::MouseButtons(buttons)), button);
  QCOMPARE(Canvas::ShiftCode(Qt::KeyboardModifiers(modifiers)), shift);
  QCOMPARE(Canvas::PixelAt(QPointF(12.75, 3.25)), QPointF(12, 3));
}

void PictureTest::nameFilters_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("expected");
  QTest::newRow("open") << "Pictures|*.bmp;*.jpg|All files(*.*)|*.*"
                        << QStringList{"Pictures (*.bmp *.jpg)", "All files(*.*) (*)"};
  QTest::newRow("save") << "Text files(*.txt,*.dat)|*.txt;*.dat|All files(*.*)|*.*"
                        << QStringList{"Text files(*.txt,*.dat) (*.txt *.dat)", "All files(*.*) (*)"};
  QTest::newRow("label without patterns") << "Pictures|*.bmp|Odd" << QStringList{"Pictures (*.bmp)"};
  QTest::newRow("empty") << "" << QStringList{};
}

void PictureTest::nameFilters() {
  QFETCH(QString, filter);
  QFETCH(QStringList, expected);
  QCOMPARE(QtWindowPort::NameFilters(filter.toStdString()), expected);
}

void PictureTest::messageBoxBreaksLines() {
  MainWindowFixture f;
  QString text, title;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return;
    text = box->text();
    title = box->windowTitle();
    box->accept();
  });
  f.app().win.MessageBox("Keys:\r8 up\r\n2 down");
  QCOMPARE(text, QString("Keys:\n8 up\n2 down"));
  QCOMPARE(title, QString("Pelorin"));
}

void PictureTest::inputBoxCancelIsEmpty() {
  MainWindowFixture f;
  QString title, label;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QInputDialog*>(modal);
    if (box == nullptr) return;
    title = box->windowTitle();
    label = box->labelText();
    box->reject();
  });
  QCOMPARE(f.app().win.InputBox("Name of the object", "Object", "A1"), std::string());
  QCOMPARE(title, QString("Object"));
  QCOMPARE(label, QString("Name of the object"));
}

void PictureTest::inputBoxReturnsText() {
  MainWindowFixture f;
  QString shownDefault;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QInputDialog*>(modal);
    if (box == nullptr) return;
    shownDefault = box->textValue();
    box->setTextValue("group 7");
    box->accept();
  });
  QCOMPARE(f.app().win.InputBox("Picture type", "", "0"), std::string("group 7"));
  QCOMPARE(shownDefault, QString("0"));
}

PELORIN_GUI_TEST(PictureTest);

#include "picture_test.moc"
