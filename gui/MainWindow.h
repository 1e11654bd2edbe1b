// Form1, the main window: the picture (Picture1) under the client area, the
// two scroll bars, the status line, the three End buttons and the menu bar.
// The window only shows the program state and forwards its events to the
// core's handlers; which item is enabled, what the status line says and
// where the picture is are all decided by the core through the window port.
#pragma once

#include <array>

#include <QMainWindow>
#include <QPointF>
#include <QSize>

#include "QtPicture.h"
#include "QtWindowPort.h"
#include "app/App.h"

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;

namespace pelorin::gui {

class Canvas;
class MeasurementsPanel;
class SeriesWindow;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs the core's start-up (Form_Load, which creates
  // a.tmp in the current folder; a failure there is shown and the window
  // still opens). Key presses are routed to the dispatcher when the running
  // QApplication is a pelorin::gui::Application.
  explicit MainWindow(QWidget* parent = nullptr);
  // Ends the program's files (form_unload) if closing did not already.
  ~MainWindow() override;

  App& app() { return app_; }
  QtPicture& picture() { return picture_; }
  Canvas* canvas() const { return canvas_; }
  // The client area below the menu bar, holding every control.
  QWidget* client() const { return client_; }
  QScrollBar* scrollBar(ScrollBar b) const { return b == ScrollBar::H ? hscroll_ : vscroll_; }
  QPushButton* endButton(EndButton b) const { return ends_[static_cast<std::size_t>(b)]; }
  QFrame* statusFrame() const { return frame_; }
  QLabel* statusLabel() const { return label_; }
  // The menu item (for a menu or submenu: its entry in the parent menu).
  QAction* menuAction(Menu m) const { return actions_[static_cast<std::size_t>(m)]; }
  // The menu or submenu itself; nullptr for a plain item.
  QMenu* menu(Menu m) const { return menus_[static_cast<std::size_t>(m)]; }

  // Twips per screen pixel: 1440 / the screen's logical dots per inch.
  float twipsPerPixel() const { return tpp_; }
  int toPixels(int twips) const;
  int toTwips(int pixels) const;

  // The main window's own controls accept input (false while a modal dialog
  // of the program is open). The dialogs themselves stay usable.
  void setInputEnabled(bool enabled);
  bool inputEnabled() const { return inputEnabled_; }

  // Form_Resize for the current size, and the returned layout applied.
  void relayout();

  // The view: the shell's own View menu items, which never reach the key
  // dispatcher.
  enum class ViewItem { ZoomIn, ZoomOut, Fit, ActualPixels, Count };
  QAction* viewAction(ViewItem item) const { return viewActions_[static_cast<std::size_t>(item)]; }
  // Where the zoom is shown (the right end of the status line).
  QLabel* zoomLabel() const { return zoomLabel_; }
  // The one function that sets the zoom (clamped to 1/16 .. 16): the
  // picture point under `anchor` (client-area pixels) stays there, as far
  // as the scroll range allows.
  void setZoom(double zoom, QPointF anchor);
  // The same about the middle of the view.
  void setZoom(double zoom);
  // The largest zoom that shows the picture whole (up to 8x).
  void fitToWindow();
  // The part of the client area where the picture shows: left of the
  // vertical bar, above the status line (pixels).
  QSize viewSize() const;

  // The measurement panel (View -> Measurements), a dock at the right.
  MeasurementsPanel* measurementsPanel() const { return panel_; }
  // Scrolls the view so that picture point p shows in its middle (as far
  // as the scroll range allows), at the zoom it has.
  void centreOn(QPointF p);
  // Tools -> "Series…": a new Series window beside this one (not modal),
  // which asks for its folders or data files when `ask`.
  SeriesWindow* openSeries(bool ask = true);

  // Designed client area, twips.
  static constexpr int kClientWidthTwips = 7575, kClientHeightTwips = 6495;
  // Control sizes, twips (the scroll bars are 17 screen pixels thick).
  static constexpr int kEndWidthTwips = 972, kEndHeightTwips = 372;
  static constexpr int kFrameHeightTwips = 372, kLabelTopTwips = 120, kLabelHeightTwips = 252;
  static constexpr int kScrollBarPixels = 17;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildMenus();
  void connectScrollBar(QScrollBar* bar, void (*change)(App&), void (*scroll)(App&), const char* name);
  void moveCanvas();
  void pictureLoaded();
  void onKey(const QKeyEvent& event);
  void unload();
  void buildViewMenu();
  // The one place that decides which View items are enabled, and the zoom
  // shown.
  void updateViewActions();
  // A key press that is one of the View items' shortcuts.
  bool isViewShortcut(const QKeyEvent& event) const;
  // After every command: marks drawn outside a redraw are shown, and the
  // panel reads the records again when they changed (shown once a picture
  // has records, unless it was hidden by hand).
  void afterCommand();
  // Shows the measurement panel, as wide as its columns want up to a third
  // of the window.
  void showPanel();
  void buildPanel();
  // A click on Picture1 at picture pixel p that selects the panel's row of
  // a stored mark under it (panel open, no input open). True when it did.
  bool selectMarkAt(QPointF p, int button, int shift);

  float tpp_ = 15.0f;
  QtPicture picture_;
  QtWindowPort port_{*this};
  App app_{port_, picture_};

  QWidget* client_ = nullptr;
  Canvas* canvas_ = nullptr;
  QScrollBar* hscroll_ = nullptr;
  QScrollBar* vscroll_ = nullptr;
  QFrame* frame_ = nullptr;
  QLabel* label_ = nullptr;
  std::array<QPushButton*, 3> ends_{};
  std::array<QAction*, static_cast<std::size_t>(Menu::Count)> actions_{};
  std::array<QMenu*, static_cast<std::size_t>(Menu::Count)> menus_{};
  std::array<QAction*, static_cast<std::size_t>(ViewItem::Count)> viewActions_{};
  QLabel* zoomLabel_ = nullptr;
  MeasurementsPanel* panel_ = nullptr;
  bool panelHiddenByHand_ = false;

  bool started_ = false;    // Form_Load has run
  bool unloaded_ = false;   // form_unload has run
  bool inputEnabled_ = true;
  bool relayoutQueued_ = false;
};

}  // namespace pelorin::gui
