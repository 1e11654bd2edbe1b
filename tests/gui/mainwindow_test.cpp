// The main window as the user meets it: start-up state, menus, keys, layout,
// scrolling and the picture under the pointer.
#include <cmath>
#include <filesystem>
#include <functional>

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

#include "Canvas.h"
#include "GuiFixture.h"
#include "MeasurementsPanel.h"
#include "base/Ports.h"

using namespace pelorin;
using namespace pelorin::gui;
using namespace pelorin::gui::test;

Q_DECLARE_METATYPE(pelorin::Menu)

namespace {

// Records the key presses a widget itself receives.
class KeySpy : public QObject {
 public:
  explicit KeySpy(QObject* target) { target->installEventFilter(this); }
  QStringList texts;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) texts << static_cast<QKeyEvent*>(event)->text();
    return false;
  }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startupState_data();
  void startupState();
  void menuTree();
  void controlsAreNamed();
  void statusLineAboveHorizontalBar();
  void keyReachesDispatcherOnce_data();
  void keyReachesDispatcherOnce();
  void keyThroughWindowSystemReachesDispatcherOnce();
  void keyWithoutTextIsIgnored();
  void keyMFlipsSelectModeCaption();
  void keysIgnoredWhileMainDisabled();
  void layoutFollowsSize_data();
  void layoutFollowsSize();
  void scrollValueMovesPicture();
  void digitKeysStepAndClamp();
  void pointerReadoutUsesPicturePixels();
  void endButtonsFollowPort();
  void menuCommandsReachTheirHandlers();
  void closeEndsTheProgramsFiles();
  void clickSetsZeroPointAtPicturePixel();
  void shiftDragMovesPicture();
};

// Source: the menu table of the start-up (which items are usable after
// start-up: only File, Tools -> selection mode and Help).
void MainWindowTest::startupState_data() {
  QTest::addColumn<pelorin::Menu>("menu");
  QTest::addColumn<bool>("enabled");
  const struct {
    Menu m;
    bool enabled;
  } rows[] = {
      {Menu::File, true},      {Menu::ucitavanje, true}, {Menu::spremi, true},     {Menu::spremisliku, true},
      {Menu::ExportMeasurements, true}, {Menu::ExportRegionSummary, true}, {Menu::Close, true},
      {Menu::Edit, true},      {Menu::Undo, false},
      {Menu::Redo, false},     {Menu::Setings, true},    {Menu::koor, false},      {Menu::Ishodiste, false},
      {Menu::datum, false},    {Menu::Ulaz, true},       {Menu::Limb, false},      {Menu::AutoLimb, false}, {Menu::orient, false},
      {Menu::Objekt, false},   {Menu::ObserverK, true},  {Menu::Tools, true},      {Menu::Selectmode, true},
      {Menu::Compare, false},  {Menu::Series, true},     {Menu::MonthlyReport, true}, {Menu::FindSpots, false},
      {Menu::View, true},      {Menu::mreza, false},     {Menu::objectview, false}, {Menu::Measurements, true},
      {Menu::Help, true},
      {Menu::uputa, true},     {Menu::naredbe, true},    {Menu::about, true},
  };
  for (const auto& r : rows) QTest::newRow(MenuName(r.m)) << r.m << r.enabled;
}

void MainWindowTest::startupState() {
  QFETCH(pelorin::Menu, menu);
  QFETCH(bool, enabled);
  MainWindowFixture f;
  QCOMPARE(f.window().windowTitle(), QString("Pelorin"));
  QAction* action = f.window().menuAction(menu);
  QVERIFY(action != nullptr);
  QCOMPARE(action->isEnabled(), enabled);
  QCOMPARE(f.app().win.MenuEnabled(menu), enabled);
  QCOMPARE(action->objectName(), QString(MenuName(menu)));
  QCOMPARE(action->text(), QString(MenuCaption(menu)));
}

