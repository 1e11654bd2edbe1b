#include "MeasurementsPanel.h"

#include <algorithm>
#include <cmath>
#include <set>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTreeView>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Dispatcher.h"
#include "base/Text.h"
#include "app/Edits.h"
#include "app/Errors.h"
#include "formats/Export.h"
#include "app/SpotReview.h"

namespace pelorin::gui {

namespace {

enum Column { kName, kPoints, kB, kCmd, kL, kErrB, kErrL, kArea, kClass };

QString Angle(double value, int intDigits) { return QString::fromStdString(FixedText(value, intDigits, 2)); }

}  // namespace

MeasurementsModel::MeasurementsModel(const RecordBook& book, QObject* parent)
    : QAbstractItemModel(parent), book_(book) {}

void MeasurementsModel::Refresh() {
  beginResetModel();
  objects_ = Objects(book_.list);
  area_ = std::any_of(objects_.begin(), objects_.end(),
                      [](const RecordObject& o) { return o.area_msh >= 0 || !o.spotClass.empty(); });
  endResetModel();
}

std::vector<std::size_t> MeasurementsModel::LinesOf(const QModelIndex& index) const {
  const int object = ObjectOf(index);
  if (object < 0) return {};
  const RecordObject& o = objects_[static_cast<std::size_t>(object)];
  if (index.internalId() == 0) return o.lines;
  const auto row = static_cast<std::size_t>(index.row());
  return row < o.lines.size() ? std::vector<std::size_t>{o.lines[row]} : std::vector<std::size_t>{};
}

int MeasurementsModel::ObjectOf(const QModelIndex& index) const {
  if (!index.isValid()) return -1;
  const int object = index.internalId() == 0 ? index.row() : static_cast<int>(index.internalId()) - 1;
  return object >= 0 && object < static_cast<int>(objects_.size()) ? object : -1;
}

QModelIndex MeasurementsModel::IndexOfLine(std::size_t line) const {
  for (std::size_t o = 0; o < objects_.size(); ++o) {
    const auto& lines = objects_[o].lines;
    const auto it = std::find(lines.begin(), lines.end(), line);
    if (it != lines.end()) return createIndex(static_cast<int>(it - lines.begin()), 0, static_cast<quintptr>(o + 1));
  }
  return {};
}

QModelIndex MeasurementsModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= columnCount()) return {};
  if (!parent.isValid()) {
    return row < static_cast<int>(objects_.size()) ? createIndex(row, column, quintptr{0}) : QModelIndex();
  }
  if (parent.internalId() != 0) return {};
  const int object = parent.row();
  if (object >= static_cast<int>(objects_.size()) ||
      row >= static_cast<int>(objects_[static_cast<std::size_t>(object)].lines.size()))
    return {};
  return createIndex(row, column, static_cast<quintptr>(object + 1));
}

QModelIndex MeasurementsModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == 0) return {};
  return createIndex(static_cast<int>(child.internalId()) - 1, 0, quintptr{0});
}

int MeasurementsModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(objects_.size());
  if (parent.internalId() != 0 || parent.column() != 0) return 0;
  const int object = parent.row();
  return object < static_cast<int>(objects_.size())
             ? static_cast<int>(objects_[static_cast<std::size_t>(object)].lines.size())
             : 0;
}

int MeasurementsModel::columnCount(const QModelIndex&) const { return area_ ? 9 : 7; }

