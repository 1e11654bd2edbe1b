#include "SeriesWindow.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Text.h"
#include "base/Angles.h"
#include "series/SeriesText.h"

namespace pelorin::gui {

namespace {

constexpr double kUnixEpochJd = 2440587.5;

qint64 MsOfJd(double jd) { return static_cast<qint64>(std::llround((jd - kUnixEpochJd) * 86400000.0)); }

double JdOfDate(const QDate& d) {
  double jd = 0;
  JulianDay(d.year(), d.month(), d.day(), 0, jd);
  return jd;
}

QString Fixed(double v, int decimals) { return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString("–"); }

// "YYYY-MM-DD HH:MM" (UT) of a Julian day.
QString Minutes(double jd) { return QString::fromStdString(series::IsoTime(jd)).left(16).replace('T', ' '); }

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  return b;
}

QValueAxis* ValueAxis(const QString& title) {
  auto* a = new QValueAxis;
  a->setTitleText(title);
  return a;
}

void Attach(QChart* chart, QAbstractSeries* s, QAbstractAxis* x, QAbstractAxis* y) {
  chart->addSeries(s);
  s->attachAxis(x);
  s->attachAxis(y);
}

void HideFromLegend(QChart* chart, QAbstractSeries* s) {
  for (QLegendMarker* m : chart->legend()->markers(s)) m->setVisible(false);
}

QChart* FreshChart(QChartView* view, const QString& title) {
  QChart* old = view->chart();
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->setAlignment(Qt::AlignBottom);
  QFont small = chart->legend()->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  chart->legend()->setFont(small);
  view->setChart(chart);
  delete old;
  return chart;
}

}  // namespace