void MainWindowTest::menuTree() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  // The bar holds exactly File, Edit, Settings, Tools, View, Help in this
  // order.
  QStringList bar;
  for (QAction* a : w.menuBar()->actions()) bar << a->text();
  QCOMPARE(bar, (QStringList{"File", "Edit", "Settings", "Tools", "View", "Help"}));

  const auto itemsOf = [&](Menu m) {
    QStringList names;
    // Zoom and fit are the view test's (they end the View menu).
    const auto zoomItem = [&w](const QAction* a) {
      for (int i = 0; i < static_cast<int>(MainWindow::ViewItem::Count); ++i)
        if (w.viewAction(static_cast<MainWindow::ViewItem>(i)) == a) return true;
      return false;
    };
    for (QAction* a : w.menu(m)->actions())
      if (!a->isSeparator() && !zoomItem(a)) names << a->objectName();
    return names;
  };
  QCOMPARE(itemsOf(Menu::File), (QStringList{"ucitavanje", "spremi", "spremisliku", "exportMeasurements",
                                              "exportRegionSummary", "Close"}));
  QCOMPARE(itemsOf(Menu::Edit), (QStringList{"undo", "redo"}));
  QCOMPARE(itemsOf(Menu::Setings), (QStringList{"koor", "Ishodiste", "datum", "Ulaz", "Objekt", "observerK"}));
  QCOMPARE(itemsOf(Menu::Ulaz), (QStringList{"Limb", "AutoLimb", "orient"}));
  QCOMPARE(itemsOf(Menu::orient), (QStringList{"dnevnihod", "ossunca"}));
  QCOMPARE(itemsOf(Menu::Tools), (QStringList{"Selectmode", "Compare", "Series", "monthlyReport", "findSpots"}));
  QCOMPARE(itemsOf(Menu::View), (QStringList{"mreza", "objectview", "measurements", "brightness"}));
  QCOMPARE(itemsOf(Menu::Help), (QStringList{"uputa", "naredbe", "about"}));
  QCOMPARE(w.menu(Menu::orient)->objectName(), QString("orient"));
  QCOMPARE(w.menuAction(Menu::dnevnihod)->text(), QString("Parallel to the Earth's equator"));
  QCOMPARE(w.menuAction(Menu::ExportMeasurements)->text(), QString::fromUtf8("Export measurements\u2026"));
  QCOMPARE(w.menuAction(Menu::ExportRegionSummary)->text(), QString::fromUtf8("Export region summary\u2026"));
  // The keys of the Edit menu and of the panel.
  QCOMPARE(w.menuAction(Menu::Undo)->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Z")}));
  QCOMPARE(w.menuAction(Menu::Redo)->shortcuts(),
           (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
  QCOMPARE(w.menuAction(Menu::Measurements)->shortcut(), QKeySequence(Qt::Key_F9));
  QVERIFY(w.menuAction(Menu::Measurements)->isCheckable());

  // A caption set by the core is shown as given.
  f.app().win.SetMenuCaption(Menu::Selectmode, "Autoselect mode");
  QCOMPARE(w.menuAction(Menu::Selectmode)->text(), QString("Autoselect mode"));
}

void MainWindowTest::controlsAreNamed() {
  MainWindowFixture f;
  for (const char* name : {"Picture1", "Label1", "limbend", "dirend", "Objektend", "HScroll1", "VScroll1", "Frame1"}) {
    QWidget* w = f.find(name);
    QVERIFY2(w != nullptr, name);
    QCOMPARE(w->objectName(), QString(name));
  }
  // What a user sees stays the accessible name.
  for (const char* end : {"limbend", "dirend", "Objektend"}) {
    auto* b = f.find<QPushButton>(end);
    QCOMPARE(b->text(), QString("End"));
    QCOMPARE(b->accessibleName(), QString("End"));
  }
  f.app().win.SetStatus("n=0 , X=1 , Y=2");
  QCOMPARE(f.find<QLabel>("Label1")->accessibleName(), QString("n=0 , X=1 , Y=2"));
  QCOMPARE(f.find<QLabel>("Label1")->text(), QString("n=0 , X=1 , Y=2"));
}

// Source: the layout of the main window (Frame1 372 twips high directly
// above HScroll1; Label1 at (0, 120), 252 high, light green).
void MainWindowTest::statusLineAboveHorizontalBar() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  auto* frame = f.find<QFrame>("Frame1");
  auto* label = f.find<QLabel>("Label1");
  auto* h = f.find<QScrollBar>("HScroll1");
  QCOMPARE(frame->geometry().bottom() + 1, h->y());
  QCOMPARE(frame->height(), w.toPixels(372));
  QCOMPARE(frame->width(), h->width());
  QCOMPARE(label->pos(), QPoint(0, w.toPixels(120)));
  QCOMPARE(label->height(), w.toPixels(252));
  QCOMPARE(label->width(), frame->width());
  QCOMPARE(label->palette().color(QPalette::Window), QColor(128, 255, 128));
  // The bars and the status line lie over the picture, not under it.
  QVERIFY(frame->isVisible());
  QCOMPARE(w.client()->childAt(frame->geometry().center()), static_cast<QWidget*>(label));
}

void MainWindowTest::keyReachesDispatcherOnce_data() {
  QTest::addColumn<QString>("control");
  for (const char* c : {"window", "Picture1", "HScroll1", "VScroll1", "limbend", "Frame1"}) QTest::newRow(c) << c;
}

// "+" halves PixelGridStep once per call of the dispatcher: 1280 -> 640.
// Two calls for one press would give 320.
void MainWindowTest::keyReachesDispatcherOnce() {
  QFETCH(QString, control);
  MainWindowFixture f;
  QWidget* target = control == "window" ? static_cast<QWidget*>(&f.window()) : f.find(control);
  QVERIFY(target != nullptr);
  f.app().win.SetEndVisible(EndButton::limbend, true);
  KeySpy spy(target);
  QCOMPARE(f.app().s.PixelGridStep, std::int16_t{1280});
  QTest::keyClick(target, '+');
  QCOMPARE(f.app().s.PixelGridStep, std::int16_t{640});
  QTest::keyClick(target, '+');
  QCOMPARE(f.app().s.PixelGridStep, std::int16_t{320});
  // The control itself still saw both keys, unchanged.
  QCOMPARE(spy.texts, (QStringList{"+", "+"}));
}

void MainWindowTest::keyThroughWindowSystemReachesDispatcherOnce() {
  // The path of a real key: window system -> window -> focus widget, then
  // up through the parents while nobody accepts it.
  MainWindowFixture f;
  f.window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f.window()));
  for (const char* name : {"HScroll1", "Picture1", "VScroll1"}) {
    QWidget* target = f.find(name);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    const std::int16_t before = f.app().s.PixelGridStep;
    QTest::keyClick(f.window().windowHandle(), Qt::Key_Plus, Qt::NoModifier);
    QCOMPARE(f.app().s.PixelGridStep, static_cast<std::int16_t>(before / 2));
  }
}

