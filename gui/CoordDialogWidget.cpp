#include "CoordDialogWidget.h"

#include <cmath>
#include <functional>

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "app/CoordDialog.h"
#include "base/Angles.h"

namespace pelorin::gui {

namespace {

void Name(QWidget* widget, const QString& name) {
  widget->setObjectName(name);
  widget->setAccessibleDescription(name);
}

// Screen directions of the diagrams' axes.
enum class Dir { Right, Up, Left, Down };

QPointF Unit(Dir d) {
  switch (d) {
    case Dir::Right: return {1, 0};
    case Dir::Up: return {0, -1};
    case Dir::Left: return {-1, 0};
    case Dir::Down: return {0, 1};
  }
  return {};
}

// Each rectangular variant: where its origin lies and where X and Y point.
struct Variant {
  bool originRight, originTop;
  Dir x, y;
};
constexpr Variant kVariants[8] = {
    {false, false, Dir::Right, Dir::Up},   // 0: lower left
    {true, false, Dir::Up, Dir::Left},     // 1: lower right
    {true, true, Dir::Left, Dir::Down},    // 2: upper right
    {false, true, Dir::Down, Dir::Right},  // 3: upper left
    {false, false, Dir::Up, Dir::Right},   // 4: lower left
    {true, false, Dir::Left, Dir::Up},     // 5: lower right
    {true, true, Dir::Down, Dir::Left},    // 6: upper right
    {false, true, Dir::Right, Dir::Down},  // 7: upper left
};

class ClickLabel : public QLabel {
 public:
  ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { setAlignment(Qt::AlignCenter); }
  std::function<void()> onClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && onClick) onClick();
  }
};

// One diagram: a sunken box with two axes (Line1, Line2) and their labels.
class Diagram : public QFrame {
 public:
  Diagram(int variant, QWidget* parent) : QFrame(parent), variant_(variant) {
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    const bool polar = variant >= 8;
    label1 = new ClickLabel(polar ? QString(QChar(0x03C6)) : QString("X"), this);  // φ
    label2 = new ClickLabel(polar ? QString("R") : QString("Y"), this);
    Name(label1, QString("Label1(%1)").arg(variant));
    Name(label2, QString("Label2(%1)").arg(variant));
    // Label2 has no command of its own: a click on it is a click on the box.
    label2->setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(Qt::PointingHandCursor);
  }
  std::function<void()> onClick;
  ClickLabel* label1;
  ClickLabel* label2;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QFrame::resizeEvent(event);
    placeLabels();
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && onClick) onClick();
  }
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.5));
    const Geometry g = layoutOf();
    if (variant_ < 8) {
      Arrow(painter, g.origin, g.end1);
      Arrow(painter, g.origin, g.end2);
    } else {
      painter.drawLine(g.origin, g.end1);  // reference line
      Arrow(painter, g.origin, g.end2);    // radius
      // The angle's arc, from the reference line to the radius.
      const double r = g.length * 0.45;
      const QRectF arc(g.origin.x() - r, g.origin.y() - r, 2 * r, 2 * r);
      painter.drawArc(arc, 0, variant_ == 8 ? 45 * 16 : -45 * 16);
    }
  }

 private:
  struct Geometry {
    QPointF origin, end1, end2, label1, label2;
    double length;
  };
  static void Arrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0) return;
    const QPointF u = d / len, n(-u.y(), u.x());
    p.drawLine(to, to - u * 6 + n * 3.5);
    p.drawLine(to, to - u * 6 - n * 3.5);
  }
  Geometry layoutOf() const {
    const double m = 16;
    const double w = width(), h = height();
    Geometry g{};
    g.length = std::min(w, h) - 2 * m;
    if (variant_ < 8) {
      const Variant& v = kVariants[variant_];
      g.origin = QPointF(v.originRight ? w - m : m, v.originTop ? m : h - m);
      const auto end = [&](Dir d) {
        const bool horizontal = d == Dir::Left || d == Dir::Right;
        return g.origin + Unit(d) * (horizontal ? w - 2 * m : h - 2 * m);
      };
      g.end1 = end(v.x);
      g.end2 = end(v.y);
      // Each label beside the tip of its arrow, towards the inside of the box.
      const QPointF centre(w / 2, h / 2);
      const auto beside = [&](QPointF tip, Dir d) {
        const bool horizontal = d == Dir::Left || d == Dir::Right;
        const QPointF back = -Unit(d) * 6;
        const QPointF inward = horizontal ? QPointF(0, centre.y() > tip.y() ? 12 : -12)
                                          : QPointF(centre.x() > tip.x() ? 12 : -12, 0);
        return tip + back + inward;
      };
      g.label1 = beside(g.end1, v.x);
      g.label2 = beside(g.end2, v.y);
    } else {
      const bool rising = variant_ == 8;
      g.origin = QPointF(m, rising ? h - m : m);
      g.end1 = g.origin + QPointF(w - 2 * m, 0);
      const double diag = g.length * std::sqrt(0.5);
      g.end2 = g.origin + QPointF(diag, rising ? -diag : diag);
      const double r = g.length * 0.45 + 9;
      const double a = 22.5 * kRad;
      g.label1 = g.origin + QPointF(r * std::cos(a), (rising ? -1 : 1) * r * std::sin(a));
      g.label2 = g.end2 + QPointF(-10, rising ? -4 : 4);
    }
    return g;
  }
  void placeLabels() {
    const Geometry g = layoutOf();
    const QSize s(16, 16);
    label1->setGeometry(QRect(QPoint(static_cast<int>(g.label1.x()) - 8, static_cast<int>(g.label1.y()) - 8), s));
    label2->setGeometry(QRect(QPoint(static_cast<int>(g.label2.x()) - 8, static_cast<int>(g.label2.y()) - 8), s));
  }
  int variant_;
};

}  // namespace

