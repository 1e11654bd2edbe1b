#include "app/Overlays.h"

#include <cmath>
#include <vector>

#include "app/Compare.h"
#include "app/Dispatcher.h"
#include "app/Edits.h"
#include "app/Geometry.h"
#include "app/Points.h"
#include "app/SpotReview.h"

namespace pelorin {

namespace {

// Each drawing statement of the redraw is skipped on its own when it fails.
template <typename F>
void Skip(F&& statement) {
  try {
    statement();
  } catch (...) {
  }
}

// The lines of the pixel grid through `origin` every `step` pixels from 0 up
// to `upper`, in increasing order. The first one is found with fmod, which
// is exact, so a zero point far outside the picture (or so far that taking a
// step off it changes nothing) costs no more than one inside it. None for a
// non-finite origin or a step below 1.
std::vector<double> GridLines(double origin, double step, double upper) {
  std::vector<double> lines;
  if (!std::isfinite(origin) || !(step >= 1)) return lines;
  double first = std::fmod(origin, step);
  if (first < 0) first += step;
  for (int i = 0;; ++i) {
    const double v = first + i * step;
    if (v > upper) break;
    lines.push_back(v);
  }
  return lines;
}

}  // namespace

void PlotInputPoints(App& app) {
  ProgramState& s = app.s;
  // An object open on a calibrated picture owns the top of the object store;
  // every other input keeps its points at 1..PointCount.
  int first = 1, last = s.PointCount;
  if (s.CalibrationState == 3 && app.win.EndVisible(EndButton::Objektend)) {
    first = s.StoredPointCount - s.PointCount + 1;
    last = s.StoredPointCount;
  }
  first = std::max(first, 1);
  last = std::min(last, kMaxPoints);
  for (int i = first; i <= last; ++i) {
    double a = s.PointX[static_cast<std::size_t>(i)], b = s.PointY[static_cast<std::size_t>(i)];
    SystemToPixel(s, a, b);
    app.pic.PointMark(a, b, QBColor(0));
  }
}

void DrawOverlays(App& app) {
  ProgramState& s = app.s;
  PicturePort& pic = app.pic;
  Skip([&] { pic.Refresh(); });
  if (s.PixelGridStep < 1280) {
    const double step = s.PixelGridStep, x0 = s.ZeroPointX, y0 = s.ZeroPointY;
    const std::uint32_t c1 = QBColor(1), c4 = QBColor(4);
    // The lines run from the zero point down to 0 and up to 2500 (so past
    // 2500 only on the zero point's side); none is drawn beyond the picture.
    const auto upper = [](double origin, int size) { return std::min(std::max(origin, 2500.0), size + 1.0); };
    Skip([&] {
      for (double x : GridLines(x0, step, upper(x0, pic.Width()))) pic.Line(x, 0, x, 2500, c1);
      for (double y : GridLines(y0, step, upper(y0, pic.Height()))) pic.Line(0, y, 2500, y, c1);
    });
    Skip([&] { pic.Line(x0, 0, x0, 2500, c4); });
    Skip([&] { pic.Line(0, y0, 2500, y0, c4); });
  }
  if (s.ShowObjects == 1) {
    Skip([&] {
      const std::uint32_t c = QBColor(10);
      for (int i = 1; i <= s.StoredPointCount && i <= kMaxPoints; ++i) {
        double a = s.PointX[static_cast<std::size_t>(i)], b = s.PointY[static_cast<std::size_t>(i)];
        SystemToPixel(s, a, b);
        pic.Mark3x3(a, b, c);
      }
    });
  }
  if (s.GridOn == 1) {
    const std::uint32_t c = QBColor(s.GridColour);
    for (int i = 1; i <= kGridPoints; ++i)
      pic.PSet(s.GridPointX[static_cast<std::size_t>(i)], s.GridPointY[static_cast<std::size_t>(i)], c);
  }
  if (s.CompareOn == 1) {
    const std::uint32_t c12 = QBColor(12), c11 = QBColor(11), c1 = QBColor(1);
    for (int i = 1; i <= s.RefSpotCount && i <= kMaxRefMarks; ++i)
      pic.Mark3x3(s.RefSpotX[static_cast<std::size_t>(i)], s.RefSpotY[static_cast<std::size_t>(i)], c12);
    for (int i = 1; i <= s.RefGroupCount && i <= kMaxRefMarks; ++i)
      pic.Mark3x3(s.RefGroupX[static_cast<std::size_t>(i)], s.RefGroupY[static_cast<std::size_t>(i)], c11);
    if (s.ShowGroupNames != 0) {
      const int named = std::min<int>(s.RefGroupCount, kMaxGroupNames);
      if (s.AllGroupNames != 0) {
        for (int i = 1; i <= named; ++i)
          pic.Print(s.RefGroupX[static_cast<std::size_t>(i)], s.RefGroupY[static_cast<std::size_t>(i)],
                    s.RefGroupName[static_cast<std::size_t>(i)], 12, true, c1);
      } else if (s.GroupNameIndex >= 1 && s.GroupNameIndex <= named) {
        const auto i = static_cast<std::size_t>(s.GroupNameIndex);
        pic.Print(s.RefGroupX[i], s.RefGroupY[i], s.RefGroupName[i], 12, true, c1);
      }
    }
  }
  // The spots proposed for review, then the records selected in the
  // measurement panel, over everything else.
  Skip([&] { DrawProposals(app); });
  Skip([&] { DrawHighlights(app); });
}

void objectview_Click(App& app) {
  app.s.ShowObjects = app.s.ShowObjects == 0 ? 1 : 0;
  Redraw(app);
}

}  // namespace pelorin
