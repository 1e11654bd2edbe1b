#include "QtWindowPort.h"

#include <algorithm>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>

#include "CoordDialogWidget.h"
#include "DateDialogWidget.h"
#include "DirectionDialogWidget.h"
#include "MainWindow.h"
#include "app/OrientationInput.h"
#include "app/CoordDialog.h"
#include "app/DateDialog.h"

namespace pelorin::gui {

namespace {

QString FromCore(const std::string& text) { return QString::fromStdString(text); }

// A chosen file as the core's file functions expect its name.
std::string ToCorePath(const QString& path) { return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString(); }

// Whether the file chosen may be replaced without a question: it does not
// exist, or it is the file the program named (a file it created empty).
bool ReplaceUnasked(const QString& chosen, const std::string& unasked) {
  const QFileInfo file(chosen);
  if (!file.exists()) return true;
  if (unasked.empty()) return false;
  const QFileInfo quiet(QFile::decodeName(unasked.c_str()));
  return quiet.exists() && file.canonicalFilePath() == quiet.canonicalFilePath();
}

std::optional<std::string> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const std::string& title,
                                         const std::string& filter, const std::string& presetName,
                                         const std::string& replaceUnasked = {}) {
  QFileDialog dialog(parent, FromCore(title), QDir::currentPath());
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // The question before a file is replaced is asked below, where the file
  // the program may replace unasked is known.
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = QtWindowPort::NameFilters(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!presetName.empty()) dialog.selectFile(QFile::decodeName(presetName.c_str()));
  for (;;) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    if (mode == QFileDialog::AcceptOpen || ReplaceUnasked(chosen.front(), replaceUnasked))
      return ToCorePath(chosen.front());
    // The same question, in the same words, as the dialog's own; No goes
    // back to the dialog.
    const QString question =
        QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(chosen.front()).fileName());
    if (QMessageBox::warning(&dialog, dialog.windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) == QMessageBox::Yes)
      return ToCorePath(chosen.front());
    dialog.selectFile(QFileInfo(chosen.front()).fileName());
  }
}

}  // namespace

QStringList QtWindowPort::NameFilters(const std::string& filter) {
  const QStringList parts = FromCore(filter).split('|');
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      const QString pattern = p.trimmed();
      patterns << (pattern == "*.*" ? QString("*") : pattern);
    }
    if (patterns.isEmpty()) continue;
    result << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return result;
}

QString QtWindowPort::MessageText(const std::string& text) {
  QString t = FromCore(text);
  t.replace("\r\n", "\n");
  t.replace('\r', '\n');
  return t;
}

void QtWindowPort::SetItemEnabled(Menu m, bool enabled) {
  if (QAction* a = window_.menuAction(m)) a->setEnabled(enabled);
}

bool QtWindowPort::MenuEnabled(Menu m) const {
  const QAction* a = window_.menuAction(m);
  return a != nullptr && a->isEnabled();
}

void QtWindowPort::SetMenuCaption(Menu m, const std::string& caption) {
  if (QAction* a = window_.menuAction(m)) a->setText(FromCore(caption).replace("&", "&&"));
}

void QtWindowPort::SetEndVisible(EndButton b, bool visible) { window_.endButton(b)->setVisible(visible); }

bool QtWindowPort::EndVisible(EndButton b) const { return !window_.endButton(b)->isHidden(); }

void QtWindowPort::SetEndTop(EndButton b, int topTwips) {
  QPushButton* button = window_.endButton(b);
  button->move(button->x(), window_.toPixels(topTwips));
}

void QtWindowPort::SetStatus(const std::string& text) {
  const QString t = FromCore(text);
  window_.statusLabel()->setText(t);
  window_.statusLabel()->setAccessibleName(t);
}

void QtWindowPort::SetTitle(const std::string& text) { window_.setWindowTitle(FromCore(text)); }

int QtWindowPort::ScrollValue(ScrollBar b) const { return window_.scrollBar(b)->value(); }

int QtWindowPort::ScrollMax(ScrollBar b) const { return window_.scrollBar(b)->maximum(); }

void QtWindowPort::SetScrollValue(ScrollBar b, int value) {
  QScrollBar* bar = window_.scrollBar(b);
  bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
}

void QtWindowPort::SetScrollMax(ScrollBar b, int max) {
  QScrollBar* bar = window_.scrollBar(b);
  bar->setMaximum(std::max(max, bar->minimum()));
}

void QtWindowPort::SetMainEnabled(bool enabled) { window_.setInputEnabled(enabled); }

void QtWindowPort::MessageBox(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, "Pelorin", MessageText(text), QMessageBox::Ok, &window_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

int QtWindowPort::Question(const std::string& title, const std::string& text, const std::vector<std::string>& buttons) {
  QMessageBox box(QMessageBox::Question, FromCore(title), MessageText(text), QMessageBox::NoButton, &window_);
  box.setTextFormat(Qt::PlainText);
  std::vector<QAbstractButton*> added;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    // Escape chooses Cancel; a box without one is answered by a button.
    const QMessageBox::ButtonRole role = buttons[i] == "Cancel"    ? QMessageBox::RejectRole
                                         : buttons[i] == "Discard" ? QMessageBox::DestructiveRole
                                         : i == 0                  ? QMessageBox::AcceptRole
                                                                   : QMessageBox::ActionRole;
    added.push_back(box.addButton(FromCore(buttons[i]), role));
  }
  if (!added.empty()) box.setDefaultButton(qobject_cast<QPushButton*>(added.front()));
  box.exec();
  const auto chosen = std::find(added.begin(), added.end(), box.clickedButton());
  return chosen == added.end() ? -1 : static_cast<int>(chosen - added.begin());
}

std::string QtWindowPort::InputBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) {
  QInputDialog dialog(&window_);
  dialog.setWindowTitle(title.empty() ? QString("Pelorin") : FromCore(title));
  dialog.setLabelText(MessageText(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextValue(FromCore(defaultText));
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}

std::optional<std::string> QtWindowPort::OpenFileDialog(const std::string& title, const std::string& filter) {
  return RunFileDialog(&window_, QFileDialog::AcceptOpen, title, filter, {});
}

std::optional<std::string> QtWindowPort::SaveFileDialog(const std::string& title, const std::string& filter,
                                                        const std::string& presetName,
                                                        const std::string& replaceWithoutAsking) {
  return RunFileDialog(&window_, QFileDialog::AcceptSave, title, filter, presetName, replaceWithoutAsking);
}

void QtWindowPort::ShowDateDialog(DateDialog& dialog) {
  {
    DateDialogWidget widget(dialog, &window_);
    widget.exec();
  }
  if (!dialog.Unloaded()) dialog.Cancel_Click();
}

void QtWindowPort::ShowCoordDialog(CoordDialog& dialog) {
  {
    CoordDialogWidget widget(dialog, &window_);
    widget.exec();
  }
  if (!dialog.Unloaded()) dialog.Cancel_Click();
}

void QtWindowPort::ShowDirectionDialog(DirectionDialog& dialog) {
  {
    DirectionDialogWidget widget(dialog, &window_);
    widget.exec();
  }
  if (!dialog.Unloaded()) dialog.Close();
}

}  // namespace pelorin::gui
