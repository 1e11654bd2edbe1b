#include "MainWindow.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>

#include "Application.h"
#include "Canvas.h"
#include "Guard.h"
#include "MeasurementsPanel.h"
#include "SeriesWindow.h"
#include "View.h"
#include "app/Dispatcher.h"
#include "app/Help.h"
#include "app/MonthlyReport.h"
#include "app/Navigation.h"
#include "app/Startup.h"
#include "app/View.h"
#include "app/LimbInput.h"
#include "app/OrientationInput.h"
#include "app/Compare.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/SaveImage.h"
#include "app/WorkGuard.h"
#include "app/CoordDialog.h"
#include "app/DateDialog.h"
#include "app/Geometry.h"
#include "app/Edits.h"
#include "app/ExportMeasurements.h"
#include "app/RegionSummary.h"
#include "formats/Export.h"
#include "app/SpotReview.h"
#include "app/Points.h"

namespace pelorin::gui {

namespace {

std::size_t Index(Menu m) { return static_cast<std::size_t>(m); }

// A caption as Qt shows it: "&" is not a mnemonic.
QString Caption(const char* text) { return QString::fromUtf8(text).replace("&", "&&"); }

void Name(QObject* object, const char* name) {
  object->setObjectName(name);
  if (auto* widget = qobject_cast<QWidget*>(object)) widget->setAccessibleDescription(name);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form1");
  setWindowTitle("Pelorin");
  const int dpi = logicalDpiX();
  tpp_ = dpi > 0 ? 1440.0f / static_cast<float>(dpi) : 15.0f;
  app_.s.TwipsPerPixel = tpp_;  // the canvas sizes itself before Form_Load stores it

  buildControls();
  buildMenus();
  buildViewMenu();
  buildPanel();
  // Nine tenths of the screen's available width and height (81 % of its
  // area), never below the designed client area, in the middle of the
  // screen.
  QSize size(toPixels(kClientWidthTwips), toPixels(kClientHeightTwips) + menuBar()->sizeHint().height());
  if (const QScreen* s = screen()) {
    const QRect available = s->availableGeometry();
    size = size.expandedTo(available.size() * 0.9);
    resize(size);
    move(available.center() - QPoint(size.width() / 2, size.height() / 2));
  } else {
    resize(size);
  }

  picture_.onRefresh = [this] { canvas_->RepaintChanged(); };
  picture_.onLoaded = [this] { pictureLoaded(); };

  if (auto* application = Application::Instance()) {
    application->RouteKeys(this, [this](const QKeyEvent& event) { onKey(event); });
  } else {
    qWarning("pelorin: key commands need a pelorin::gui::Application");
  }

  try {
    Form_Load(app_, tpp_);
  } catch (const std::exception& e) {
    port_.MessageBox(std::string("The program could not start cleanly: ") + e.what());
  }
  started_ = true;
  relayout();
  updateViewActions();
  canvas_->setFocus();
}

MainWindow::~MainWindow() {
  // The panel reports its hiding while the window's children go.
  if (panel_ != nullptr) disconnect(panel_, nullptr, this, nullptr);
  if (auto* application = Application::Instance(); application && application->KeyWindow() == this) {
    application->RouteKeys(nullptr, {});
  }
  unload();
  picture_.onRefresh = nullptr;
  picture_.onLoaded = nullptr;
}

int MainWindow::toPixels(int twips) const { return static_cast<int>(std::lround(twips / tpp_)); }
int MainWindow::toTwips(int pixels) const { return static_cast<int>(std::lround(pixels * tpp_)); }

void MainWindow::buildControls() {
  client_ = new QWidget(this);
  client_->setObjectName("client");
  client_->setMinimumSize(0, 0);
  client_->installEventFilter(this);
  setCentralWidget(client_);

  // Picture1 lies at the bottom; everything else is drawn over it.
  canvas_ = new Canvas(app_, picture_, client_);
  canvas_->move(0, 0);

  vscroll_ = new QScrollBar(Qt::Vertical, client_);
  hscroll_ = new QScrollBar(Qt::Horizontal, client_);
  Name(vscroll_, "VScroll1");
  Name(hscroll_, "HScroll1");
  vscroll_->setAccessibleName("Vertical position");
  hscroll_->setAccessibleName("Horizontal position");
  for (QScrollBar* bar : {hscroll_, vscroll_}) {
    bar->setRange(0, 0);
    bar->setSingleStep(20);
    bar->setPageStep(500);
    bar->setFocusPolicy(Qt::StrongFocus);
  }
  hscroll_->setGeometry(0, client_->height() - kScrollBarPixels, client_->width(), kScrollBarPixels);
  connectScrollBar(hscroll_, &HScroll1_Change, &HScroll1_Scroll, "HScroll1");
  connectScrollBar(vscroll_, &VScroll1_Change, &VScroll1_Scroll, "VScroll1");

  frame_ = new QFrame(client_);
  Name(frame_, "Frame1");
  frame_->setFrameShape(QFrame::NoFrame);
  frame_->setAutoFillBackground(true);  // a frame hides the picture under it
  frame_->resize(0, toPixels(kFrameHeightTwips));
  label_ = new QLabel(frame_);
  Name(label_, "Label1");
  label_->setTextFormat(Qt::PlainText);
  label_->setAutoFillBackground(true);
  QPalette green = label_->palette();
  green.setColor(QPalette::Window, QColor(128, 255, 128));
  label_->setPalette(green);
  label_->setGeometry(0, toPixels(kLabelTopTwips), 0, toPixels(kLabelHeightTwips));
  // The zoom, at the right end of the status line (placed by relayout).
  zoomLabel_ = new QLabel(frame_);
  Name(zoomLabel_, "zoomLabel");
  zoomLabel_->setAccessibleName("Zoom");
  zoomLabel_->setTextFormat(Qt::PlainText);
  zoomLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  zoomLabel_->setAutoFillBackground(true);
  zoomLabel_->setPalette(green);

  struct EndInfo {
    EndButton button;
    const char* name;
    int topTwips;
    void (*handler)(App&);
  };
  const EndInfo endInfo[] = {{EndButton::limbend, "limbend", 0, &limbend_Click},
                             {EndButton::dirend, "dirend", 360, &dirend_Click},
                             {EndButton::Objektend, "Objektend", 720, &Objektend_Click}};
  for (const EndInfo& info : endInfo) {
    auto* button = new QPushButton("End", client_);
    Name(button, info.name);
    button->setAccessibleName("End");
    button->setAutoDefault(false);
    button->setGeometry(0, toPixels(info.topTwips), toPixels(kEndWidthTwips), toPixels(kEndHeightTwips));
    button->hide();
    auto* handler = info.handler;
    connect(button, &QPushButton::clicked, this, [this, handler, b = info.button] {
      RunHandler(app_, "End", [&] {
        // A limb or orientation input ended is one step of the undo history.
        if (b == EndButton::limbend) CalibrationEnd(app_, handler, b, "Limb calibration");
        else if (b == EndButton::dirend) CalibrationEnd(app_, handler, b, "Orientation calibration");
        else handler(app_);
      }, true);
      afterCommand();
    });
    ends_[static_cast<std::size_t>(info.button)] = button;
  }
}

void MainWindow::connectScrollBar(QScrollBar* bar, void (*change)(App&), void (*scroll)(App&), const char* name) {
  // A value change moves the picture and redraws (the core skips the redraw
  // during a Shift-drag). While the thumb is dragged each step is a "scroll"
  // (always redrawn) and the change follows once, when the thumb is let go.
  const std::string what = name;
  auto pressValue = std::make_shared<int>(0);
  connect(bar, &QScrollBar::valueChanged, this, [this, bar, change, what](int) {
    moveCanvas();
    if (!bar->isSliderDown()) RunHandler(app_, what, [&] { change(app_); });
  });
  connect(bar, &QScrollBar::sliderPressed, this, [bar, pressValue] { *pressValue = bar->value(); });
  connect(bar, &QScrollBar::sliderMoved, this, [this, bar, scroll, what](int value) {
    if (bar == hscroll_) canvas_->ScrollTo(value, vscroll_->value());
    else canvas_->ScrollTo(hscroll_->value(), value);
    RunHandler(app_, what, [&] { scroll(app_); });
  });
  connect(bar, &QScrollBar::sliderReleased, this, [this, bar, change, what, pressValue] {
    if (bar->value() != *pressValue) RunHandler(app_, what, [&] { change(app_); });
  });
}

void MainWindow::buildMenus() {
  // The menu bar in the order of the program's menu table. `parent` Count
  // marks a menu of the bar itself.
  struct Item {
    Menu item;
    Menu parent;
    bool submenu;
    std::function<void(App&)> handler;
  };
  const Item items[] = {
      {Menu::File, Menu::Count, true, {}},
      {Menu::ucitavanje, Menu::File, false, &ucitavanje_Click},
      {Menu::spremi, Menu::File, false, &spremi_Click},
      {Menu::spremisliku, Menu::File, false, &spremisliku_Click},
      {Menu::ExportMeasurements, Menu::File, false, &ExportMeasurements_Click},
      {Menu::ExportRegionSummary, Menu::File, false, &ExportRegionSummary_Click},
      {Menu::Close, Menu::File, false, [this](App&) { close(); }},
      {Menu::Edit, Menu::Count, true, {}},
      {Menu::Undo, Menu::Edit, false, &Undo_Click},
      {Menu::Redo, Menu::Edit, false, &Redo_Click},
      {Menu::Setings, Menu::Count, true, {}},
      {Menu::koor, Menu::Setings, false, &koor_Click},
      {Menu::Ishodiste, Menu::Setings, false, &Ishodiste_Click},
      {Menu::datum, Menu::Setings, false, &datum_Click},
      {Menu::Ulaz, Menu::Setings, true, {}},
      {Menu::Limb, Menu::Ulaz, false, [](App& a) { CalibrationStart(a, &Limb_Click); }},
      {Menu::AutoLimb, Menu::Ulaz, false, [](App& a) { CalibrationStart(a, &AutoLimb_Click); }},
      {Menu::orient, Menu::Ulaz, true, {}},
      {Menu::dnevnihod, Menu::orient, false, [](App& a) { CalibrationStart(a, &dnevnihod_Click); }},
      {Menu::ossunca, Menu::orient, false, [](App& a) { CalibrationStart(a, &ossunca_Click); }},
      {Menu::Objekt, Menu::Setings, false, &Objekt_Click},
      {Menu::ObserverK, Menu::Setings, false,
       [](App& a) {
         ObserverK_Click(a);
         QSettings().setValue("spots/k", a.observerK);
       }},
      {Menu::Tools, Menu::Count, true, {}},
      {Menu::Selectmode, Menu::Tools, false, &Selectmode_Click},
      {Menu::Compare, Menu::Tools, false, &Compare_Click},
      {Menu::Series, Menu::Tools, false, [this](App&) { openSeries(); }},
      {Menu::MonthlyReport, Menu::Tools, false,
       [this](App& a) {
         const QString folder = QFileDialog::getExistingDirectory(this, "Monthly report: a folder of data files");
         if (!folder.isEmpty()) SaveMonthlyReport(a, folder.toStdString());
       }},
      {Menu::FindSpots, Menu::Tools, false,
       [this](App& a) {
         FindSpots_Click(a, panel_->Threshold());
         if (a.review && panel_->isHidden()) showPanel();
       }},
      {Menu::View, Menu::Count, true, {}},
      {Menu::mreza, Menu::View, false, &mreza_Click},
      {Menu::objectview, Menu::View, false, &objectview_Click},
      {Menu::Measurements, Menu::View, false,
       [this](App&) {
         const bool show = menuAction(Menu::Measurements)->isChecked();
         panelHiddenByHand_ = !show;
         panel_->setVisible(show);
       }},
      {Menu::Help, Menu::Count, true, {}},
      {Menu::uputa, Menu::Help, false, &uputa_Click},
      {Menu::naredbe, Menu::Help, false, &naredbe_Click},
      {Menu::about, Menu::Help, false, &about_Click},
  };
  for (const Item& it : items) {
    const char* name = MenuName(it.item);
    const QString caption = Caption(MenuCaption(it.item));
    QAction* action = nullptr;
    if (it.submenu) {
      QMenu* m = it.parent == Menu::Count ? menuBar()->addMenu(caption) : menus_[Index(it.parent)]->addMenu(caption);
      m->setObjectName(name);
      action = m->menuAction();
      menus_[Index(it.item)] = m;
    } else {
      action = menus_[Index(it.parent)]->addAction(caption);
      const auto handler = it.handler;
      const std::string what = MenuCaption(it.item);
      connect(action, &QAction::triggered, this, [this, handler, what] {
        RunHandler(app_, what, [&] { handler(app_); }, true);
        afterCommand();
      });
    }
    action->setObjectName(name);
    actions_[Index(it.item)] = action;
  }

  // View -> "Brightness scale": one of three, for pictures of data (FITS,
  // grey JPEG 2000). The core decides what a choice does.
  QMenu* view = menus_[Index(Menu::View)];
  QMenu* scales = view->addMenu("Brightness scale");
  scales->setObjectName("brightness");
  scales->menuAction()->setObjectName("brightness");
  auto* group = new QActionGroup(scales);
  for (int i = 0; i < kBrightnessScaleCount; ++i) {
    const auto scale = static_cast<BrightnessScale>(i);
    QAction* a = scales->addAction(BrightnessScaleCaption(scale));
    a->setObjectName(QString("brightness_%1").arg(i));
    a->setCheckable(true);
    a->setChecked(scale == picture_.Brightness());
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, scale] {
      RunHandler(app_, "Brightness scale", [&] { BrightnessScale_Click(app_, scale); }, true);
      canvas_->RepaintChanged();
    });
  }
  connect(view, &QMenu::aboutToShow, this, [this, scales] {
    scales->setEnabled(BrightnessScaleApplies(app_));
  });
}

