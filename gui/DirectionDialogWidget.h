// smjer ("orientation") and smjerosi ("Orientation of polar axe"): views of
// the core's DirectionDialog. Frame1(c) shows where east (north) lies for
// the half-turn correction c: 0 right, 1 top, 2 left, 3 bottom; the frame
// the model has selected is drawn red, the others black.
#pragma once

#include <array>

#include <QDialog>

class QRadioButton;

namespace pelorin {
class DirectionDialog;
}

namespace pelorin::gui {

class DirectionDialogWidget : public QDialog {
  Q_OBJECT

 public:
  DirectionDialogWidget(DirectionDialog& model, QWidget* parent = nullptr);

  // Esc and the close box: the model's Close.
  void reject() override;

 private:
  void showModel();
  DirectionDialog& model_;
  std::array<QRadioButton*, 2> options_{};
  std::array<QWidget*, 4> frames_{};
};

}  // namespace pelorin::gui