CoordDialogWidget::CoordDialogWidget(CoordDialog& model, QWidget* parent) : QDialog(parent), model_(model) {
  setObjectName("Koordinate");
  setWindowTitle("Coordinate system");
  setModal(true);
  const int dpi = logicalDpiX();
  const double tpp = dpi > 0 ? 1440.0 / dpi : 15.0;
  const auto px = [tpp](int twips) { return static_cast<int>(std::lround(twips / tpp)); };

  for (int i = 0; i < 10; ++i) {
    auto* box = new Diagram(i, this);
    Name(box, QString("Picture(%1)").arg(i));
    box->setAccessibleName(QString("Coordinate system %1").arg(i));
    const int row = i < 4 ? 0 : (i < 8 ? 1 : 2);
    const int column = i < 8 ? i % 4 : i - 8;
    box->setGeometry(px(kLeftTwips[static_cast<std::size_t>(column)]), px(kTopTwips[static_cast<std::size_t>(row)]),
                     px(kBoxWidthTwips), px(kBoxHeightTwips));
    box->onClick = [this, i] { pictureClicked(i); };
    box->label1->onClick = [this, i] { labelClicked(i); };
  }
  auto* cancel = new QPushButton("Cancel", this);
  Name(cancel, "Cancel");
  cancel->setAutoDefault(false);
  cancel->setGeometry(px(kLeftTwips[3]), px(kTopTwips[2] + kBoxHeightTwips - 372), px(kBoxWidthTwips), px(372));
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

  setFixedSize(px(kLeftTwips[3] + kBoxWidthTwips + 120), px(kTopTwips[2] + kBoxHeightTwips + 120));
}

void CoordDialogWidget::pictureClicked(int index) {
  if (model_.Unloaded()) return;
  model_.Picture_Click(index);
  if (model_.Unloaded()) done(QDialog::Accepted);
}

void CoordDialogWidget::labelClicked(int index) {
  if (model_.Unloaded()) return;
  model_.Label1_Click(index);
  if (model_.Unloaded()) done(QDialog::Accepted);
}

void CoordDialogWidget::reject() {
  if (!model_.Unloaded()) model_.Cancel_Click();
  QDialog::reject();
}

}  // namespace pelorin::gui