SeriesWindow* MainWindow::openSeries(bool ask) {
  auto* w = new SeriesWindow(this);
  w->show();
  if (ask) w->askForSources();
  return w;
}

void MainWindow::setInputEnabled(bool enabled) {
  // Only the window's own controls: a modal dialog is a child window of the
  // main window and would be disabled with it.
  inputEnabled_ = enabled;
  client_->setEnabled(enabled);
  menuBar()->setEnabled(enabled);
  updateViewActions();
}

void MainWindow::moveCanvas() { canvas_->ScrollTo(hscroll_->value(), vscroll_->value()); }

void MainWindow::relayout() {
  if (!started_) return;
  // The view and the window around it, for the scroll range away from 1:1.
  const QSize view = viewSize();
  canvas_->SetViewport(view, frameGeometry().size() - view);
  canvas_->SyncSize();
  ResizeInput in;
  in.innerWidth = toTwips(client_->width());
  in.innerHeight = toTwips(client_->height());
  const QRect outer = frameGeometry();
  in.outerWidth = toTwips(outer.width());
  in.outerHeight = toTwips(outer.height());
  in.hscrollHeight = toTwips(kScrollBarPixels);
  in.hscrollTop = toTwips(hscroll_->y());
  in.frameHeight = kFrameHeightTwips;
  Layout l;
  bool laidOut = false;
  RunHandler(app_, "Window layout", [&] {
    l = Form_Resize(app_, in);
    laidOut = true;
  });
  if (!laidOut) return;
  vscroll_->setGeometry(toPixels(l.vscrollLeft), toPixels(l.vscrollTop), kScrollBarPixels, toPixels(l.vscrollHeight));
  hscroll_->setGeometry(toPixels(l.hscrollLeft), toPixels(l.hscrollTop), toPixels(l.hscrollWidth), kScrollBarPixels);
  frame_->setGeometry(toPixels(l.frameLeft), toPixels(l.frameTop), toPixels(l.frameWidth),
                      toPixels(kFrameHeightTwips));
  label_->setGeometry(0, toPixels(kLabelTopTwips), toPixels(l.labelWidth), toPixels(kLabelHeightTwips));
  const int zoomWidth = std::min(label_->width(), zoomLabel_->fontMetrics().horizontalAdvance("1600 % ") + 8);
  zoomLabel_->setGeometry(label_->width() - zoomWidth, label_->y(), zoomWidth, label_->height());
  zoomLabel_->raise();
  moveCanvas();  // centred in the new view where it is smaller
}

