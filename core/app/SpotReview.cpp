#include "app/SpotReview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

#include "app/Dispatcher.h"
#include "app/Geometry.h"
#include "base/TextFile.h"
#include "formats/Catalogue.h"
#include "formats/Srs.h"
#include "series/SeriesRead.h"
#include "series/Tracks.h"
#include "base/Angles.h"
#include "base/Numbers.h"
#include "app/Edits.h"
#include "app/Errors.h"

namespace pelorin {

DiscCalibration DiscCalibrationOfState(const ProgramState& s) {
  DiscCalibration c = CalibrationOf(s);
  if (c.northUp) c.P = 0;
  return c;
}

GreyPicture GreyOfOpenPicture(App& app) {
  const PicturePort& pic = app.pic;
  // A picture of measured data is searched on its data, as pelorin-cli
  // spots searches it, whatever brightness scale shows it.
  if (const DataLevels* levels = pic.MeasuredLevels()) return GreyOfLevels(*levels);
  app.pic.RestoreClean();
  GreyPicture g;
  g.width = pic.Width();
  g.height = pic.Height();
  g.value.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height));
  std::size_t k = 0;
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const std::int32_t c = pic.Point(x, y);
      const auto u = static_cast<std::uint32_t>(c < 0 ? 0 : c);
      g.value[k++] = static_cast<float>((u & 0xFF) + ((u >> 8) & 0xFF) + ((u >> 16) & 0xFF)) / 3.0f;
    }
  Redraw(app);
  return g;
}

std::string SpotReviewRefusal(const App& app) {
  const ProgramState& s = app.s;
  if (app.pic.Width() <= 0 || app.pic.Height() <= 0) return "Open a picture first.";
  if (s.ImageType == 2 || s.CalibrationState != 3 || !(s.LimbRadius > 0))
    return "The picture is not calibrated: measure its limb and orientation first.";
  for (EndButton b : {EndButton::limbend, EndButton::dirend, EndButton::Objektend}) {
    if (app.win.EndVisible(b)) return "An input is open: finish it with End first.";
  }
  const std::string refusal = SpotRefusalOfHeader(app.pic.Header());
  if (!refusal.empty()) return "Sunspots cannot be found on this picture: " + refusal + ".";
  return {};
}

std::string StartSpotReview(const App& app, const GreyPicture& grey, const SpotSettings& settings,
                            SpotProposals& out, std::vector<std::string>* catalogueProblems) {
  if (std::string refusal = SpotReviewRefusal(app); !refusal.empty()) return refusal;
  auto finder = std::make_shared<SpotFinder>();
  std::string error;
  if (!finder->Prepare(grey, DiscCalibrationOfState(app.s), error, settings.threads))
    return "Sunspots cannot be found on this picture: " + error + ".";
  const ProgramState& s = app.s;
  std::vector<ReferenceGroup> references;
  std::error_code ec;
  if (s.DateKnown != 0) {
    const std::filesystem::path folder = app.dataFilePath.empty()
                                             ? std::filesystem::current_path(ec)
                                             : std::filesystem::path(app.dataFilePath).parent_path();
    references = ReferenceGroupsOfDay(folder.string(), static_cast<int>(s.DateYear), static_cast<int>(s.DateMonth),
                                      static_cast<int>(s.DateDay), s.TimeUT, catalogueProblems);
  }
  std::set<std::string> names;
  for (const RecordObject& o : Objects(app.book.list)) names.insert(o.name);
  out = ProposeSpots(std::move(finder), settings, std::move(references), std::move(names));
  SetProposalErrors(out, DiscCalibrationOfState(app.s), CalibrationErrorsOf(app));
  return {};
}

namespace {

// A message box names this many of a catalogue's unreadable lines.
constexpr std::size_t kMaxCatalogueProblems = 10;

}  // namespace

