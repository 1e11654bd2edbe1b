#include "Tour.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "Canvas.h"

namespace pelorin::gui::tour {

namespace {

QString Describe(QWidget* modal) {
  if (auto* box = qobject_cast<QMessageBox*>(modal)) return modal->windowTitle() + ": " + box->text();
  if (auto* input = qobject_cast<QInputDialog*>(modal)) return modal->windowTitle() + ": " + input->labelText();
  return modal->windowTitle();
}

QWidget* Named(QWidget* parent, const QString& name) {
  for (QWidget* w : parent->findChildren<QWidget*>())
    if (w->accessibleDescription() == name) return w;
  return nullptr;
}

// Clicks the control of a dialog named `name`; false when there is none.
bool ClickNamed(QWidget* dialog, const QString& name, QStringList& problems) {
  QWidget* w = Named(dialog, name);
  if (w == nullptr) {
    problems << dialog->windowTitle() + " has no control " + name;
    return false;
  }
  QTest::mouseClick(w, Qt::LeftButton);
  return true;
}

}  // namespace

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
  if (modal == nullptr || !modal->isVisible() || modal->property("tourSeen").toBool()) return;
  modal->setProperty("tourSeen", true);
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
  // From the widget's own event loop, after it has been seen, so that a box
  // the step itself opens is seen and answered too.
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
    // The button follows the dialog's view of the folder, read in the
    // background.
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

QString Walk::Choose(Menu item) {
  QAction* action = w_.menuAction(item);
  if (!action->isEnabled()) return QString("the menu item %1 is disabled").arg(MenuName(item));
  action->trigger();
  return modals.Check();
}

void Walk::Show(double x, double y) {
  QWidget* client = w_.client();
  w_.scrollBar(ScrollBar::H)->setValue(w_.toTwips(static_cast<int>(std::lround(x)) - client->width() / 2));
  w_.scrollBar(ScrollBar::V)->setValue(w_.toTwips(static_cast<int>(std::lround(y)) - client->height() / 2));
}

QString Walk::PointAt(double x, double y) {
  Show(x, y);
  const QPoint at(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
  QWidget* canvas = w_.canvas();
  QWidget* client = w_.client();
  if (client->childAt(canvas->mapTo(client, at)) != canvas)
    return QString("picture pixel (%1, %2) does not show").arg(at.x()).arg(at.y());
  QTest::mouseMove(canvas, at);
  return {};
}

QString Walk::Click(double x, double y, Qt::MouseButton button) {
  if (QString e = PointAt(x, y); !e.isEmpty()) return e;
  const QPoint at(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
  QTest::mouseClick(w_.canvas(), button, Qt::NoModifier, at);
  return modals.Check();
}

QString Walk::End(EndButton b, const QString& message) {
  if (!message.isEmpty()) modals.Then(message, PressOk(&lastMessage));
  QPushButton* button = w_.endButton(b);
  if (button->isHidden()) return "the End button is hidden";
  QTest::mouseClick(button, Qt::LeftButton);
  return modals.Check();
}

QString Walk::Open(const std::string& path, const QString& typeAnswer) {
  modals.Then("Open picture", ChooseFile(QString::fromStdString(path), modals.problems));
  if (!typeAnswer.isEmpty()) modals.Then("Type of image: 0=scan Kanzelh", TypeAnswer(typeAnswer, modals.problems));
  return Choose(Menu::ucitavanje);
}

QString Walk::ConfirmDate(const Drive& onDialog) {
  modals.Then("Date and time", [this, onDialog](QWidget* dialog) {
    if (onDialog) onDialog(dialog);
    ClickNamed(dialog, "OK", modals.problems);
  });
  return Choose(Menu::datum);
}

QString Walk::Limb(const std::vector<gen::PointPx>& points) {
  if (QString e = Choose(Menu::Limb); !e.isEmpty()) return e;
  for (const gen::PointPx& p : points)
    if (QString e = Click(p.x_px, p.y_px); !e.isEmpty()) return e;
  return End(EndButton::limbend, "Pelorin: xm=");
}

QString Walk::Orient(int frame, const std::vector<gen::PointPx>& points, const Drive& onDialog) {
  modals.Then("orientation", [this, frame, onDialog](QWidget* dialog) {
    if (!ClickNamed(dialog, QString("Frame1(%1)").arg(frame), modals.problems)) return;
    if (onDialog) onDialog(dialog);
    ClickNamed(dialog, "Command3D1", modals.problems);
  });
  if (QString e = Choose(Menu::dnevnihod); !e.isEmpty()) return e;
  for (const gen::PointPx& p : points)
    if (QString e = Click(p.x_px, p.y_px); !e.isEmpty()) return e;
  return End(EndButton::dirend, "Pelorin: daily parallel=");
}

QString Walk::Object(const QString& name, const std::vector<gen::PointPx>& points) {
  if (s().GridOn == 1)
    if (QString e = Choose(Menu::mreza); !e.isEmpty()) return e;
  modals.Then("Object name: Enter object name", TypeAnswer(name, modals.problems));
  if (QString e = Choose(Menu::Objekt); !e.isEmpty()) return e;
  for (const gen::PointPx& p : points)
    if (QString e = Click(p.x_px, p.y_px); !e.isEmpty()) return e;
  return End(EndButton::Objektend);
}

QString Walk::Save(bool replaces, const QString& message) {
  modals.Then("Save data", ChooseFile({}, modals.problems));
  if (replaces) modals.Then("Save data: ", PressYes());
  if (!message.isEmpty()) modals.Then(message, PressOk(&lastMessage));
  return Choose(Menu::spremi);
}

Sample FindSample(const gen::SampleSet& set, const std::string& prefix) {
  for (const gen::SamplePicture& p : set.pictures)
    if (p.fileName.rfind(prefix, 0) == 0) return {p, gen::ComputeTruth(p.scene)};
  throw std::logic_error("the sample set has no picture " + prefix);
}

std::vector<gen::PointPx> SpotPoints(const gen::Truth& truth, const std::vector<std::string>& names) {
  std::vector<gen::PointPx> points;
  for (const std::string& n : names)
    for (const gen::SpotTruth& s : truth.spots)
      if (s.name == n) points.push_back({s.x_px, s.y_px});
  return points;
}

QString CopyFiles(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
    if (!e.is_regular_file(ec)) continue;
    fs::copy_file(e.path(), fs::path(to) / e.path().filename(), fs::copy_options::overwrite_existing, ec);
    if (ec) return QString::fromStdString("cannot copy " + e.path().string() + ": " + ec.message());
  }
  if (ec) return QString::fromStdString("cannot read the folder " + from + ": " + ec.message());
  return {};
}

int FrameFor(double direction_deg) {
  const double a = direction_deg - 360.0 * std::floor(direction_deg / 360.0);
  return static_cast<int>(std::lround(a / 90.0)) % 4;
}

}  // namespace pelorin::gui::tour