void MainWindowTest::keyWithoutTextIsIgnored() {
  MainWindowFixture f;
  f.app().s.PixelGridStep = 640;
  // "-" at 640 would give 1280; a key without a character is no command.
  QTest::keyClick(f.find("Picture1"), Qt::Key_F5);
  QTest::keyClick(f.find("Picture1"), Qt::Key_Shift);
  QCOMPARE(f.app().s.PixelGridStep, std::int16_t{640});
  QTest::keyClick(f.find("Picture1"), '-');
  QCOMPARE(f.app().s.PixelGridStep, std::int16_t{1280});
}

// Source: the key table ("m" toggles manual selection and recaptions
// Selectmode).
void MainWindowTest::keyMFlipsSelectModeCaption() {
  MainWindowFixture f;
  QAction* select = f.window().menuAction(Menu::Selectmode);
  QCOMPARE(select->text(), QString("Manual selection mode"));
  QTest::keyClick(f.find("Picture1"), 'm');
  QCOMPARE(select->text(), QString("Autoselect mode"));
  QCOMPARE(f.app().s.ManualSelection, std::int16_t{-1});
  QTest::keyClick(f.find("HScroll1"), 'm');
  QCOMPARE(select->text(), QString("Manual selection mode"));
  QCOMPARE(f.app().s.ManualSelection, std::int16_t{0});
}

