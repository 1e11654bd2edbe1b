#include "DateDialogWidget.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "app/DateDialog.h"

namespace pelorin::gui {

namespace {

void Name(QWidget* widget, const QString& name) {
  widget->setObjectName(name);
  widget->setAccessibleDescription(name);
}

QString Indexed(const char* name, int i) { return QString("%1(%2)").arg(name).arg(i); }

}  // namespace

DateDialogWidget::DateDialogWidget(DateDialog& model, QWidget* parent) : QDialog(parent), model_(model) {
  setObjectName("vrijeme");
  setWindowTitle("Date and time");
  setModal(true);

  auto* grid = new QGridLayout(this);
  auto* dateLabel = new QLabel("Date:", this);
  auto* timeLabel = new QLabel("UT:", this);
  Name(dateLabel, "Label1");
  Name(timeLabel, "Label2");
  grid->addWidget(dateLabel, 0, 0);
  grid->addWidget(timeLabel, 1, 0);

  static const char* const kDateParts[] = {"Day", "Month", "Year"};
  static const char* const kTimeParts[] = {"Hours", "Minutes", "Seconds"};
  const auto makeField = [this, grid](int row, int i, const char* boxName, const char* spinName, const char* part,
                                      int minimum, int maximum, QLineEdit*& box, QScrollBar*& spin) {
    box = new QLineEdit(this);
    Name(box, Indexed(boxName, i));
    box->setAccessibleName(part);
    box->setMaxLength(8);
    box->setMinimumWidth(fontMetrics().horizontalAdvance("00000") + 12);
    spin = new QScrollBar(Qt::Vertical, this);
    Name(spin, Indexed(spinName, i));
    spin->setAccessibleName(QString(part) + " up/down");
    spin->setRange(minimum, maximum);
    spin->setSingleStep(1);
    spin->setPageStep(1);
    spin->setFixedSize(17, std::max(box->sizeHint().height(), 2 * 17));
    auto* pair = new QHBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(box);
    pair->addWidget(spin);
    grid->addLayout(pair, row, i + 1);
  };
  for (int i = 0; i < 3; ++i) {
    const auto k = static_cast<std::size_t>(i);
    makeField(0, i, "de", "deprom", kDateParts[i], DateDialog::kDeMin[k], DateDialog::kDeMax[k], de_[k], deprom_[k]);
    makeField(1, i, "ra", "raprom", kTimeParts[i], DateDialog::kRaMin[k], DateDialog::kRaMax[k], ra_[k], raprom_[k]);

    connect(de_[k], &QLineEdit::textEdited, this, [this, i](const QString& text) {
      if (model_.Unloaded()) return;
      model_.de_Change(i, text.toStdString());
      showModel();
    });
    connect(ra_[k], &QLineEdit::textEdited, this, [this, i](const QString& text) {
      if (model_.Unloaded()) return;
      model_.ra_Change(i, text.toStdString());
      showModel();
    });
    connect(deprom_[k], &QScrollBar::valueChanged, this, [this, i](int value) {
      if (model_.Unloaded()) return;
      model_.deprom_Change(i, value);
      showModel();
    });
    connect(raprom_[k], &QScrollBar::valueChanged, this, [this, i](int value) {
      if (model_.Unloaded()) return;
      model_.raprom_Change(i, value);
      showModel();
    });
    connect(de_[k], &QLineEdit::returnPressed, this, [this, i] {
      if (model_.Unloaded()) return;
      model_.de_KeyPress(i, 13);
      closeIfUnloaded();
    });
    connect(ra_[k], &QLineEdit::returnPressed, this, [this, i] {
      if (model_.Unloaded()) return;
      model_.ra_KeyPress(i, 13);
      closeIfUnloaded();
    });
  }

  auto* ok = new QPushButton("OK", this);
  auto* cancel = new QPushButton("Cancel", this);
  Name(ok, "OK");
  Name(cancel, "Cancel");
  // Enter belongs to the boxes (de_KeyPress / ra_KeyPress), not to a default
  // button that would confirm a second time.
  ok->setAutoDefault(false);
  cancel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 2, 0, 1, 4);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (model_.Unloaded()) return;
    model_.OK_Click();
    closeIfUnloaded();
  });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

  model_.Form_Load();
  showModel();
  de_[0]->setFocus();
}

void DateDialogWidget::showModel() {
  const auto show = [](QLineEdit* box, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (box->text() != t) box->setText(t);
  };
  for (std::size_t k = 0; k < 3; ++k) {
    show(de_[k], model_.de[k]);
    show(ra_[k], model_.ra[k]);
    const QSignalBlocker blockDe(deprom_[k]), blockRa(raprom_[k]);
    deprom_[k]->setValue(model_.deprom[k]);
    raprom_[k]->setValue(model_.raprom[k]);
  }
}

void DateDialogWidget::closeIfUnloaded() {
  if (model_.Unloaded()) done(QDialog::Accepted);
}

void DateDialogWidget::reject() {
  if (!model_.Unloaded()) model_.Cancel_Click();
  QDialog::reject();
}

}  // namespace pelorin::gui