SeriesWindow::SeriesWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Series");
  setWindowTitle("Series");
  setAttribute(Qt::WA_DeleteOnClose);
  resize(1300, 820);

  // Left: sources, options, tracks, results.
  auto* left = new QWidget;
  auto* lv = new QVBoxLayout(left);
  sourcesLabel_ = new QLabel("No data files yet.");
  sourcesLabel_->setWordWrap(true);
  lv->addWidget(sourcesLabel_);
  auto* addRow = new QHBoxLayout;
  QPushButton* addFolder = Button("Add folder…", "addFolder", this);
  QPushButton* addFiles = Button("Add data files…", "addFiles", this);
  addRow->addWidget(addFolder);
  addRow->addWidget(addFiles);
  lv->addLayout(addRow);

  auto* form = new QFormLayout;
  method_ = new QComboBox;
  method_->setObjectName("method");
  method_->addItems({"Daily shifts", "Robust line per track"});
  law_ = new QComboBox;
  law_->setObjectName("law");
  law_->addItems({"A + B sin²b", "A + B sin²b + C sin⁴b"});
  hemisphere_ = new QComboBox;
  hemisphere_->setObjectName("hemisphere");
  hemisphere_->addItems({"Both", "North", "South"});
  maxCmd_ = new QDoubleSpinBox;
  maxCmd_->setObjectName("maxCmd");
  maxCmd_->setRange(5, 90);
  maxCmd_->setValue(58);
  maxCmd_->setSuffix("°");
  span_ = new QCheckBox("Only from");
  span_->setObjectName("span");
  from_ = new QDateEdit;
  to_ = new QDateEdit;
  for (QDateEdit* d : {from_, to_}) {
    d->setDisplayFormat("yyyy-MM-dd");
    d->setCalendarPopup(true);
    d->setEnabled(false);
  }
  auto* spanRow = new QHBoxLayout;
  spanRow->addWidget(span_);
  spanRow->addWidget(from_);
  spanRow->addWidget(new QLabel("to"));
  spanRow->addWidget(to_);
  form->addRow("Velocities by", method_);
  form->addRow("Law", law_);
  form->addRow("Hemisphere", hemisphere_);
  form->addRow("|CMD| at most", maxCmd_);
  form->addRow("Dates", spanRow);
  lv->addLayout(form);

  tracks_ = new QTableWidget(0, 4);
  tracks_->setObjectName("tracks");
  tracks_->setHorizontalHeaderLabels({"Track", "Points", "First", "Last"});
  tracks_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tracks_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tracks_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tracks_->verticalHeader()->setVisible(false);
  tracks_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  lv->addWidget(tracks_, 2);
  auto* editRow = new QHBoxLayout;
  QPushButton* rename = Button("Rename…", "rename", this);
  QPushButton* split = Button("Split…", "split", this);
  QPushButton* join = Button("Join", "join", this);
  editRow->addWidget(rename);
  editRow->addWidget(split);
  editRow->addWidget(join);
  lv->addLayout(editRow);

  results_ = new QPlainTextEdit;
  results_->setObjectName("results");
  results_->setReadOnly(true);
  results_->setFont(QFont("monospace"));
  lv->addWidget(results_, 2);
  auto* csvRow = new QHBoxLayout;
  csvRow->addWidget(new QLabel("CSV:"));
  QPushButton* csvTracks = Button("Tracks…", "csvTracks", this);
  QPushButton* csvVelocities = Button("Velocities…", "csvVelocities", this);
  QPushButton* csvFit = Button("Fit…", "csvFit", this);
  csvRow->addWidget(csvTracks);
  csvRow->addWidget(csvVelocities);
  csvRow->addWidget(csvFit);
  lv->addLayout(csvRow);

  // Right: the three plots.
  auto* right = new QWidget;
  auto* rv = new QVBoxLayout(right);
  plots_ = new QTabWidget;
  plots_->setObjectName("plots");
  const char* names[3] = {"profile", "butterfly", "track"};
  const char* titles[3] = {"Rotation profile", "Butterfly diagram", "Track"};
  for (int i = 0; i < 3; ++i) {
    views_[i] = new QChartView(new QChart);
    views_[i]->setObjectName(names[i]);
    views_[i]->setRenderHint(QPainter::Antialiasing);
    views_[i]->setMinimumSize(400, 300);
    plots_->addTab(views_[i], titles[i]);
  }
  rv->addWidget(plots_);
  auto* plotRow = new QHBoxLayout;
  plotRow->addStretch();
  QPushButton* png = Button("Save plot as PNG…", "savePng", this);
  QPushButton* svg = Button("Save plot as SVG…", "saveSvg", this);
  plotRow->addWidget(png);
  plotRow->addWidget(svg);
  rv->addLayout(plotRow);

  auto* splitter = new QSplitter;
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 2);
  auto* top = new QVBoxLayout(this);
  top->addWidget(splitter);

  connect(addFolder, &QPushButton::clicked, this, [this] {
    const QString dir = QFileDialog::getExistingDirectory(this, "Series: a folder of data files");
    if (!dir.isEmpty()) addSources({dir});
  });
  connect(addFiles, &QPushButton::clicked, this, [this] {
    const QStringList files =
        QFileDialog::getOpenFileNames(this, "Series: data files", QString(), "Data files (*.dat);;All files (*)");
    if (!files.isEmpty()) addSources(files);
  });
  for (QComboBox* c : {method_, law_, hemisphere_})
    connect(c, &QComboBox::currentIndexChanged, this, [this] { refit(); });
  connect(maxCmd_, &QDoubleSpinBox::editingFinished, this, [this] { refit(); });
  connect(span_, &QCheckBox::toggled, this, [this](bool on) {
    from_->setEnabled(on);
    to_->setEnabled(on);
    refit();
  });
  for (QDateEdit* d : {from_, to_}) connect(d, &QDateEdit::editingFinished, this, [this] { refit(); });
  connect(tracks_, &QTableWidget::itemSelectionChanged, this, [this] { drawTrack(); });
  connect(rename, &QPushButton::clicked, this, [this] { renameTrack(); });
  connect(split, &QPushButton::clicked, this, [this] { splitTrack(); });
  connect(join, &QPushButton::clicked, this, [this] { joinTracks(); });
  connect(png, &QPushButton::clicked, this, [this] { savePlot(false); });
  connect(svg, &QPushButton::clicked, this, [this] { savePlot(true); });
  connect(csvTracks, &QPushButton::clicked, this, [this] { saveCsv(0); });
  connect(csvVelocities, &QPushButton::clicked, this, [this] { saveCsv(1); });
  connect(csvFit, &QPushButton::clicked, this, [this] { saveCsv(2); });
  refit();
}