void MainWindowTest::keysIgnoredWhileMainDisabled() {
  MainWindowFixture f;
  f.app().win.SetMainEnabled(false);
  QVERIFY(!f.find("Picture1")->isEnabled());
  QVERIFY(!f.window().menuBar()->isEnabled());
  QTest::keyClick(&f.window(), '+');
  QCOMPARE(f.app().s.PixelGridStep, std::int16_t{1280});
  f.app().win.SetMainEnabled(true);
  QTest::keyClick(&f.window(), '+');
  QCOMPARE(f.app().s.PixelGridStep, std::int16_t{640});
}

void MainWindowTest::layoutFollowsSize_data() {
  QTest::addColumn<QSize>("client");
  QTest::newRow("designed") << QSize(505, 433);
  QTest::newRow("large") << QSize(1000, 800);
  QTest::newRow("narrow") << QSize(12, 300);
  QTest::newRow("low") << QSize(400, 10);
}

// Source: the window layout steps and their guards (a bar 17 screen pixels
// wide at the right; nothing negative when the window is tiny).
void MainWindowTest::layoutFollowsSize() {
  QFETCH(QSize, client);
  MainWindowFixture f;
  MainWindow& w = f.window();
  const int hTopBefore = f.find("HScroll1")->y();
  w.resize(client.width(), client.height() + w.menuBar()->height());
  QTRY_VERIFY(w.client()->size() != QSize());
  QCoreApplication::processEvents();
  const QSize got = w.client()->size();  // the platform may refuse a tiny window
  auto* v = f.find<QScrollBar>("VScroll1");
  auto* h = f.find<QScrollBar>("HScroll1");
  auto* frame = f.find("Frame1");
  QCOMPARE(v->x(), std::max(0, got.width() - 17));
  QCOMPARE(v->y(), 0);
  QCOMPARE(v->width(), 17);
  QCOMPARE(h->x(), 0);
  QCOMPARE(h->width(), v->x());
  QCOMPARE(h->height(), 17);
  if (got.height() < 17) {
    QCOMPARE(v->height(), 0);
    QCOMPARE(h->y(), hTopBefore);  // the bar keeps its place
  } else {
    QCOMPARE(v->height(), got.height() - 17);
    QCOMPARE(h->y(), v->height());
  }
  QCOMPARE(frame->y() + frame->height(), h->y());
  QCOMPARE(frame->width(), h->width());
  // Scroll ranges: picture box minus the outer window, never negative.
  const int outerW = w.toTwips(w.frameGeometry().width()), outerH = w.toTwips(w.frameGeometry().height());
  QCOMPARE(h->maximum(), std::max(0, f.app().geo.pictureWidth - outerW));
  QCOMPARE(v->maximum(), std::max(0, f.app().geo.pictureHeight - outerH));
}

// Source: picture navigation (Picture1.Left = -HScroll1 value, in twips).
void MainWindowTest::scrollValueMovesPicture() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  auto* h = f.find<QScrollBar>("HScroll1");
  auto* v = f.find<QScrollBar>("VScroll1");
  QCOMPARE(h->singleStep(), 20);
  QCOMPARE(h->pageStep(), 500);
  QCOMPARE(v->singleStep(), 20);
  QCOMPARE(v->pageStep(), 500);
  h->setValue(1500);
  v->setValue(3000);
  QCOMPARE(f.find("Picture1")->pos(), QPoint(-w.toPixels(1500), -w.toPixels(3000)));
  // The port holds values inside the range.
  f.app().win.SetScrollValue(ScrollBar::H, -40);
  QCOMPARE(h->value(), 0);
  f.app().win.SetScrollValue(ScrollBar::V, 1 << 20);
  QCOMPARE(v->value(), v->maximum());
  QCOMPARE(f.find("Picture1")->y(), -w.toPixels(v->maximum()));
}

