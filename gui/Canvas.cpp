#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>

#include <QImage>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include "Guard.h"
#include "QtPicture.h"
#include "app/Navigation.h"
#include "app/Readout.h"
#include "app/Points.h"

namespace pelorin::gui {

namespace {
constexpr int kPictureBoxTwips = 32000;  // the designed size of Picture1
}

Canvas::Canvas(App& app, QtPicture& picture, QWidget* parent) : QWidget(parent), app_(app), picture_(picture) {
  setObjectName("Picture1");
  setAccessibleDescription("Picture1");
  setAccessibleName("Picture");
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  SyncSize();
}

QPointF Canvas::PixelAt(const QPointF& widgetPos, double zoom) {
  if (zoom == 1.0) return {std::floor(widgetPos.x()), std::floor(widgetPos.y())};
  return {std::floor(widgetPos.x() / zoom), std::floor(widgetPos.y() / zoom)};
}

void Canvas::SetZoom(double zoom) {
  zoom_ = std::clamp(zoom, view::kMinZoom, view::kMaxZoom);
  SyncSize();
  update();
}

void Canvas::SetViewport(QSize view, QSize chrome) {
  view_ = view;
  chrome_ = chrome;
}

int Canvas::ButtonCode(Qt::MouseButtons buttons) {
  int code = 0;
  if (buttons & Qt::LeftButton) code |= 1;
  if (buttons & Qt::RightButton) code |= 2;
  if (buttons & Qt::MiddleButton) code |= 4;
  return code;
}

int Canvas::ShiftCode(Qt::KeyboardModifiers modifiers) {
  int code = 0;
  if (modifiers & Qt::ShiftModifier) code |= 1;
  if (modifiers & Qt::ControlModifier) code |= 2;
  if (modifiers & Qt::AltModifier) code |= 4;
  return code;
}

int Canvas::ToPixels(int twips) const {
  const double tpp = app_.s.TwipsPerPixel > 0 ? app_.s.TwipsPerPixel : 15.0;
  return static_cast<int>(std::lround(twips / tpp));
}

bool Canvas::SyncSize() {
  const double tpp = app_.s.TwipsPerPixel > 0 ? app_.s.TwipsPerPixel : 15.0;
  QSize size;
  if (zoom_ == 1.0) {
    // Twips of the picture box: the designed 32000, or the whole picture
    // and the window around the view, since the core's scroll range takes
    // the outer window off the box: so the last row and column of a large
    // picture can be scrolled into view as at every other zoom.
    const auto twips = [tpp](int pixels, int chrome) {
      return std::max(kPictureBoxTwips, static_cast<int>(std::ceil((pixels + chrome) * tpp)));
    };
    const int wTwips = twips(picture_.Width(), chrome_.width()), hTwips = twips(picture_.Height(), chrome_.height());
    app_.geo.pictureWidth = wTwips;
    app_.geo.pictureHeight = hTwips;
    size = QSize(static_cast<int>(std::ceil(wTwips / tpp)), static_cast<int>(std::ceil(hTwips / tpp)));
  } else {
    // The picture on screen; the scroll range ends where its last pixel
    // shows at the view's far edge (the layout takes the outer window off).
    size = QSize(std::max(1, static_cast<int>(std::ceil(picture_.Width() * zoom_))),
                 std::max(1, static_cast<int>(std::ceil(picture_.Height() * zoom_))));
    app_.geo.pictureWidth = static_cast<int>(std::ceil((size.width() + chrome_.width()) * tpp));
    app_.geo.pictureHeight = static_cast<int>(std::ceil((size.height() + chrome_.height()) * tpp));
  }
  if (size == this->size()) return false;
  resize(size);
  return true;
}

void Canvas::ScrollTo(int hValueTwips, int vValueTwips) {
  QPoint at(-ToPixels(hValueTwips), -ToPixels(vValueTwips));
  if (zoom_ != 1.0) {
    if (width() < view_.width()) at.setX((view_.width() - width()) / 2);
    if (height() < view_.height()) at.setY((view_.height() - height()) / 2);
  }
  move(at);
}

void Canvas::RepaintChanged() {
  // Asked for at the start of a redraw, before its marks are drawn: the
  // rectangle is taken once the command has run.
  if (repaintQueued_) return;
  repaintQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        repaintQueued_ = false;
        const RasterPicture::Rect r = picture_.TakeChanged();
        if (r.Empty()) return;
        if (zoom_ >= 1.0) {
          // Marks are picture pixels: the changed pixels' squares, and the
          // crosses of measured points around them.
          const QPointF a = WidgetAt(QPointF(r.x0, r.y0), zoom_), b = WidgetAt(QPointF(r.x1 + 1, r.y1 + 1), zoom_);
          const int reach = view::PointMarkReach(zoom_) + 1;
          update(QRectF(a, b).toAlignedRect().adjusted(-reach, -reach, reach, reach));
        } else {
          update();  // marks and names at screen size reach beyond their pixels
        }
      },
      Qt::QueuedConnection);
}