QVariant MeasurementsModel::data(const QModelIndex& index, int role) const {
  const int object = ObjectOf(index);
  if (object < 0) return {};
  const RecordObject& o = objects_[static_cast<std::size_t>(object)];
  if (role == Qt::TextAlignmentRole && index.column() != kName && index.column() != kClass)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  const bool err = index.column() == kErrB || index.column() == kErrL;
  const bool top = index.internalId() == 0;
  const auto row = static_cast<std::size_t>(index.row());
  const RecordLine* r = top || row >= o.lines.size() ? nullptr : &book_.list.lines[o.lines[row]];
  if (role == Qt::ToolTipRole && err && errorNote) return QString::fromStdString(errorNote(r));
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  if (err) {
    if (!errorsOf || (!top && !r)) return {};
    const PositionErrors e = top ? errorsOf(nullptr, o.meanB_deg, o.meanL_deg) : errorsOf(r, r->B_deg, r->L_deg);
    return QString::fromStdString(PlusMinusText(index.column() == kErrB ? e.B_deg : e.L_deg, e.firstOrder));
  }
  if (index.internalId() == 0) {
    switch (index.column()) {
      case kName: return QString::fromStdString(o.name);
      case kPoints: return static_cast<int>(o.lines.size());
      case kB: return Angle(o.meanB_deg, 2);
      case kCmd: return Angle(o.meanCMD_deg, 3);
      case kL: return Angle(o.meanL_deg, 3);
      case kArea: return o.area_msh >= 0 ? QString::fromStdString(NumberText(o.area_msh)) : QString();
      case kClass: return QString::fromStdString(o.spotClass);
      default: return {};
    }
  }
  if (!r) return {};
  switch (index.column()) {
    case kName: return QString::number(index.row() + 1);
    case kB: return Angle(r->B_deg, 2);
    case kCmd: return Angle(r->CMD_deg, 3);
    case kL: return Angle(r->L_deg, 3);
    case kArea: return r->area_msh >= 0 ? QString::fromStdString(NumberText(r->area_msh)) : QString();
    case kClass: return QString::fromStdString(r->spotClass);
    default: return {};
  }
}

QVariant MeasurementsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"Name", "Points", "B", "CMD", "L", "\u00B1B", "\u00B1L", "Area", "Class"};
  return section >= 0 && section < columnCount() ? QString::fromUtf8(kTitles[section]) : QVariant();
}