// Source: the key table ("6" moves right by 1000; a step past the end
// stops at the end).
void MainWindowTest::digitKeysStepAndClamp() {
  MainWindowFixture f;
  auto* h = f.find<QScrollBar>("HScroll1");
  QVERIFY(h->maximum() > 2000);
  QTest::keyClick(f.find("Picture1"), '6');
  QCOMPARE(h->value(), 1000);
  h->setValue(h->maximum() - 300);
  QTest::keyClick(f.find("Picture1"), '6');
  QCOMPARE(h->value(), h->maximum());
  QTest::keyClick(f.find("VScroll1"), '8');
  QCOMPARE(f.find<QScrollBar>("VScroll1")->value(), 0);
}

// Source: pointer read-out at start-up (system 0, zero point (0, 0)):
// picture pixel (100, 50) reads X=100, Y=-50.
void MainWindowTest::pointerReadoutUsesPicturePixels() {
  MainWindowFixture f;
  f.window().picture().Fill(300, 200, RGB(30, 60, 90));
  auto* canvas = f.find("Picture1");
  f.find<QScrollBar>("HScroll1")->setValue(f.window().toTwips(40));  // picture moved 40 px left
  QCOMPARE(canvas->x(), -40);
  QTest::mouseMove(canvas, QPoint(100, 50));
  QTRY_VERIFY(f.find<QLabel>("Label1")->text().startsWith("n=0 , X=100 , Y=-50 grayscale=60 "));
}

void MainWindowTest::endButtonsFollowPort() {
  MainWindowFixture f;
  MainWindow& w = f.window();
  auto* dirend = f.find<QPushButton>("dirend");
  QVERIFY(dirend->isHidden());
  QCOMPARE(dirend->size(), QSize(w.toPixels(972), w.toPixels(372)));
  f.app().win.SetEndVisible(EndButton::dirend, true);
  f.app().win.SetEndTop(EndButton::dirend, 360);
  QVERIFY(f.app().win.EndVisible(EndButton::dirend));
  QVERIFY(dirend->isVisible());
  QCOMPARE(dirend->pos(), QPoint(0, w.toPixels(360)));
  f.app().win.SetEndVisible(EndButton::dirend, false);
  QVERIFY(!f.app().win.EndVisible(EndButton::dirend));
}

// Each menu item runs its own command: a change of state the command makes,
// or the dialog / box it opens (closed again at once).
void MainWindowTest::menuCommandsReachTheirHandlers() {
  struct Row {
    Menu item;
    QString modalTitle;  // empty: no modal widget expected
    std::function<bool(MainWindowFixture&)> after;
  };
  const Row rows[] = {
      {Menu::objectview, {}, [](MainWindowFixture& f) { return f.app().s.ShowObjects == 1; }},
      {Menu::Selectmode, {}, [](MainWindowFixture& f) { return f.app().s.ManualSelection == -1; }},
      {Menu::Ishodiste, {}, [](MainWindowFixture& f) { return f.app().s.ZeroPointPending == 1; }},
      {Menu::koor, "Coordinate system", [](MainWindowFixture& f) { return f.window().inputEnabled(); }},
      {Menu::dnevnihod, "orientation", [](MainWindowFixture& f) { return f.app().win.EndVisible(EndButton::dirend); }},
      {Menu::ossunca, "Orientation of polar axe",
       [](MainWindowFixture& f) { return f.app().s.AxisInput != 0 && f.app().win.EndVisible(EndButton::dirend); }},
      {Menu::ucitavanje, "Open picture", [](MainWindowFixture& f) { return f.window().inputEnabled(); }},
      // No picture, so no disc: the message, and no limb input.
      {Menu::AutoLimb, "Pelorin", [](MainWindowFixture& f) { return !f.app().win.EndVisible(EndButton::limbend); }},
      {Menu::naredbe, "Pelorin", [](MainWindowFixture&) { return true; }},
      {Menu::uputa, "Pelorin", [](MainWindowFixture&) { return true; }},
      {Menu::about, "Pelorin", [](MainWindowFixture&) { return true; }},
      // Nothing to undo or redo before a picture: said in a box.
      {Menu::Undo, "Pelorin", [](MainWindowFixture&) { return true; }},
      {Menu::Redo, "Pelorin", [](MainWindowFixture&) { return true; }},
      // No picture, so nothing to export: said before any file is asked for.
      {Menu::ExportMeasurements, "Pelorin", [](MainWindowFixture&) { return true; }},
      // No spots found, so no region summary: said before any file is asked for.
      {Menu::ExportRegionSummary, "Pelorin", [](MainWindowFixture&) { return true; }},
      {Menu::Measurements, {}, [](MainWindowFixture& f) { return f.window().measurementsPanel()->isVisible(); }},
  };
  for (const Row& row : rows) {
    MainWindowFixture f;
    QAction* action = f.window().menuAction(row.item);
    action->setEnabled(true);
    QString seen;
    if (!row.modalTitle.isEmpty()) {
      WhenModal([&seen](QWidget* modal) {
        seen = modal->windowTitle();
        modal->close();
      });
    }
    action->trigger();
    QTRY_COMPARE(seen, row.modalTitle);
    QVERIFY2(row.after(f), MenuName(row.item));
  }
}

