// Koordinate, "Coordinate system": ten diagrams Picture(0..9) of the axis
// layouts the core offers; a click on a diagram (or on its X / φ label)
// chooses that layout through the core's CoordDialog.
#pragma once

#include <array>

#include <QDialog>

namespace pelorin {
class CoordDialog;
}

namespace pelorin::gui {

class CoordDialogWidget : public QDialog {
  Q_OBJECT

 public:
  CoordDialogWidget(CoordDialog& model, QWidget* parent = nullptr);

  // Cancel, Esc and the close box: Cancel_Click.
  void reject() override;

  // Diagram geometry, twips: boxes of 1332 x 1452 in three rows.
  static constexpr int kBoxWidthTwips = 1332, kBoxHeightTwips = 1452;
  static constexpr std::array<int, 4> kLeftTwips{120, 1560, 3000, 4440};
  static constexpr std::array<int, 3> kTopTwips{120, 1680, 3240};

 private:
  void pictureClicked(int index);
  void labelClicked(int index);
  CoordDialog& model_;
};

}  // namespace pelorin::gui