void SeriesWindow::askForSources() {
  const QString dir = QFileDialog::getExistingDirectory(this, "Series: a folder of data files");
  if (!dir.isEmpty()) {
    addSources({dir});
    return;
  }
  const QStringList files =
      QFileDialog::getOpenFileNames(this, "Series: data files", QString(), "Data files (*.dat);;All files (*)");
  if (!files.isEmpty()) addSources(files);
}

void SeriesWindow::addSources(const QStringList& paths) {
  for (const QString& p : paths) sources_.push_back(p.toStdString());
  reload();
}

void SeriesWindow::reload() {
  data_ = series::ReadSeries(sources_);
  trackData_ = series::BuildTracks(data_);
  if (!data_.files.empty()) {
    int y = 0, m = 0, d = 0;
    double h = 0;
    series::CalendarOf(data_.files.front().jd, y, m, d, h);
    from_->setDate(QDate(y, m, d));
    series::CalendarOf(data_.files.back().jd, y, m, d, h);
    to_->setDate(QDate(y, m, d));
  }
  QString text = QString("%1 data files read from %2 source(s)").arg(data_.files.size()).arg(sources_.size());
  if (!data_.problems.empty()) text += QString("; %1 problem(s), listed below").arg(data_.problems.size());
  sourcesLabel_->setText(text);
  fillTrackList();
  refit();
}

series::FitOptions SeriesWindow::options() const {
  series::FitOptions o;
  o.method = method_->currentIndex() == 1 ? series::Method::TrackFit : series::Method::DailyShifts;
  o.terms = law_->currentIndex() == 1 ? 3 : 2;
  o.hemisphere = hemisphere_->currentIndex() == 1 ? 1 : hemisphere_->currentIndex() == 2 ? -1 : 0;
  o.maxCmd_deg = maxCmd_->value();
  if (span_->isChecked()) {
    o.fromJd = JdOfDate(from_->date());
    o.toJd = JdOfDate(to_->date()) + 1;
  }
  return o;
}

void SeriesWindow::refit() {
  result_ = series::MeasureRotation(trackData_, options());
  fillResults();
  drawProfile();
  drawButterfly();
  drawTrack();
}

void SeriesWindow::fillTrackList() {
  const int keep = selectedTrack();
  tracks_->setRowCount(static_cast<int>(trackData_.size()));
  for (std::size_t i = 0; i < trackData_.size(); ++i) {
    const series::Track& t = trackData_[i];
    const int row = static_cast<int>(i);
    auto* name = new QTableWidgetItem(QString::fromStdString(t.name));
    // The track's files, one a line.
    QStringList files;
    for (const series::TrackPoint& p : t.points)
      files << QString::fromStdString(data_.files[static_cast<std::size_t>(p.file)].path);
    name->setToolTip(files.join('\n'));
    tracks_->setItem(row, 0, name);
    tracks_->setItem(row, 1, new QTableWidgetItem(QString::number(t.points.size())));
    tracks_->setItem(row, 2, new QTableWidgetItem(Minutes(t.points.front().jd)));
    tracks_->setItem(row, 3, new QTableWidgetItem(Minutes(t.points.back().jd)));
  }
  if (keep >= 0 && keep < tracks_->rowCount()) tracks_->selectRow(keep);
}

