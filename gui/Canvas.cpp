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

#include "Guard.h"
#include "QtPicture.h"
#include "app/Navigation.h"
#include "app/Readout.h"
#include "measure/Points.h"

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

QPointF Canvas::PixelAt(const QPointF& widgetPos) {
  return {std::floor(widgetPos.x()), std::floor(widgetPos.y())};
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
  // Twips of the picture box: the designed 32000, or the whole picture.
  const auto twips = [tpp](int pixels) {
    return std::max(kPictureBoxTwips, static_cast<int>(std::ceil(pixels * tpp)));
  };
  const int wTwips = twips(picture_.Width()), hTwips = twips(picture_.Height());
  app_.geo.pictureWidth = wTwips;
  app_.geo.pictureHeight = hTwips;
  const QSize size(static_cast<int>(std::ceil(wTwips / tpp)), static_cast<int>(std::ceil(hTwips / tpp)));
  if (size == this->size()) return false;
  resize(size);
  return true;
}

void Canvas::ScrollTo(int hValueTwips, int vValueTwips) { move(-ToPixels(hValueTwips), -ToPixels(vValueTwips)); }

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
        if (!r.Empty()) update(QRect(r.x0, r.y0, r.x1 - r.x0 + 1, r.y1 - r.y0 + 1));
      },
      Qt::QueuedConnection);
}

void Canvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();  // only what the window needs: the visible part at most
  const int w = picture_.Width(), h = picture_.Height();
  const QRect pictureRect(0, 0, w, h);
  const QRect shown = area.intersected(pictureRect);
  if (!shown.isEmpty()) {
    if (!picture_.HasLines()) {
      // The image wraps the picture's pixels; nothing is copied.
      const QImage image(reinterpret_cast<const uchar*>(picture_.Data()), w, h, w * 4, QImage::Format_RGB32);
      painter.drawImage(shown.topLeft(), image, shown);
    } else {
      // The lines are composed over the pixels for the area shown only.
      QImage part(shown.size(), QImage::Format_RGB32);
      if (!part.isNull()) {
        picture_.Compose(shown.x(), shown.y(), shown.width(), shown.height(),
                         reinterpret_cast<std::uint32_t*>(part.bits()),
                         static_cast<std::size_t>(part.bytesPerLine()) / sizeof(std::uint32_t));
        painter.drawImage(shown.topLeft(), part);
      }
    }
  }
  // Beyond the picture: the picture box's own background.
  const QRegion rest = QRegion(area).subtracted(QRegion(shown));
  for (const QRect& r : rest) painter.fillRect(r, palette().color(QPalette::Window));
}

void Canvas::mousePressEvent(QMouseEvent* event) {
  const QPointF p = PixelAt(event->position());
  const int button = ButtonCode(event->button()), shift = ShiftCode(event->modifiers());
  RunHandler(app_, "Picture", [&] { Picture1_MouseDown(app_, button, shift, p.x(), p.y()); });
  RepaintChanged();  // a dot drawn for the click shows while the button is held
}

void Canvas::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = PixelAt(event->position());
  const int button = ButtonCode(event->buttons()), shift = ShiftCode(event->modifiers());
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
  const QPointF p = PixelAt(event->position());
  const int button = ButtonCode(event->button()), shift = ShiftCode(event->modifiers());
  RunHandler(app_, "Picture", [&] { Picture1_MouseUp(app_, button, shift, p.x(), p.y()); });
  RepaintChanged();
}

}  // namespace pelorin::gui