// Source: the end of the program (a.tmp stays on disk; nothing else was
// created before a picture was opened).
void MainWindowTest::closeEndsTheProgramsFiles() {
  MainWindowFixture f;
  QVERIFY(f.app().file1.IsOpen());
  f.window().menuAction(Menu::Close)->trigger();
  QVERIFY(!f.window().isVisible());
  QVERIFY(!f.app().file1.IsOpen());
  QVERIFY(std::filesystem::exists(f.folder() + "/a.tmp"));
}

// Source: the zero-point command (the next click on the picture stores its
// position in picture pixels).
void MainWindowTest::clickSetsZeroPointAtPicturePixel() {
  MainWindowFixture f;
  f.window().picture().Fill(400, 300, RGB(200, 200, 200));
  f.find<QScrollBar>("VScroll1")->setValue(f.window().toTwips(30));
  f.app().s.ZeroPointPending = 1;
  auto* canvas = f.find("Picture1");
  QCOMPARE(canvas->y(), -30);
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(120, 80));
  QCOMPARE(f.app().s.ZeroPointX, 120.0);
  QCOMPARE(f.app().s.ZeroPointY, 80.0);
  QCOMPARE(f.app().s.ZeroPointPending, 0.0f);
}

// Source: picture navigation (a Shift-drag adds the pointer's offset in
// pixels to the scroll values in twips, and the release redraws).
void MainWindowTest::shiftDragMovesPicture() {
  MainWindowFixture f;
  auto* canvas = f.find("Picture1");
  auto* h = f.find<QScrollBar>("HScroll1");
  auto* v = f.find<QScrollBar>("VScroll1");
  h->setValue(600);
  v->setValue(600);
  const auto send = [canvas](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(canvas->mapToGlobal(at)), button, held, Qt::ShiftModifier);
    QApplication::sendEvent(canvas, &e);
  };
  send(QEvent::MouseButtonPress, {300, 200}, Qt::LeftButton, Qt::LeftButton);
  QCOMPARE(f.app().s.QuickMoveActive, std::uint8_t{1});
  send(QEvent::MouseMove, {290, 230}, Qt::NoButton, Qt::LeftButton);
  QCOMPARE(h->value(), 610);  // 600 + 300 - 290
  QCOMPARE(v->value(), 570);  // 600 + 200 - 230
  send(QEvent::MouseButtonRelease, {290, 230}, Qt::LeftButton, Qt::NoButton);
  QCOMPARE(f.app().s.QuickMoveActive, std::uint8_t{0});
}

PELORIN_GUI_TEST(MainWindowTest);

#include "mainwindow_test.moc"