void MainWindow::pictureLoaded() {
  // A picture opens whole: the largest zoom that shows it in the view. The
  // picture box follows the picture and the zoom; the scroll ranges follow
  // with the next layout, run once the opening has finished.
  const double fit = view::FitZoom(QSize(picture_.Width(), picture_.Height()), viewSize());
  const bool zoomed = fit != canvas_->Zoom();
  if (zoomed) canvas_->SetZoom(fit);
  updateViewActions();
  if (!(canvas_->SyncSize() || zoomed) || relayoutQueued_) return;
  relayoutQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    relayoutQueued_ = false;
    relayout();
  });
}

void MainWindow::onKey(const QKeyEvent& event) {
  if (!started_ || !inputEnabled_) return;
  // The View items' keys are the shell's: "+" and "-" with Ctrl are not the
  // pixel grid's (also while an item is disabled and Qt passes its key on).
  if (isViewShortcut(event)) return;
  // Keys typed in the measurement panel are its own (its keyboard search,
  // its edits): a letter there must not open the next picture.
  if (panel_ != nullptr && panel_->isAncestorOf(QApplication::focusWidget())) return;
  const QString text = event.text();
  if (text.isEmpty()) return;  // keys without a character (arrows, Shift, F1)
  const auto code = static_cast<std::int16_t>(text.at(0).unicode());
  RunHandler(app_, "Key", [&] { Form_KeyPress(app_, code); }, true);
  afterCommand();
}

