// vrijeme, "Date and time": a view of the core's DateDialog. Typing, the
// spin bars, Enter, OK, Cancel and the close box go to the model; the boxes
// then show the model's texts and the spin bars its values.
#pragma once

#include <array>

#include <QDialog>

class QLineEdit;
class QScrollBar;

namespace pelorin {
class DateDialog;
}

namespace pelorin::gui {

class DateDialogWidget : public QDialog {
  Q_OBJECT

 public:
  // Runs the model's Form_Load and fills the boxes from it.
  DateDialogWidget(DateDialog& model, QWidget* parent = nullptr);

  // Cancel, Esc and the close box: Cancel_Click.
  void reject() override;

 private:
  void showModel();
  void closeIfUnloaded();
  DateDialog& model_;
  std::array<QLineEdit*, 3> de_{}, ra_{};
  std::array<QScrollBar*, 3> deprom_{}, raprom_{};
};

}  // namespace pelorin::gui