int SeriesWindow::selectedTrack() const {
  const auto rows = tracks_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

QString SeriesWindow::resultsText() const { return results_->toPlainText(); }

void SeriesWindow::fillResults() {
  QStringList lines;
  const series::LawFit& f = result_.fit;
  const series::FitOptions o = options();
  lines << QString("files %1, group names %2, tracks %3")
               .arg(data_.files.size())
               .arg(data_.GroupNames())
               .arg(trackData_.size());
  if (f.ok) {
    lines << QString("omega_sid = A + B sin²b%1 (deg/day, sidereal)").arg(f.terms > 2 ? " + C sin⁴b" : "");
    lines << "       value     bootstrap  least squares";
    const char* names[3] = {"A", "B", "C"};
    for (int i = 0; i < f.terms; ++i) {
      const auto k = static_cast<std::size_t>(i);
      lines << QString("  %1 %2 ± %3  ± %4")
                   .arg(names[i])
                   .arg(Fixed(f.coef[k], 4), 9)
                   .arg(Fixed(f.errBoot[k], 4), 7)
                   .arg(Fixed(f.errLs[k], 4), 7);
    }
    lines << QString("  N %1 velocities of %2 tracks; chi² %3 (reduced %4)")
                 .arg(f.N)
                 .arg(f.tracks)
                 .arg(Fixed(f.chi2, 2))
                 .arg(Fixed(f.chi2Reduced, 4));
    lines << QString("  corr(A,B) %1 bootstrap, %2 least squares")
                 .arg(Fixed(f.corrAB_boot, 3))
                 .arg(Fixed(f.corrAB_ls, 3));
    lines << QString("  meridional drift (poleward +) %1 ± %2 deg/day = %3 ± %4 m/s")
                 .arg(Fixed(f.meridional_deg_day, 4))
                 .arg(Fixed(f.meridionalErr_deg_day, 4))
                 .arg(Fixed(f.meridional_m_s, 1))
                 .arg(Fixed(f.meridionalErr_m_s, 1));
  } else {
    lines << QString("Too few velocities (%1) for the law.").arg(f.N);
  }
  lines << "Filters:";
  for (const std::string& l : series::FilterReport(result_, o)) lines << "  " + QString::fromStdString(l);
  if (!data_.problems.empty()) {
    lines << "Not read:";
    for (const std::string& p : data_.problems) lines << "  " + QString::fromStdString(p);
  }
  results_->setPlainText(lines.join('\n'));
}

void SeriesWindow::drawProfile() {
  QChart* chart = FreshChart(views_[Profile], "Rotation profile (sidereal)");
  QValueAxis* x = ValueAxis("latitude (deg)");
  QValueAxis* y = ValueAxis("omega_sid (deg/day)");
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  x->setRange(-40, 40);
  double lo = 13.0, hi = 15.0;

  auto* points = new QScatterSeries;
  points->setName("velocities");
  points->setMarkerSize(5);
  points->setColor(QColor(70, 110, 200, 70));
  points->setBorderColor(Qt::transparent);
  for (const series::Velocity& v : result_.velocities)
    if (v.fate == series::Fate::Used) points->append(v.B_deg, v.omegaSid_deg_day);
  Attach(chart, points, x, y);

  const std::vector<series::ProfileBin> bins = series::ProfileBins(result_, 5);
  auto* means = new QScatterSeries;
  means->setName("5° bins: mean ± s.e.");
  means->setMarkerSize(9);
  means->setColor(QColor(20, 20, 20));
  for (const series::ProfileBin& b : bins) {
    means->append(b.centre_deg, b.mean_deg_day);
    if (b.n < 2) continue;
    auto* bar = new QLineSeries;
    bar->setPen(QPen(QColor(20, 20, 20), 1.5));
    bar->append(b.centre_deg, b.mean_deg_day - b.stdErr_deg_day);
    bar->append(b.centre_deg, b.mean_deg_day + b.stdErr_deg_day);
    Attach(chart, bar, x, y);
    HideFromLegend(chart, bar);
    lo = std::min(lo, b.mean_deg_day - b.stdErr_deg_day - 0.2);
    hi = std::max(hi, b.mean_deg_day + b.stdErr_deg_day + 0.2);
  }
  Attach(chart, means, x, y);

  if (result_.fit.ok) {
    auto* law = new QLineSeries;
    const double b = result_.fit.coef[1];
    law->setName(QString("fit: %1 %2 sin²b%3")
                     .arg(Fixed(result_.fit.coef[0], 3))
                     .arg(b < 0 ? "− " + Fixed(-b, 3) : "+ " + Fixed(b, 3))
                     .arg(result_.fit.terms > 2 ? " " + Fixed(result_.fit.coef[2], 3) + " sin⁴b" : ""));
    law->setPen(QPen(QColor(200, 40, 40), 2.5));
    for (int lat = -40; lat <= 40; ++lat) law->append(lat, series::LawAt(result_.fit, lat));
    Attach(chart, law, x, y);
  }
  const series::PublishedLaw& pub = series::kKanzelhoeheDailyShifts;
  auto* published = new QLineSeries;
  published->setName(
      QString("%1: %2 − %3 sin²b").arg(QString::fromUtf8(pub.source)).arg(Fixed(pub.A, 2)).arg(Fixed(-pub.B, 2)));
  QPen dashed(QColor(30, 140, 60), 2);
  dashed.setStyle(Qt::DashLine);
  published->setPen(dashed);
  for (int b = -40; b <= 40; ++b) published->append(b, series::LawAt(pub, b));
  Attach(chart, published, x, y);
  y->setRange(std::min(lo, 12.5), std::max(hi, 15.5));
  y->applyNiceNumbers();
}

void SeriesWindow::drawButterfly() {
  QChart* chart = FreshChart(views_[Butterfly], "Butterfly diagram");
  auto* x = new QDateTimeAxis;
  x->setFormat("yyyy-MM-dd");
  x->setTitleText("date (UT)");
  QValueAxis* y = ValueAxis("latitude (deg)");
  y->setRange(-45, 45);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  // The marker grows with the group's area where a .spots.csv gives it:
  // one series per size, north and south apart, the legend naming the two.
  constexpr double kAreaSteps_msh[] = {100, 300, 1000};
  constexpr qreal kSizes[] = {6, 8, 11, 15, 20};  // no area, then under each step, then above
  auto sizeIndex = [&](double area_msh) {
    if (area_msh < 0) return 0;
    int i = 1;
    for (double step : kAreaSteps_msh) i += area_msh >= step ? 1 : 0;
    return i;
  };
  QScatterSeries* bySize[2][5] = {};
  for (int h = 0; h < 2; ++h) {
    for (int k = 0; k < 5; ++k) {
      auto* s = new QScatterSeries;
      s->setName(h == 0 ? "north" : "south");
      s->setColor(h == 0 ? QColor(200, 60, 40, 160) : QColor(40, 80, 200, 160));
      s->setMarkerSize(kSizes[k]);
      s->setBorderColor(Qt::transparent);
      bySize[h][k] = s;
    }
  }
  for (const series::Track& t : trackData_) {
    for (const series::TrackPoint& p : t.points) {
      double area = -1;
      for (int i : p.positions) area = std::max(area, data_.positions[static_cast<std::size_t>(i)].area_msh);
      bySize[p.B_deg >= 0 ? 0 : 1][sizeIndex(area)]->append(static_cast<qreal>(MsOfJd(p.jd)), p.B_deg);
    }
  }
  for (int h = 0; h < 2; ++h) {
    for (int k = 0; k < 5; ++k) {
      Attach(chart, bySize[h][k], x, y);
      if (k > 0)
        for (QLegendMarker* m : chart->legend()->markers(bySize[h][k])) m->setVisible(false);
    }
  }
  if (!data_.files.empty()) {
    x->setRange(QDateTime::fromMSecsSinceEpoch(MsOfJd(data_.files.front().jd - 1), Qt::UTC),
                QDateTime::fromMSecsSinceEpoch(MsOfJd(data_.files.back().jd + 1), Qt::UTC));
  }
}

void SeriesWindow::drawTrack() {
  int t = selectedTrack();
  if (t < 0) {
    // The longest track until one is chosen.
    std::size_t best = 0;
    for (std::size_t i = 0; i < trackData_.size(); ++i)
      if (trackData_[i].points.size() > best) {
        best = trackData_[i].points.size();
        t = static_cast<int>(i);
      }
  }
  const QString name = t >= 0 ? QString::fromStdString(trackData_[static_cast<std::size_t>(t)].name) : QString();
  QChart* chart = FreshChart(views_[TrackPlot], t >= 0 ? "Track " + name : "Track");
  QValueAxis* x = ValueAxis("days since the first point");
  QValueAxis* yl = ValueAxis("L (deg, unwrapped)");
  QValueAxis* yb = ValueAxis("B (deg)");
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(yl, Qt::AlignLeft);
  chart->addAxis(yb, Qt::AlignRight);
  if (t < 0) return;
  const series::TrackLine line = series::LineOfTrack(trackData_[static_cast<std::size_t>(t)]);
  auto* lp = new QScatterSeries;
  lp->setName("L");
  lp->setMarkerSize(9);
  lp->setColor(QColor(200, 60, 40));
  auto* bp = new QScatterSeries;
  bp->setName("B");
  bp->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  bp->setMarkerSize(8);
  bp->setColor(QColor(40, 80, 200));
  double lmin = std::numeric_limits<double>::infinity(), lmax = -lmin, bmin = lmin, bmax = -lmin;
  for (std::size_t i = 0; i < line.t_days.size(); ++i) {
    lp->append(line.t_days[i], line.L_deg[i]);
    bp->append(line.t_days[i], line.B_deg[i]);
    lmin = std::min(lmin, line.L_deg[i]);
    lmax = std::max(lmax, line.L_deg[i]);
    bmin = std::min(bmin, line.B_deg[i]);
    bmax = std::max(bmax, line.B_deg[i]);
  }
  const double span = line.t_days.empty() ? 1 : std::max(line.t_days.back(), 1.0);
  auto* lf = new QLineSeries;
  lf->setName(QString("L line: %1 deg/day (omega_sid %2)")
                  .arg(Fixed(line.L_slope_deg_day, 3))
                  .arg(Fixed(series::kCarringtonSidereal_deg_day + line.L_slope_deg_day, 3)));
  lf->setPen(QPen(QColor(200, 60, 40), 2));
  lf->append(0, line.L_intercept);
  lf->append(span, line.L_intercept + line.L_slope_deg_day * span);
  auto* bf = new QLineSeries;
  bf->setName(QString("B line: %1 deg/day").arg(Fixed(line.B_slope_deg_day, 3)));
  QPen bpen(QColor(40, 80, 200), 2);
  bpen.setStyle(Qt::DashLine);
  bf->setPen(bpen);
  bf->append(0, line.B_intercept);
  bf->append(span, line.B_intercept + line.B_slope_deg_day * span);
  Attach(chart, lp, x, yl);
  Attach(chart, lf, x, yl);
  Attach(chart, bp, x, yb);
  Attach(chart, bf, x, yb);
  x->setRange(-0.5, span + 0.5);
  yl->setRange(lmin - 2, lmax + 2);
  yb->setRange(bmin - 2, bmax + 2);
  for (QValueAxis* a : {x, yl, yb}) a->applyNiceNumbers();
}

QChartView* SeriesWindow::plotView(Plot p) const { return views_[p]; }

bool SeriesWindow::exportPng(Plot p, const QString& path) const { return views_[p]->grab().save(path, "PNG"); }

bool SeriesWindow::exportSvg(Plot p, const QString& path) const {
  QChartView* v = views_[p];
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(v->size());
  svg.setViewBox(QRect(QPoint(0, 0), v->size()));
  svg.setTitle(plots_->tabText(p));
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  v->render(&painter);
  return painter.end() && QFile(path).size() > 0;
}

void SeriesWindow::savePlot(bool svg) {
  const auto p = static_cast<Plot>(plots_->currentIndex());
  const QString path = QFileDialog::getSaveFileName(this, svg ? "Save plot as SVG" : "Save plot as PNG", QString(),
                                                    svg ? "SVG (*.svg)" : "PNG (*.png)");
  if (path.isEmpty()) return;
  if (!(svg ? exportSvg(p, path) : exportPng(p, path)))
    QMessageBox::warning(this, "Series", "The plot was not saved to " + path + ".");
}

void SeriesWindow::saveCsv(int which) {
  const char* titles[3] = {"Save the tracks as CSV", "Save the velocities as CSV", "Save the fit as CSV"};
  const QString path = QFileDialog::getSaveFileName(this, titles[which], QString(), "CSV (*.csv)");
  if (path.isEmpty()) return;
  const std::string text = which == 0   ? series::TracksCsv(data_, trackData_)
                           : which == 1 ? series::VelocitiesCsv(trackData_, result_)
                                        : series::FitCsv(data_, result_);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) ||
      f.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    QMessageBox::warning(this, "Series", "The CSV was not saved to " + path + ": " + f.errorString());
  }
}