void Canvas::paintEvent(QPaintEvent* event) {
  // Only what the window needs: the visible part at most.
  const QRect area = event->rect();
  view::Render(picture_, reduction_, zoom_, area, frame_, palette().color(QPalette::Window).rgb());
  QPainter painter(this);
  painter.drawImage(area.topLeft(), frame_);
}

void Canvas::mousePressEvent(QMouseEvent* event) {
  const QPointF p = PixelAt(event->position(), zoom_);
  const int button = ButtonCode(event->button()), shift = ShiftCode(event->modifiers());
  if (pressFilter && pressFilter(p, button, shift)) return;
  RunHandler(app_, "Picture", [&] { Picture1_MouseDown(app_, button, shift, p.x(), p.y()); });
  RepaintChanged();  // a dot drawn for the click shows while the button is held
}

void Canvas::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = PixelAt(event->position(), zoom_);
  const int button = ButtonCode(event->buttons()), shift = ShiftCode(event->modifiers());
  if (zoom_ != 1.0 && button == 1 && shift == 1 && app_.s.QuickMoveActive == 1) {
    DragStep(event->position());
    return;
  }
  // A failing read-out is shown on the status line: a message box on every
  // pointer movement would make the program unusable.
  try {
    Picture1_MouseMove(app_, button, shift, p.x(), p.y());
  } catch (const std::exception& e) {
    app_.win.SetStatus(std::string("The position cannot be read out: ") + e.what());
  } catch (...) {
    app_.win.SetStatus("The position cannot be read out.");
  }
}

void Canvas::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF p = PixelAt(event->position(), zoom_);
  const int button = ButtonCode(event->button()), shift = ShiftCode(event->modifiers());
  if (pressFilter && pressFilter(p, button, shift)) return;
  RunHandler(app_, "Picture", [&] { Picture1_MouseUp(app_, button, shift, p.x(), p.y()); });
  RepaintChanged();
}

void Canvas::DragStep(const QPointF& widgetPos) {
  // The drag of 1:1 in screen distances: each step adds to the scroll
  // value (twips) the distance in screen pixels from the pointer to where
  // the grabbed picture point shows now, so the picture follows the pointer
  // at every zoom as it does at 1:1. The grabbed point is the core's.
  const ProgramState& s = app_.s;
  WindowPort& w = app_.win;
  const QPointF grabbed = WidgetAt(QPointF(s.QuickMoveX, s.QuickMoveY), zoom_);
  const auto step = [&w](ScrollBar bar, double delta) {
    const double v = std::clamp(w.ScrollValue(bar) + delta, 0.0, static_cast<double>(w.ScrollMax(bar)));
    return static_cast<int>(std::lround(v));
  };
  int h = step(ScrollBar::H, grabbed.x() - widgetPos.x());
  const int v = step(ScrollBar::V, grabbed.y() - widgetPos.y());
  if (app_.geo.pictureWidth < app_.geo.frameWidth) h = 0;
  RunHandler(app_, "Picture", [&] {
    w.SetScrollValue(ScrollBar::H, h);
    w.SetScrollValue(ScrollBar::V, v);
  });
}

void Canvas::wheelEvent(QWheelEvent* event) {
  // One notch is 120; high-resolution wheels send parts of it.
  const QPoint delta = event->angleDelta();
  if (event->modifiers() & Qt::ControlModifier) {
    wheelZoom_ += delta.y() != 0 ? delta.y() : delta.x();
    const int steps = wheelZoom_ / 120;
    wheelZoom_ -= steps * 120;
    if (steps != 0) emit zoomRequested(event->position(), steps);
  } else {
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || (delta.y() == 0 && delta.x() != 0);
    wheelScroll_ += delta.y() != 0 ? delta.y() : delta.x();
    const int steps = wheelScroll_ / 120;
    wheelScroll_ -= steps * 120;
    if (steps != 0) emit scrollRequested(steps, sideways);
  }
  event->accept();
}

}  // namespace pelorin::gui