MeasurementsPanel::MeasurementsPanel(App& app, QWidget* parent) : QDockWidget("Measurements", parent), app_(app) {
  setObjectName("measurementsPanel");
  setAccessibleName("Measurements");
  setAccessibleDescription("measurementsPanel");
  model_ = new MeasurementsModel(app_.book, this);
  // The errors as the status line gives them, from the calibration's now.
  model_->errorsOf = [this](const RecordLine* r, double B_deg, double L_deg) {
    if (app_.s.CalibrationState != 3) return PositionErrors{NAN, NAN, NAN, 0, false};
    return r ? RecordErrors(app_, *r) : RecordErrors(app_, B_deg, L_deg);
  };
  model_->errorNote = [this](const RecordLine* r) {
    return ErrorSourceNote(app_) + "; point: " + (r ? PointErrorNote(*r) : PointErrorNote(RecordLine{}));
  };
  view_ = new QTreeView(this);
  view_->setObjectName("measurementsView");
  view_->setAccessibleName("Measurements");
  view_->setAccessibleDescription("measurementsView");
  view_->setModel(model_);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setUniformRowHeights(true);
  view_->setAllColumnsShowFocus(true);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->setExpandsOnDoubleClick(false);
  view_->header()->setStretchLastSection(false);

  // The review of found spots, under the records.
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_, 2);
  reviewBox_ = new QWidget(box);
  auto* review = new QVBoxLayout(reviewBox_);
  review->setContentsMargins(0, 0, 0, 0);
  reviewTree_ = new QTreeWidget(reviewBox_);
  reviewTree_->setObjectName("spotsReview");
  reviewTree_->setAccessibleName("Proposed sunspots");
  reviewTree_->setHeaderLabels(
      {"Name", "Spots", "B", "CMD", "L", "Area", "Class", QString::fromUtf8("\u00B1B"), QString::fromUtf8("\u00B1L")});
  reviewTree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  reviewTree_->setContextMenuPolicy(Qt::CustomContextMenu);
  review->addWidget(reviewTree_, 1);
  auto* row = new QHBoxLayout();
  row->addWidget(new QLabel("Threshold", reviewBox_));
  threshold_ = new QDoubleSpinBox(reviewBox_);
  threshold_->setObjectName("spotThreshold");
  threshold_->setAccessibleName("Contrast threshold");
  threshold_->setRange(0.5, 0.99);
  threshold_->setSingleStep(0.01);
  threshold_->setDecimals(2);
  threshold_->setValue(QSettings().value("spots/threshold", 0.9).toDouble());
  row->addWidget(threshold_);
  row->addStretch(1);
  accept_ = new QPushButton("Accept", reviewBox_);
  accept_->setObjectName("acceptSpots");
  row->addWidget(accept_);
  review->addLayout(row);
  layout->addWidget(reviewBox_, 1);
  counts_ = new QLabel(box);
  counts_->setObjectName("spotCounts");
  counts_->setAccessibleName("Day's counts");
  layout->addWidget(counts_);
  reviewBox_->hide();
  counts_->hide();
  setWidget(box);

  connect(reviewTree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (filling_ || column != 0 || item->parent() != nullptr || !run) return;
    const int group = item->data(0, Qt::UserRole).toInt();
    const bool on = item->checkState(0) == Qt::Checked;
    // Queued: the command fills the tree again, deleting this item, which
    // Qt still uses when the signal returns.
    QMetaObject::invokeMethod(
        this,
        [this, group, on] {
          if (!run) return;
          run("Check group", [this, group, on] {
            if (app_.review) CheckGroup(*app_.review, group, on);
            Redraw(app_);
          });
        },
        Qt::QueuedConnection);
  });
  connect(accept_, &QPushButton::clicked, this, [this] {
    if (run) run("Accept", [this] { AcceptReview_Click(app_); });
  });
  connect(threshold_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
    QSettings().setValue("spots/threshold", value);
    if (filling_ || !run || !app_.review) return;
    run("Threshold", [this, value] {
      if (app_.review) ChangeThreshold(*app_.review, value);
      Redraw(app_);
    });
  });
  connect(reviewTree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { ShowReviewMenu(at); });

  const auto action = [this](const char* name, const QString& caption, const QKeySequence& key) {
    auto* a = new QAction(caption, view_);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view_->addAction(a);
    return a;
  };
  rename_ = action("renameObject", QString::fromUtf8("Rename object\u2026"), QKeySequence(Qt::Key_F2));
  delete_ = action("deleteRecords", "Delete", QKeySequence(Qt::Key_Delete));
  merge_ = action("mergeObjects", "Merge objects", QKeySequence());
  copy_ = action("copyRecords", "Copy", QKeySequence::Copy);

  connect(rename_, &QAction::triggered, this, [this] {
    const auto objects = SelectedObjects();
    if (objects.size() != 1 || !run) return;
    const RecordObject& o = model_->objects()[static_cast<std::size_t>(objects.front())];
    const std::string name = o.name;
    const std::size_t first = o.lines.front();
    run("Rename object", [this, name] { RenameObject_Click(app_, name); });
    // A rename keeps the lines where they are: the object stays selected.
    const QModelIndex point = model_->IndexOfLine(first);
    if (point.isValid()) {
      view_->selectionModel()->select(point.parent(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      view_->setCurrentIndex(point.parent());
    }
  });
  connect(delete_, &QAction::triggered, this, [this] {
    std::set<std::size_t> lines;
    for (const QModelIndex& i : view_->selectionModel()->selectedRows()) {
      for (std::size_t l : model_->LinesOf(i)) lines.insert(l);
    }
    if (lines.empty() || !run) return;
    std::vector<std::size_t> list(lines.begin(), lines.end());
    run("Delete", [this, list] {
      if (std::string e = DeleteLines(app_, list); !e.empty()) app_.win.MessageBox(e);
    });
  });
  connect(merge_, &QAction::triggered, this, [this] {
    const auto objects = SelectedObjects();
    if (objects.size() < 2 || !run) return;
    std::vector<std::string> names;
    for (int o : objects) names.push_back(model_->objects()[static_cast<std::size_t>(o)].name);
    run("Merge objects", [this, names] {
      if (std::string e = MergeObjects(app_, names); !e.empty()) app_.win.MessageBox(e);
    });
  });
  connect(copy_, &QAction::triggered, this, [this] {
    const QString text = SelectionText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
  });
  view_->installEventFilter(this);
  connect(view_, &QWidget::customContextMenuRequested, this, &MeasurementsPanel::ShowMenu);
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    UpdateActions();
    Highlight();
  });
  connect(view_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    double x = 0, y = 0;
    int n = 0;
    for (std::size_t l : model_->LinesOf(index)) {
      const RecordLine& r = app_.book.list.lines[l];
      if (!r.hasPixel) continue;
      x += r.x_px;
      y += r.y_px;
      ++n;
    }
    if (n > 0 && centreOn) centreOn(QPointF(x / n, y / n));
  });
  UpdateActions();
}

bool MeasurementsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched != view_ || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
    return QDockWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QAction* action = nullptr;
  if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier) action = rename_;
  else if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) action = delete_;
  else if (key->matches(QKeySequence::Copy)) action = copy_;
  if (action == nullptr) return QDockWidget::eventFilter(watched, event);
  // The key comes to the tree as a key press rather than as the action's
  // shortcut, so it acts once whoever has the focus in the window system.
  event->accept();
  if (event->type() == QEvent::KeyPress && action->isEnabled()) action->trigger();
  return true;
}