void FindSpots_Click(App& app, double contrastThreshold) {
  SpotSettings settings;
  settings.contrastThreshold = std::clamp(contrastThreshold, 0.5, 0.99);
  if (std::string refusal = SpotReviewRefusal(app); !refusal.empty()) {
    app.win.MessageBox(refusal);
    return;
  }
  SpotProposals p;
  std::vector<std::string> catalogue;
  const std::string error = StartSpotReview(app, GreyOfOpenPicture(app), settings, p, &catalogue);
  if (!error.empty()) {
    app.win.MessageBox(error);
    return;
  }
  app.review = std::move(p);
  Redraw(app);
  // What the finder could not do whole (a region too large to follow, more
  // regions than it measures) and the catalogue's lines not read, said as
  // the command line says them.
  std::string notes;
  for (const std::string& n : app.review->report.notes) notes += (notes.empty() ? "" : "\r") + n;
  for (std::size_t i = 0; i < catalogue.size() && i < kMaxCatalogueProblems; ++i)
    notes += (notes.empty() ? "" : "\r") + catalogue[i];
  if (catalogue.size() > kMaxCatalogueProblems)
    notes += "\r... and " + std::to_string(catalogue.size() - kMaxCatalogueProblems) + " more lines not read";
  if (!notes.empty()) app.win.MessageBox(notes);
}

void AcceptReview_Click(App& app) {
  if (!app.review) return;
  const std::string error = AcceptSpots(app, *app.review);
  if (!error.empty()) {
    app.win.MessageBox(error);
    return;
  }
  app.review.reset();
  Redraw(app);
}

void ObserverK_Click(App& app) {
  char current[32];
  std::snprintf(current, sizeof current, "%g", app.observerK);
  const std::string text = app.win.InputBox("Enter the observer's k factor of R = k (10 g + f)", "Observer's k factor",
                                            current);
  if (text.empty()) return;
  char* end = nullptr;
  const double k = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(k) || k <= 0 || k > 10) {
    app.win.MessageBox("The k factor " + text + " is not a number above 0 and at most 10; it stays " + current + ".");
    return;
  }
  app.observerK = k;
}

std::string DayCountsLine(const App& app) {
  return CountsLine(ReviewCounts(app.review ? &*app.review : nullptr, AcceptedGroups(app.book.list), app.observerK));
}

void DrawProposals(App& app) {
  if (!app.review) return;
  const SpotProposals& p = *app.review;
  const auto circle = [&](double x, double y, double r, std::uint32_t colour) {
    const int n = std::clamp(static_cast<int>(r * 2), 12, 120);
    for (int i = 0; i < n; ++i) {
      const double a = 2 * kPiExact * i / n, b = 2 * kPiExact * (i + 1) / n;
      app.pic.Line(x + r * std::cos(a), y + r * std::sin(a), x + r * std::cos(b), y + r * std::sin(b), colour);
    }
  };
  for (std::size_t g = 0; g < p.report.groups.size(); ++g) {
    const SpotGroup& grp = p.report.groups[g];
    const bool on = g < p.checked.size() && p.checked[g];
    const std::uint32_t box = on ? QBColor(11) : QBColor(8), outline = on ? QBColor(14) : QBColor(7),
                        umbra = on ? QBColor(12) : QBColor(7);
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    const auto polygon = [&](const SpotOutline& loop, std::uint32_t colour) {
      for (std::size_t k = 0; k < loop.size(); ++k) {
        const auto& [ax, ay] = loop[k];
        const auto& [bx, by] = loop[(k + 1) % loop.size()];
        app.pic.Line(ax, ay, bx, by, colour);
        x0 = std::min(x0, ax - 4.0);
        y0 = std::min(y0, ay - 4.0);
        x1 = std::max(x1, ax + 4.0);
        y1 = std::max(y1, ay + 4.0);
      }
    };
    for (int i : grp.spots) {
      const FoundSpot& f = p.report.spots[static_cast<std::size_t>(i)];
      if (f.outline.empty()) {
        // A spot known only by its area: a circle of that area.
        const double r = std::max(1.5, std::sqrt(std::max(0.0, f.area_px) / kPiExact));
        circle(f.x, f.y, r, outline);
        x0 = std::min(x0, f.x - r - 4);
        y0 = std::min(y0, f.y - r - 4);
        x1 = std::max(x1, f.x + r + 4);
        y1 = std::max(y1, f.y + r + 4);
      }
      for (const SpotOutline& loop : f.outline) polygon(loop, outline);
      for (const SpotOutline& loop : f.umbraOutline) polygon(loop, umbra);
    }
    if (grp.spots.empty()) continue;
    app.pic.Line(x0, y0, x1, y0, box);
    app.pic.Line(x1, y0, x1, y1, box);
    app.pic.Line(x1, y1, x0, y1, box);
    app.pic.Line(x0, y1, x0, y0, box);
    app.pic.Print(x0, y1 + 2, grp.name, 10, true, box);
  }
}

}  // namespace pelorin
