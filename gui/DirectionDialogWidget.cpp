#include "DirectionDialogWidget.h"

#include <functional>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/OrientationInput.h"

namespace pelorin::gui {

namespace {

void Name(QWidget* widget, const QString& name) {
  widget->setObjectName(name);
  widget->setAccessibleDescription(name);
}

// One of the four frames: a line across it (Line1), a two-line arrowhead
// (Line2, Line3) at the side where east (north) lies, and the label there.
class DirectionFrame : public QFrame {
 public:
  DirectionFrame(int side, const QString& letter, QWidget* parent) : QFrame(parent), side_(side) {
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Sunken);
    setFixedSize(84, 84);
    label_ = new QLabel(letter, this);
    Name(label_, QString("Label(%1)").arg(side));
    label_->setAlignment(Qt::AlignCenter);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);
    label_->resize(16, 16);
    const int c = 42;
    const QPoint at[4] = {{84 - 18, c - 8 - 12}, {c + 6, 4}, {2, c - 8 - 12}, {c + 6, 84 - 18}};
    label_->move(at[side]);
    setCursor(Qt::PointingHandCursor);
  }
  std::function<void()> onClick;

  void setSelected(bool selected) {
    colour_ = selected ? QColor(255, 0, 0) : QColor(0, 0, 0);
    QPalette p = label_->palette();
    p.setColor(QPalette::WindowText, colour_);
    label_->setPalette(p);
    update();
  }
  QColor colour() const { return colour_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && onClick) onClick();
  }
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour_, 2));
    const double lo = 10, hi = 74, c = 42, head = 9;
    // Tip of the arrow towards the side of east (north).
    const QPointF tips[4] = {{hi, c}, {c, lo}, {lo, c}, {c, hi}};
    const QPointF tails[4] = {{lo, c}, {c, hi}, {hi, c}, {c, lo}};
    const QPointF tip = tips[side_], tail = tails[side_];
    p.drawLine(tail, tip);  // Line1
    const QPointF u = (tip - tail) / (hi - lo), n(-u.y(), u.x());
    p.drawLine(tip, tip - u * head + n * head * 0.6);  // Line2
    p.drawLine(tip, tip - u * head - n * head * 0.6);  // Line3
  }

 private:
  int side_;
  QLabel* label_;
  QColor colour_{0, 0, 0};
};

}  // namespace

DirectionDialogWidget::DirectionDialogWidget(DirectionDialog& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  const bool axis = model.Axis();
  setObjectName(axis ? "smjerosi" : "smjer");
  setWindowTitle(axis ? "Orientation of polar axe" : "orientation");
  setModal(true);

  auto* column = new QVBoxLayout(this);
  auto* choice = new QGroupBox(this);
  Name(choice, "Frame2");
  auto* choiceLayout = new QVBoxLayout(choice);
  const QString optionText[2] = {axis ? "Paralel to NS" : "Parallel to WE",
                                 axis ? "Perpendicular to NS" : "Perpendicular to WE"};
  for (int i = 0; i < 2; ++i) {
    auto* option = new QRadioButton(optionText[i], choice);
    Name(option, QString("Option1(%1)").arg(i));
    choiceLayout->addWidget(option);
    connect(option, &QRadioButton::clicked, this, [this, i] {
      if (model_.Unloaded()) return;
      model_.Option1_Click(i);
      showModel();
    });
    options_[static_cast<std::size_t>(i)] = option;
  }
  column->addWidget(choice);

  auto* row = new QHBoxLayout;
  const QString letter = axis ? "N" : "E";
  for (int c = 0; c < 4; ++c) {
    auto* frame = new DirectionFrame(c, letter, this);
    Name(frame, QString("Frame1(%1)").arg(c));
    frame->setAccessibleName(QString("%1 %2").arg(letter).arg(QStringList{"right", "top", "left", "bottom"}[c]));
    frame->onClick = [this, c] {
      if (model_.Unloaded()) return;
      model_.Frame1_Click(c);
      showModel();
    };
    row->addWidget(frame);
    frames_[static_cast<std::size_t>(c)] = frame;
  }
  column->addLayout(row);

  auto* ok = new QPushButton("OK", this);
  Name(ok, "Command3D1");
  ok->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  column->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (model_.Unloaded()) return;
    model_.Command3D1_Click();
    if (model_.Unloaded()) done(QDialog::Accepted);
  });

  showModel();
}

void DirectionDialogWidget::showModel() {
  options_[0]->setChecked(model_.ParallelOption());
  options_[1]->setChecked(!model_.ParallelOption());
  for (int c = 0; c < 4; ++c) {
    static_cast<DirectionFrame*>(frames_[static_cast<std::size_t>(c)])->setSelected(model_.SelectedFrame() == c);
  }
}

void DirectionDialogWidget::reject() {
  if (!model_.Unloaded()) model_.Close();
  QDialog::reject();
}

}  // namespace pelorin::gui