int MeasurementsPanel::WidthWanted() const {
  int columns = 0, review = 0;
  for (int c = 0; c < model_->columnCount(); ++c) columns += view_->columnWidth(c);
  if (!reviewBox_->isHidden())
    for (int c = 0; c < reviewTree_->columnCount(); ++c) review += reviewTree_->columnWidth(c);
  columns = std::max(columns, review);
  // The tree's frame and its vertical scroll bar.
  return columns + 2 * view_->frameWidth() + view_->verticalScrollBar()->sizeHint().width() + 4;
}

bool MeasurementsPanel::Sync() {
  if (app_.book.generation == generation_) return false;
  generation_ = app_.book.generation;
  const QSignalBlocker quiet(view_->selectionModel());
  model_->Refresh();
  view_->expandAll();
  for (int c = 0; c < model_->columnCount(); ++c) view_->resizeColumnToContents(c);
  UpdateActions();
  return true;
}

double MeasurementsPanel::Threshold() const { return threshold_->value(); }

void MeasurementsPanel::SyncReview() {
  const QSignalBlocker quiet(reviewTree_);
  filling_ = true;
  reviewTree_->clear();
  const auto number = [](double v, int decimals) { return QString::number(v, 'f', decimals); };
  // 1-sigma errors as the status line gives them; empty where not known.
  const auto pm = [](double err) { return QString::fromStdString(PlusMinusText(err, true)); };
  if (app_.review) {
    const SpotProposals& p = *app_.review;
    if (threshold_->value() != p.settings.contrastThreshold) threshold_->setValue(p.settings.contrastThreshold);
    for (std::size_t g = 0; g < p.report.groups.size(); ++g) {
      const SpotGroup& grp = p.report.groups[g];
      auto* item = new QTreeWidgetItem(reviewTree_, {QString::fromStdString(grp.name), QString::number(grp.spots.size()),
                                                     number(grp.B, 2), number(grp.CMD, 2), number(grp.L, 2),
                                                     number(grp.area_msh, 0), QString::fromStdString(grp.mcIntosh),
                                                     pm(grp.B_err), pm(grp.L_err)});
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, g < p.checked.size() && p.checked[g] ? Qt::Checked : Qt::Unchecked);
      item->setData(0, Qt::UserRole, static_cast<int>(g));
      int n = 0;
      for (int i : grp.spots) {
        const FoundSpot& f = p.report.spots[static_cast<std::size_t>(i)];
        auto* spot = new QTreeWidgetItem(item, {QString("%1 %2").arg(QString::fromStdString(grp.name)).arg(++n), "",
                                                number(f.B, 2), number(f.CMD, 2), number(f.L, 2),
                                                number(f.area_msh, 0) + (f.uncertain ? "?" : ""), "", pm(f.B_err),
                                                pm(f.L_err)});
        spot->setData(0, Qt::UserRole, i);
      }
    }
    reviewTree_->expandAll();
    for (int c = 0; c < reviewTree_->columnCount(); ++c) reviewTree_->resizeColumnToContents(c);
  }
  filling_ = false;
  reviewBox_->setVisible(app_.review.has_value());
  const bool counted = app_.review.has_value() || !AcceptedGroups(app_.book.list).empty();
  counts_->setText(counted ? QString::fromStdString(DayCountsLine(app_)) : QString());
  counts_->setVisible(counted);
}

void MeasurementsPanel::SelectedProposals(std::vector<int>& groups, std::vector<int>& spots) const {
  for (QTreeWidgetItem* item : reviewTree_->selectedItems()) {
    (item->parent() == nullptr ? groups : spots).push_back(item->data(0, Qt::UserRole).toInt());
  }
}

