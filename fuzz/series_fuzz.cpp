// A season read from memory, followed and fitted: up to eight data files cut
// from the input at "\f\n" lines. Any text reads without a throw; every group
// position lies on exactly one track, a track has at most one point a file
// and its points in time order; the velocities are finite, and a fit that is
// made has finite coefficients and errors.
// run-fuzz: -max_len=4096
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/TextFile.h"
#include "series/Rotation.h"
#include "series/SeriesRead.h"
#include "series/Tracks.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<series::SeriesText> texts;
  int n = 0;
  for (const std::string& part : fuzz::Split(fuzz::Text(data, size), "\f\n", 8))
    texts.push_back({"f" + std::to_string(++n) + ".dat", SplitLines(part)});
  const series::SeriesData d = series::SeriesOf(texts);
  fuzz::Check(d.files.size() <= texts.size(), "more files than were given");
  for (std::size_t i = 1; i < d.files.size(); ++i)
    fuzz::Check(d.files[i - 1].jd <= d.files[i].jd, "files out of time order");
  for (const series::GroupPosition& p : d.positions) {
    fuzz::Check(p.file >= 0 && p.file < static_cast<int>(d.files.size()), "a position of no file");
    fuzz::Check(std::fabs(p.B_deg) <= 90 && std::fabs(p.CMD_deg) <= 180 && p.L_deg >= 0 && p.L_deg < 360,
                "a position out of range");
  }

  const std::vector<series::Track> tracks = series::BuildTracks(d);
  std::vector<int> seen(d.positions.size(), 0);
  for (const series::Track& t : tracks) {
    fuzz::Check(!t.name.empty() && !t.points.empty(), "a track without a name or a point");
    for (std::size_t k = 0; k < t.points.size(); ++k) {
      if (k > 0) {
        fuzz::Check(t.points[k - 1].jd <= t.points[k].jd, "a track's points out of time order");
        for (std::size_t j = 0; j < k; ++j) fuzz::Check(t.points[j].file != t.points[k].file, "two points of one file");
      }
      for (int i : t.points[k].positions) ++seen[static_cast<std::size_t>(i)];
    }
  }
  for (int s : seen) fuzz::Check(s == 1, "a position on no track or on two");

  for (series::Method m : {series::Method::DailyShifts, series::Method::TrackFit}) {
    series::FitOptions o;
    o.method = m;
    o.terms = 3;
    o.bootstrap = 20;
    const series::RotationResult r = series::MeasureRotation(tracks, o);
    for (const series::Velocity& v : r.velocities)
      fuzz::Check(std::isfinite(v.omegaSid_deg_day) && std::isfinite(v.omegaSyn_deg_day) && std::isfinite(v.B_deg),
                  "a velocity not finite");
    const auto& c = r.counts;
    fuzz::Check(c.velocities - c.outsideWindow - c.clipped == c.used, "the filters' counts do not add up");
    if (r.fit.ok) {
      for (int i = 0; i < 3; ++i)
        fuzz::Check(std::isfinite(r.fit.coef[static_cast<std::size_t>(i)]) &&
                        std::isfinite(r.fit.errLs[static_cast<std::size_t>(i)]),
                    "a coefficient or its error not finite");
    }
  }
  return 0;
}
