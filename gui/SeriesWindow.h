// The "Series" window (Tools -> Series...): a season of data files read,
// its groups followed, the rotation law fitted, and the three plots. A shell
// over core/series: it holds the sources, the options and the tracks as the
// user edited them, and shows what the core computes from them. It is not
// modal; the main window goes on while it is open.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

#include "series/Rotation.h"
#include "series/SeriesRead.h"
#include "series/Tracks.h"

class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QTabWidget;

namespace pelorin::gui {

class SeriesWindow : public QWidget {
  Q_OBJECT

 public:
  enum Plot { Profile = 0, Butterfly = 1, TrackPlot = 2 };

  explicit SeriesWindow(QWidget* parent = nullptr);

  // Adds data files or folders (read with their subfolders) and reads the
  // whole season again; the tracks are built afresh (hand edits are lost).
  void addSources(const QStringList& paths);
  // Asks for a folder, then (cancelled) for data files, and adds them.
  void askForSources();

  // The plot's view; its chart holds the series shown.
  QChartView* plotView(Plot p) const;
  // Writes the plot as PNG or SVG at its present size. False (nothing
  // written) when the file cannot be written.
  bool exportPng(Plot p, const QString& path) const;
  bool exportSvg(Plot p, const QString& path) const;

  QTableWidget* trackList() const { return tracks_; }
  QString resultsText() const;
  const series::RotationResult& result() const { return result_; }
  const std::vector<series::Track>& tracks() const { return trackData_; }

 private:
  void reload();
  void refit();
  series::FitOptions options() const;
  void fillTrackList();
  void fillResults();
  void drawProfile();
  void drawButterfly();
  void drawTrack();
  void renameTrack();
  void splitTrack();
  void joinTracks();
  void savePlot(bool svg);
  void saveCsv(int which);
  int selectedTrack() const;

  std::vector<std::string> sources_;
  series::SeriesData data_;
  std::vector<series::Track> trackData_;
  series::RotationResult result_;

  QLabel* sourcesLabel_ = nullptr;
  QComboBox* method_ = nullptr;
  QComboBox* law_ = nullptr;
  QComboBox* hemisphere_ = nullptr;
  QDoubleSpinBox* maxCmd_ = nullptr;
  QCheckBox* span_ = nullptr;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QTableWidget* tracks_ = nullptr;
  QPlainTextEdit* results_ = nullptr;
  QTabWidget* plots_ = nullptr;
  QChartView* views_[3] = {};
};

}  // namespace pelorin::gui