void MeasurementsPanel::ShowReviewMenu(const QPoint& at) {
  if (!app_.review || !run) return;
  std::vector<int> groups, spots;
  SelectedProposals(groups, spots);
  QMenu menu(this);
  menu.setObjectName("spotsReviewMenu");
  QAction* remove = menu.addAction("Remove");
  remove->setObjectName("removeProposals");
  remove->setEnabled(!groups.empty() || !spots.empty());
  QAction* merge = menu.addAction("Merge groups");
  merge->setObjectName("mergeGroups");
  merge->setEnabled(groups.size() >= 2);
  QAction* group = menu.addAction("New group of spots");
  group->setObjectName("newGroup");
  group->setEnabled(!spots.empty());
  QAction* rename = menu.addAction(QString::fromUtf8("Rename group\u2026"));
  rename->setObjectName("renameGroup");
  rename->setEnabled(groups.size() == 1);
  QAction* chosen = menu.exec(reviewTree_->viewport()->mapToGlobal(at));
  if (chosen == nullptr) return;
  std::string name;
  if (chosen == rename) {
    bool ok = false;
    const QString old = QString::fromStdString(app_.review->report.groups[static_cast<std::size_t>(groups[0])].name);
    name = QInputDialog::getText(this, "Rename group", "Enter the new name of " + old, QLineEdit::Normal, old, &ok)
               .toStdString();
    if (!ok || name.empty()) return;
  }
  run(chosen->text().toUtf8().constData(), [this, chosen, remove, merge, group, groups, spots, name] {
    if (!app_.review) return;
    SpotProposals& p = *app_.review;
    std::string error;
    if (chosen == remove) {
      // The spots first: removing the groups renumbers them.
      std::vector<int> all = spots;
      for (int g : groups)
        for (int i : p.report.groups[static_cast<std::size_t>(g)].spots) all.push_back(i);
      error = RemoveSpots(p, all);
    } else if (chosen == merge) {
      error = MergeGroups(p, groups);
    } else if (chosen == group) {
      error = NewGroupOfSpots(p, spots);
    } else {
      error = RenameGroup(p, groups[0], name);
    }
    if (!error.empty()) app_.win.MessageBox(error);
    Redraw(app_);
  });
}

void MeasurementsPanel::SelectLine(std::size_t line) {
  const QModelIndex index = model_->IndexOfLine(line);
  if (!index.isValid()) return;
  view_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view_->setCurrentIndex(index);
  view_->scrollTo(index);
}

QString MeasurementsPanel::SelectionText() const {
  QModelIndexList rows = view_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return {};
  // In the panel's order: objects, each followed by its points.
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) {
    const auto key = [](const QModelIndex& i) {
      return i.internalId() == 0 ? std::pair<int, int>(i.row(), -1)
                                 : std::pair<int, int>(static_cast<int>(i.internalId()) - 1, i.row());
    };
    return key(a) < key(b);
  });
  std::vector<TsvRow> out;
  for (const QModelIndex& i : rows) {
    const int object = model_->ObjectOf(i);
    if (object < 0) continue;
    const RecordObject& o = model_->objects()[static_cast<std::size_t>(object)];
    if (i.internalId() == 0) {
      out.push_back({o.name, o.meanB_deg, o.meanCMD_deg, o.meanL_deg, o.area_msh, o.spotClass});
    } else {
      const RecordLine& r = app_.book.list.lines[o.lines[static_cast<std::size_t>(i.row())]];
      out.push_back({r.name, r.B_deg, r.CMD_deg, r.L_deg, r.area_msh, r.spotClass});
    }
  }
  return QString::fromStdString(TsvText(out, model_->hasAreaColumns()));
}

void MeasurementsPanel::Highlight() {
  std::vector<std::size_t> lines;
  for (const QModelIndex& i : view_->selectionModel()->selectedRows()) {
    for (std::size_t l : model_->LinesOf(i)) lines.push_back(l);
  }
  if (run) run("Measurements", [this, lines] { SetHighlighted(app_, lines); });
}

std::vector<int> MeasurementsPanel::SelectedObjects() const {
  std::set<int> objects;
  for (const QModelIndex& i : view_->selectionModel()->selectedRows()) {
    const int o = model_->ObjectOf(i);
    if (o >= 0) objects.insert(o);
  }
  return {objects.begin(), objects.end()};
}

void MeasurementsPanel::UpdateActions() {
  const auto objects = SelectedObjects();
  const bool any = view_->selectionModel()->hasSelection();
  rename_->setEnabled(objects.size() == 1);
  delete_->setEnabled(any);
  merge_->setEnabled(objects.size() >= 2);
  copy_->setEnabled(any);
}

void MeasurementsPanel::ShowMenu(const QPoint& at) {
  QMenu menu(this);
  menu.setObjectName("measurementsMenu");
  menu.addAction(rename_);
  menu.addAction(delete_);
  menu.addAction(merge_);
  menu.addSeparator();
  menu.addAction(copy_);
  menu.exec(view_->viewport()->mapToGlobal(at));
}

}  // namespace pelorin::gui
