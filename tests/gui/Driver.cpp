#include "Driver.h"

#include <cmath>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "Canvas.h"

namespace pelorin::gui::test {

QString Describe(QWidget* modal) {
  if (auto* box = qobject_cast<QMessageBox*>(modal)) return modal->windowTitle() + ": " + box->text();
  if (auto* input = qobject_cast<QInputDialog*>(modal)) return modal->windowTitle() + ": " + input->labelText();
  return modal->windowTitle();
}

QWidget* FindByDescription(QWidget* parent, const QString& name) {
  for (QWidget* w : parent->findChildren<QWidget*>()) {
    if (w->accessibleDescription() == name) return w;
  }
  return nullptr;
}

bool ClickNamed(QWidget* dialog, const QString& name, QStringList& problems) {
  QWidget* w = FindByDescription(dialog, name);
  if (w == nullptr) {
    problems << dialog->windowTitle() + " has no control " + name;
    return false;
  }
  QTest::mouseClick(w, Qt::LeftButton);
  return true;
}

ModalScript::ModalScript() { timer_ = startTimer(10); }

ModalScript::~ModalScript() { killTimer(timer_); }

void ModalScript::Then(const QString& expected, Drive drive) { steps_.push_back({expected, std::move(drive)}); }

QString ModalScript::Check() const {
  QStringList out;
  if (!unexpected.isEmpty()) out << "unexpected: " + unexpected.join(" | ");
  if (!problems.isEmpty()) out << problems.join(" | ");
  if (!steps_.empty()) out << "did not open: " + steps_.front().expected + " (seen: " + seen.join(" | ") + ")";
  return out.join("; ");
}

void ModalScript::timerEvent(QTimerEvent*) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || !modal->isVisible() || modal->property("modalScriptSeen").toBool()) return;
  modal->setProperty("modalScriptSeen", true);
  const QString text = Describe(modal);
  seen << text;
  QPointer<QWidget> guarded(modal);
  if (steps_.empty() || !text.startsWith(steps_.front().expected)) {
    unexpected << text;
    QTimer::singleShot(0, this, [guarded] {
      if (auto* dialog = qobject_cast<QDialog*>(guarded.data())) dialog->reject();
    });
    return;
  }
  Drive drive = std::move(steps_.front().drive);
  steps_.pop_front();
  QTimer::singleShot(0, this, [guarded, drive] {
    if (guarded) drive(guarded);
  });
}

Drive PressOk(QString* text) {
  return [text](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (text != nullptr) *text = box->text();
      box->button(QMessageBox::Ok)->click();
    }
  };
}

Drive TypeAnswer(const QString& answer, QStringList& problems) {
  return [answer, &problems](QWidget* modal) {
    auto* edit = modal->findChild<QLineEdit*>();
    if (edit == nullptr) {
      problems << "the input box has no text field";
      qobject_cast<QDialog*>(modal)->reject();
      return;
    }
    edit->selectAll();
    QTest::keyClicks(edit, answer);
    QTest::keyClick(edit, Qt::Key_Return);
  };
}

Drive ChooseFile(const QString& path, QStringList& problems) {
  return [path, &problems](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    auto* name = dialog != nullptr ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
    auto* buttons = dialog != nullptr ? dialog->findChild<QDialogButtonBox*>() : nullptr;
    if (name == nullptr || buttons == nullptr) {
      problems << "not a file dialog with a file name field: " + modal->windowTitle();
      qobject_cast<QDialog*>(modal)->reject();
      return;
    }
    if (!path.isEmpty()) {
      name->selectAll();
      QTest::keyClicks(name, path);
    }
    QPushButton* accept = nullptr;
    for (QAbstractButton* b : buttons->buttons())
      if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) accept = qobject_cast<QPushButton*>(b);
    // The button follows the dialog's view of the folder, which is read in
    // the background.
    if (accept != nullptr) (void)QTest::qWaitFor([accept] { return accept->isEnabled(); }, 5000);
    if (accept == nullptr || !accept->isEnabled()) {
      problems << "the file dialog's Open/Save button stays disabled for " + name->text();
      dialog->reject();
      return;
    }
    QTest::mouseClick(accept, Qt::LeftButton);
  };
}

