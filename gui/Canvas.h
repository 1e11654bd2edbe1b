// Picture1: the widget that shows the picture buffer and reports the mouse.
//
// The canvas is a large widget that slides under the main window's client
// area: its top-left corner is at (-HScroll1 / TwipsPerPixel,
// -VScroll1 / TwipsPerPixel) screen pixels. It shows the picture at a zoom
// (screen pixels per picture pixel), so a widget position is a picture
// pixel times the zoom. At 1:1 its size is at least 32000 twips and at
// least the picture with the window's chrome (see SetViewport); at any other
// zoom it is the picture's size on screen, and it is centred in the view
// where it is smaller than the view.
#pragma once

#include <cstddef>
#include <functional>

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QWidget>

#include "View.h"
#include "app/App.h"

namespace pelorin::gui {

class QtPicture;

class Canvas : public QWidget {
  Q_OBJECT

 public:
  Canvas(App& app, QtPicture& picture, QWidget* parent);

  // The picture pixel under a position of this widget at `zoom`: the one
  // place where mouse positions become picture positions (the pixel whose
  // square holds the point, x to the right, y downwards).
  static QPointF PixelAt(const QPointF& widgetPos, double zoom = 1.0);
  // The widget position of picture point p (its inverse: the top-left
  // corner of pixel (x, y) is at (x, y) * zoom).
  static QPointF WidgetAt(const QPointF& picturePoint, double zoom) { return picturePoint * zoom; }

  // Screen pixels per picture pixel (1/16 .. 16). SetZoom resizes the
  // widget (SyncSize); the scroll ranges follow with the next layout.
  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);

  // What the window tells the canvas of itself: `view`, the part of the
  // client area where the picture shows (left of the vertical bar, above
  // the status line), and `chrome`, how much larger the outer window is
  // than that part (screen pixels). The scroll range is made from them so
  // that the picture's last pixel can be scrolled into view at every zoom.
  void SetViewport(QSize view, QSize chrome);
  QSize Viewport() const { return view_; }

  // The display cache for reduced views (bytes), for the benchmarks.
  std::size_t CacheBytes() const { return reduction_.Bytes(); }

  // The core's mouse codes: buttons left 1, right 2, middle 4; modifiers
  // Shift 1, Ctrl 2, Alt 4.
  static int ButtonCode(Qt::MouseButtons buttons);
  static int ShiftCode(Qt::KeyboardModifiers modifiers);

  // Sets the widget's size from the picture and the zoom (at 1:1 at least
  // 32000 twips a side, and the picture plus the chrome) and keeps
  // app.geo.pictureWidth/Height (twips, the
  // extent the scroll range is made of) in step. Returns true when the size
  // changed.
  bool SyncSize();

  // Places the widget for the scroll values (twips), or centred in the view
  // where it is smaller (away from 1:1).
  void ScrollTo(int hValueTwips, int vValueTwips);

  // Repaints what the picture reports as changed (marks drawn or removed),
  // once the command that is running has finished: a redraw of a few marks
  // repaints those, not the whole picture.
  void RepaintChanged();

  // Asked first about each mouse button pressed on the picture, with the
  // picture pixel and the core's codes: true takes the press, which then
  // does not reach the core.
  std::function<bool(QPointF pixel, int button, int shift)> pressFilter;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 signals:
  // Ctrl + wheel: `steps` zoom steps (up: in) about widget position `at`.
  void zoomRequested(QPointF at, int steps);
  // The wheel without Ctrl: `steps` notches, sideways with Shift.
  void scrollRequested(int steps, bool sideways);

 private:
  int ToPixels(int twips) const;
  // A Shift-drag step away from 1:1, in screen distances (see the .cpp).
  void DragStep(const QPointF& widgetPos);
  App& app_;
  QtPicture& picture_;
  bool repaintQueued_ = false;
  double zoom_ = 1.0;
  QSize view_, chrome_;
  view::Reduction reduction_;
  QImage frame_;  // the part being painted, kept between paints
  int wheelZoom_ = 0, wheelScroll_ = 0;  // wheel turns short of a notch
};

}  // namespace pelorin::gui