void MainWindow::unload() {
  if (unloaded_ || !started_) return;
  unloaded_ = true;
  RunHandler(app_, "End of the program", [&] { form_unload(app_); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Unsaved measurements are asked about first; Cancel (or a failed Save)
  // keeps the window open.
  bool leave = true;
  if (started_ && !unloaded_) RunHandler(app_, "Close", [&] { leave = ConfirmLeavePicture(app_); });
  if (!leave) {
    event->ignore();
    return;
  }
  unload();
  event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && started_ && !unloaded_) {
    RunHandler(app_, "Window activation", [&] { Form_Activate(app_); });
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) relayout();
  return QMainWindow::eventFilter(watched, event);
}

// --- the measurement panel ---

void MainWindow::buildPanel() {
  // The Edit menu's keys and the panel's item of the View menu.
  menuAction(Menu::Undo)->setShortcut(QKeySequence("Ctrl+Z"));
  menuAction(Menu::Redo)->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
  QAction* show = menuAction(Menu::Measurements);
  show->setCheckable(true);
  show->setShortcut(QKeySequence(Qt::Key_F9));

  panel_ = new MeasurementsPanel(app_, this);
  // The observer's k factor, as last set.
  app_.observerK = std::clamp(QSettings().value("spots/k", 1.0).toDouble(), 0.01, 10.0);
  panel_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  addDockWidget(Qt::RightDockWidgetArea, panel_);
  panel_->hide();
  panel_->run = [this](const char* what, std::function<void()> command) {
    if (!inputEnabled_) return;
    RunHandler(app_, what, [&] { command(); }, true);
    afterCommand();
  };
  panel_->centreOn = [this](QPointF p) { centreOn(p); };
  connect(panel_, &QDockWidget::visibilityChanged, this, [this, show](bool) {
    show->setChecked(!panel_->isHidden());
    // Closed by its own button: hidden by hand.
    if (panel_->isHidden()) panelHiddenByHand_ = true;
  });
  canvas_->pressFilter = [this](QPointF p, int button, int shift) { return selectMarkAt(p, button, shift); };
}

void MainWindow::afterCommand() {
  canvas_->RepaintChanged();  // marks drawn outside a redraw show as well
  if (panel_ != nullptr) panel_->SyncReview();
  if (panel_ == nullptr || !panel_->Sync()) return;
  if (!panelHiddenByHand_ && app_.book.list.RecordCount() > 0 && panel_->isHidden()) showPanel();
}

void MainWindow::showPanel() {
  panel_->show();
  panelHiddenByHand_ = false;
  resizeDocks({panel_}, {std::min(panel_->WidthWanted(), width() / 3)}, Qt::Horizontal);
}

bool MainWindow::selectMarkAt(QPointF p, int button, int shift) {
  if (panel_ == nullptr || panel_->isHidden() || button != 1 || shift != 0 || !inputEnabled_) return false;
  const ProgramState& s = app_.s;
  if (s.ZeroPointPending != 0) return false;
  for (EndButton b : {EndButton::limbend, EndButton::dirend, EndButton::Objektend}) {
    if (app_.win.EndVisible(b)) return false;
  }
  // While spots are reviewed, a click adds the missed spot there.
  if (app_.review) {
    RunHandler(app_, "Add a spot", [&] {
      const std::string error = AddSpotAt(*app_.review, p.x(), p.y());
      if (!error.empty()) app_.win.SetStatus(error);
      Redraw(app_);
    }, true);
    afterCommand();
    return true;
  }
  // A mark is three screen pixels wide at least: a click within four
  // screen pixels of its centre hits it.
  const double radius = std::max(2.0, 4.0 / canvas_->Zoom());
  const int line = RecordAt(app_.book.list, p.x(), p.y(), radius);
  if (line < 0) return false;
  panel_->SelectLine(static_cast<std::size_t>(line));
  return true;
}

void MainWindow::centreOn(QPointF p) {
  const double zoom = canvas_->Zoom();
  const QPointF at = zoom == 1.0 ? p : Canvas::WidgetAt(p + QPointF(0.5, 0.5), zoom);
  const QSize view = viewSize();
  hscroll_->setValue(toTwips(static_cast<int>(std::lround(at.x())) - view.width() / 2));
  vscroll_->setValue(toTwips(static_cast<int>(std::lround(at.y())) - view.height() / 2));
}

// --- the view ---

void MainWindow::buildViewMenu() {
  struct Item {
    ViewItem item;
    const char* name;
    const char* caption;
    QList<QKeySequence> keys;
    std::function<void()> run;
  };
  const Item items[] = {
      {ViewItem::ZoomIn, "zoomIn", "Zoom in", {QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")},
       [this] { setZoom(view::StepIn(canvas_->Zoom())); }},
      {ViewItem::ZoomOut, "zoomOut", "Zoom out", {QKeySequence("Ctrl+-")},
       [this] { setZoom(view::StepOut(canvas_->Zoom())); }},
      {ViewItem::Fit, "fitToWindow", "Fit to window", {QKeySequence("Ctrl+0")}, [this] { fitToWindow(); }},
      {ViewItem::ActualPixels, "actualPixels", "Actual pixels", {QKeySequence("Ctrl+1")}, [this] { setZoom(1.0); }},
  };
  QMenu* viewMenu = menus_[Index(Menu::View)];
  viewMenu->addSeparator();
  for (const Item& it : items) {
    QAction* action = viewMenu->addAction(it.caption);
    action->setObjectName(it.name);
    action->setShortcuts(it.keys);
    const auto run = it.run;
    connect(action, &QAction::triggered, this, [this, run] {
      if (inputEnabled_) run();
    });
    viewActions_[static_cast<std::size_t>(it.item)] = action;
  }
  connect(canvas_, &Canvas::zoomRequested, this, [this](QPointF at, int steps) {
    if (!inputEnabled_ || picture_.Width() <= 0) return;
    double zoom = canvas_->Zoom();
    for (int i = 0; i < std::abs(steps); ++i) zoom = steps > 0 ? view::StepIn(zoom) : view::StepOut(zoom);
    setZoom(zoom, QPointF(canvas_->mapTo(client_, at.toPoint())) + (at - QPointF(at.toPoint())));
  });
  connect(canvas_, &Canvas::scrollRequested, this, [this](int steps, bool sideways) {
    if (!inputEnabled_) return;
    // A notch is a key step (8 2 4 6): 1000 twips, a screen distance.
    QScrollBar* bar = sideways ? hscroll_ : vscroll_;
    bar->setValue(bar->value() - steps * 1000);
  });
}

bool MainWindow::isViewShortcut(const QKeyEvent& event) const {
  if (!(event.modifiers() & Qt::ControlModifier)) return false;
  // "+" needs Shift on many keyboards, and the keypad has its own.
  const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
  for (const QAction* action : viewActions_) {
    for (const QKeySequence& keys : action->shortcuts()) {
      if (keys.count() != 1) continue;
      const QKeyCombination k = keys[0];
      if (k.key() == event.key() &&
          (k.keyboardModifiers() == mods || k.keyboardModifiers() == (mods & ~Qt::ShiftModifier)))
        return true;
    }
  }
  return false;
}

QSize MainWindow::viewSize() const {
  return QSize(std::max(0, client_->width() - kScrollBarPixels),
               std::max(0, client_->height() - kScrollBarPixels - toPixels(kFrameHeightTwips)));
}

void MainWindow::setZoom(double zoom) {
  const QSize view = viewSize();
  setZoom(zoom, QPointF(view.width() / 2.0, view.height() / 2.0));
}

void MainWindow::setZoom(double zoom, QPointF anchor) {
  zoom = std::clamp(zoom, view::kMinZoom, view::kMaxZoom);
  if (picture_.Width() <= 0 || picture_.Height() <= 0) return;
  // The picture point under the anchor now, and where it must show after.
  const QPointF exact = (anchor - QPointF(canvas_->pos())) / canvas_->Zoom();
  canvas_->SetZoom(zoom);
  relayout();  // the scroll ranges of the new size (and a redraw)
  const QPointF shown = Canvas::WidgetAt(exact, zoom) - anchor;
  hscroll_->setValue(toTwips(static_cast<int>(std::lround(shown.x()))));
  vscroll_->setValue(toTwips(static_cast<int>(std::lround(shown.y()))));
  moveCanvas();
  canvas_->update();
  updateViewActions();
}

void MainWindow::fitToWindow() {
  if (picture_.Width() <= 0 || picture_.Height() <= 0) return;
  setZoom(view::FitZoom(QSize(picture_.Width(), picture_.Height()), viewSize()), QPointF(0, 0));
}

void MainWindow::updateViewActions() {
  if (viewActions_[0] == nullptr) return;
  const bool picture = picture_.Width() > 0 && picture_.Height() > 0;
  const double zoom = canvas_->Zoom();
  viewAction(ViewItem::ZoomIn)->setEnabled(picture && zoom < view::kMaxZoom);
  viewAction(ViewItem::ZoomOut)->setEnabled(picture && zoom > view::kMinZoom);
  viewAction(ViewItem::Fit)->setEnabled(picture);
  viewAction(ViewItem::ActualPixels)->setEnabled(picture);
  zoomLabel_->setText(view::ZoomText(zoom));
}

}  // namespace pelorin::gui
