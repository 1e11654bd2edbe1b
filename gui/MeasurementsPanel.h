// The measurement panel: a dock at the right of the picture showing the open
// picture's records as a tree, each object (group) with its number of
// points and mean B, CMD and L, its points under it. It only shows the
// core's list (app.book) and forwards the edits to the core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include <QAbstractItemModel>
#include <QDockWidget>
#include <QPointF>

#include "app/App.h"
#include "geometry/PositionErrors.h"
#include "measure/Records.h"

class QAction;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelorin::gui {

// The records as a two-level model: objects at the top, their points below.
// Columns Name, Points, B, CMD, L, ±B, ±L (1 sigma), and Area and Class
// when an object has them. Angles are shown as the status line shows them.
class MeasurementsModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit MeasurementsModel(const RecordBook& book, QObject* parent = nullptr);

  // Reads the book again (one reset of the model).
  void Refresh();
  const std::vector<RecordObject>& objects() const { return objects_; }
  bool hasAreaColumns() const { return area_; }

  // The lines of the working file an index stands for: all of an object's,
  // or the one of a point.
  std::vector<std::size_t> LinesOf(const QModelIndex& index) const;
  // The object of an index (a point's object for a point); -1 for none.
  int ObjectOf(const QModelIndex& index) const;
  // The index (column 0) of a line of the working file: its point row.
  QModelIndex IndexOfLine(std::size_t line) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The errors of a position (B, L) for the columns ±B and ±L, and the note
  // of where they come from (their tooltip); set by the panel.
  // A record's errors (`r`), or those of an object's mean (r null).
  std::function<PositionErrors(const RecordLine* r, double B_deg, double L_deg)> errorsOf;
  std::function<std::string(const RecordLine* r)> errorNote;

 private:
  const RecordBook& book_;
  std::vector<RecordObject> objects_;
  bool area_ = false;
};

class MeasurementsPanel : public QDockWidget {
  Q_OBJECT

 public:
  explicit MeasurementsPanel(App& app, QWidget* parent = nullptr);

  QTreeView* view() const { return view_; }
  MeasurementsModel* model() const { return model_; }
  // The context menu's items, also reachable by their keys while the panel
  // has the focus: "Rename object…" (F2), "Delete" (Del), "Merge objects",
  // and "Copy" (Ctrl+C).
  QAction* renameAction() const { return rename_; }
  QAction* deleteAction() const { return delete_; }
  QAction* mergeAction() const { return merge_; }
  QAction* copyAction() const { return copy_; }

  // Reads the core's list again when it changed since the last time (the
  // generation of app.book). Returns true when it did.
  bool Sync();
  // The width that shows every column of the records (and of the spots
  // under review) whole, pixels.
  int WidthWanted() const;
  // Selects the row of a line of the working file and shows it.
  void SelectLine(std::size_t line);
  // The selected rows as tab-separated text with a header row.
  QString SelectionText() const;

  // The spots under review (app.review) under the records: each proposed
  // group with its check box, spots, B, CMD, L, area and class; the
  // contrast threshold, "Accept", and the day's counts line. Rebuilt from
  // the core on every call; hidden when nothing is reviewed.
  void SyncReview();
  QTreeWidget* reviewTree() const { return reviewTree_; }
  QPushButton* acceptButton() const { return accept_; }
  QLabel* countsLabel() const { return counts_; }
  QDoubleSpinBox* thresholdBox() const { return threshold_; }
  // The contrast threshold the next Find sunspots uses (remembered).
  double Threshold() const;

  // Runs a core command on the program through the shell's safety net and
  // refreshes what it changed (set by the main window).
  std::function<void(const char* what, std::function<void()> command)> run;
  // Centre the picture's view on picture point p (set by the main window).
  std::function<void(QPointF p)> centreOn;

 protected:
  // The panel's keys (F2, Del, Ctrl+C) while its tree has the focus, also
  // where the window system gives the shortcut to no one.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Highlight();
  void ShowMenu(const QPoint& at);
  void UpdateActions();
  std::vector<int> SelectedObjects() const;
  void ShowReviewMenu(const QPoint& at);
  // The selected proposed groups and spots (indices into the review's report).
  void SelectedProposals(std::vector<int>& groups, std::vector<int>& spots) const;

  App& app_;
  MeasurementsModel* model_ = nullptr;
  QTreeView* view_ = nullptr;
  QAction* rename_ = nullptr;
  QAction* delete_ = nullptr;
  QAction* merge_ = nullptr;
  QAction* copy_ = nullptr;
  std::uint64_t generation_ = ~std::uint64_t{0};
  QWidget* reviewBox_ = nullptr;
  QTreeWidget* reviewTree_ = nullptr;
  QDoubleSpinBox* threshold_ = nullptr;
  QPushButton* accept_ = nullptr;
  QLabel* counts_ = nullptr;
  bool filling_ = false;
};

}  // namespace pelorin::gui
