// Picture1: the widget that shows the picture buffer and reports the mouse.
//
// The canvas is a large widget that slides under the main window's client
// area: its top-left corner is at (-HScroll1 / TwipsPerPixel,
// -VScroll1 / TwipsPerPixel) screen pixels, so a widget position is a
// picture pixel. Its size is at least 32000 twips and at least the picture.
#pragma once

#include <QPointF>
#include <QWidget>

#include "app/App.h"

namespace pelorin::gui {

class QtPicture;

class Canvas : public QWidget {
  Q_OBJECT

 public:
  Canvas(App& app, QtPicture& picture, QWidget* parent);

  // The picture pixel under a position of this widget: the one place where
  // mouse positions become picture positions (the pixel whose square holds
  // the point, x to the right, y downwards).
  static QPointF PixelAt(const QPointF& widgetPos);

  // The core's mouse codes: buttons left 1, right 2, middle 4; modifiers
  // Shift 1, Ctrl 2, Alt 4.
  static int ButtonCode(Qt::MouseButtons buttons);
  static int ShiftCode(Qt::KeyboardModifiers modifiers);

  // Sets the widget's size from the picture (at least 32000 twips a side)
  // and keeps app.geo.pictureWidth/Height (twips) in step. Returns true when
  // the size changed.
  bool SyncSize();

  // Places the widget for the scroll values (twips).
  void ScrollTo(int hValueTwips, int vValueTwips);

  // Repaints what the picture reports as changed (marks drawn or removed),
  // once the command that is running has finished: a redraw of a few marks
  // repaints those, not the whole picture.
  void RepaintChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int ToPixels(int twips) const;
  App& app_;
  QtPicture& picture_;
  bool repaintQueued_ = false;
};

}  // namespace pelorin::gui