void SeriesWindow::renameTrack() {
  const int t = selectedTrack();
  if (t < 0) return;
  bool ok = false;
  const QString name = QInputDialog::getText(this, "Rename track", "New name:", QLineEdit::Normal,
                                             QString::fromStdString(trackData_[static_cast<std::size_t>(t)].name), &ok);
  if (!ok) return;
  const std::string why = series::RenameTrack(trackData_, t, name.trimmed().toStdString());
  if (!why.empty()) {
    QMessageBox::warning(this, "Series", QString::fromStdString("The track was not renamed: " + why + "."));
    return;
  }
  fillTrackList();
  refit();
}

void SeriesWindow::splitTrack() {
  const int t = selectedTrack();
  if (t < 0) return;
  const int n = static_cast<int>(trackData_[static_cast<std::size_t>(t)].points.size());
  if (n < 2) {
    QMessageBox::warning(this, "Series", "A track of one point cannot be split.");
    return;
  }
  bool ok = false;
  const int at = QInputDialog::getInt(this, "Split track", QString("The new track begins at point (2 to %1):").arg(n),
                                      2, 2, n, 1, &ok);
  if (!ok) return;
  const std::string why = series::SplitTrack(trackData_, t, at - 1);
  if (!why.empty()) QMessageBox::warning(this, "Series", QString::fromStdString("Not split: " + why + "."));
  fillTrackList();
  refit();
}

void SeriesWindow::joinTracks() {
  const auto rows = tracks_->selectionModel()->selectedRows();
  if (rows.size() != 2) {
    QMessageBox::warning(this, "Series", "Select two tracks to join.");
    return;
  }
  const int a = std::min(rows[0].row(), rows[1].row()), b = std::max(rows[0].row(), rows[1].row());
  const std::string why = series::JoinTracks(trackData_, a, b);
  if (!why.empty()) {
    QMessageBox::warning(this, "Series", QString::fromStdString("Not joined: " + why + "."));
    return;
  }
  tracks_->clearSelection();
  fillTrackList();
  tracks_->selectRow(a);
  refit();
}

}  // namespace pelorin::gui