Drive PressYes() {
  return [](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Yes)->click();
  };
}

QString ChooseMenu(MainWindow& w, Menu item) {
  QAction* action = w.menuAction(item);
  if (!action->isEnabled()) return QString("the menu item %1 is disabled").arg(MenuName(item));
  action->trigger();
  return {};
}

namespace {
// Where the pointer goes for picture pixel (x, y) (rounded): at 1:1 the
// pixel's own screen pixel, as a mouse gives it; at other zooms the middle
// of the pixel's square on screen (between screen pixels when reduced, as a
// high-resolution pointer gives it). The events are sent to Picture1
// itself, so no pointer left elsewhere by the window system takes part.
QPointF PointerAt(MainWindow& w, double x, double y) {
  const QPointF pixel(static_cast<double>(std::lround(x)), static_cast<double>(std::lround(y)));
  const double zoom = w.canvas()->Zoom();
  if (zoom == 1.0) return pixel;
  return Canvas::WidgetAt(pixel + QPointF(0.5, 0.5), zoom);
}

void SendMouse(QWidget* canvas, QEvent::Type type, const QPointF& at, Qt::MouseButton button,
               Qt::MouseButtons held) {
  QMouseEvent e(type, at, canvas->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(canvas, &e);
}
}  // namespace

void ShowPixel(MainWindow& w, double x, double y) {
  const QPointF at = PointerAt(w, x, y);
  const QSize view = w.viewSize();
  w.scrollBar(ScrollBar::H)->setValue(w.toTwips(static_cast<int>(std::lround(at.x())) - view.width() / 2));
  w.scrollBar(ScrollBar::V)->setValue(w.toTwips(static_cast<int>(std::lround(at.y())) - view.height() / 2));
}

QString PointAtPixel(MainWindow& w, double x, double y) {
  ShowPixel(w, x, y);
  const QPointF at = PointerAt(w, x, y);
  QWidget* canvas = w.canvas();
  QWidget* client = w.client();
  if (client->childAt(canvas->mapTo(client, at.toPoint())) != canvas)
    return QString("picture pixel (%1, %2) does not show").arg(std::lround(x)).arg(std::lround(y));
  SendMouse(canvas, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
  return {};
}

QString ClickPixel(MainWindow& w, double x, double y, Qt::MouseButton button) {
  if (QString e = PointAtPixel(w, x, y); !e.isEmpty()) return e;
  const QPointF at = PointerAt(w, x, y);
  SendMouse(w.canvas(), QEvent::MouseButtonPress, at, button, button);
  SendMouse(w.canvas(), QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  return {};
}

int FrameFor(double direction_deg) {
  const double a = direction_deg - 360.0 * std::floor(direction_deg / 360.0);
  return static_cast<int>(std::lround(a / 90.0)) % 4;
}

double AngleNear(double angle_deg, double near_deg) {
  const double d = angle_deg - near_deg;
  return near_deg + d - 360.0 * std::floor((d + 180.0) / 360.0);
}

std::vector<std::string> CrLfLines(const std::string& bytes, QString* problem) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      if (problem != nullptr) *problem = "the last line does not end with CR LF";
      return lines;
    }
    const std::string line = bytes.substr(start, end - start);
    if (problem != nullptr && line.find_first_of("\r\n") != std::string::npos) *problem = "a line holds a bare CR or LF";
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

QStringList Items(const std::string& line) {
  QStringList items = Q(line).split(',');
  for (QString& item : items)
    if (item.size() >= 2 && item.startsWith('"') && item.endsWith('"')) item = item.mid(1, item.size() - 2);
  return items;
}

}  // namespace pelorin::gui::test
