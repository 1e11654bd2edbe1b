#include "series/GroupNames.h"

#include <cmath>
#include <limits>
#include <set>

#include "formats/Srs.h"

namespace pelorin::series {

namespace {

double Wrap180(double a) {
  a = std::fmod(a, 360.0);
  if (a > 180) a -= 360;
  if (a <= -180) a += 360;
  return a;
}

// How far the point lies from track `t` interpolated at its time, in units
// of the gates (at most 1 inside them); infinity when `t` has no points on
// both sides of it within maxGap_days, or a point in its file.
double Misfit(const Track& t, const TrackPoint& p, const TrackOptions& o) {
  const TrackPoint* before = nullptr;
  const TrackPoint* after = nullptr;
  for (const TrackPoint& q : t.points) {
    if (q.file == p.file) return std::numeric_limits<double>::infinity();
    if (q.jd < p.jd) before = &q;
    if (q.jd > p.jd && !after) after = &q;
  }
  if (!before || !after || p.jd - before->jd > o.maxGap_days || after->jd - p.jd > o.maxGap_days)
    return std::numeric_limits<double>::infinity();
  const double f = (p.jd - before->jd) / (after->jd - before->jd);
  const double L = before->L_deg + Wrap180(after->L_deg - before->L_deg) * f;
  const double B = before->B_deg + (after->B_deg - before->B_deg) * f;
  const double gateL = o.gateL_deg + o.gateLPerDay_deg * std::min(p.jd - before->jd, after->jd - p.jd);
  const double m = std::max(std::fabs(Wrap180(p.L_deg - L)) / gateL, std::fabs(p.B_deg - B) / o.gateB_deg);
  return m <= 1 ? m : std::numeric_limits<double>::infinity();
}

// The track that `s` is a stray part of (-1 for none), the nearest first.
int HostOf(const std::vector<Track>& tracks, std::size_t s, const TrackOptions& o) {
  int best = -1;
  double bestMisfit = std::numeric_limits<double>::infinity();
  const TrackPoint& first = tracks[s].points.front();
  const TrackPoint& last = tracks[s].points.back();
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    // Only a track with points on both sides of the stray one, near in B.
    const std::vector<TrackPoint>& host = tracks[t].points;
    if (t == s || host.empty() || host.front().jd >= first.jd || host.back().jd <= last.jd ||
        std::fabs(host.front().B_deg - first.B_deg) > 2 * o.gateB_deg + 10)
      continue;
    double worst = 0;
    for (const TrackPoint& p : tracks[s].points) worst = std::max(worst, Misfit(tracks[t], p, o));
    if (worst < bestMisfit) {
      bestMisfit = worst;
      best = static_cast<int>(t);
    }
  }
  return best;
}

}  // namespace

std::string GroupNameOf(const std::string& name, int year, int month, int day) {
  const int n = NoaaNumberOfName(name, year, month, day);
  return n > 0 ? std::to_string(n) : name;
}

void JoinStrayNames(std::vector<Track>& tracks, const TrackOptions& options, double maxDays) {
  std::size_t s = 0;
  while (s < tracks.size()) {
    const std::vector<TrackPoint>& pts = tracks[s].points;
    const int host = !pts.empty() && pts.back().jd - pts.front().jd <= maxDays ? HostOf(tracks, s, options) : -1;
    if (host < 0 || !JoinTracks(tracks, host, static_cast<int>(s)).empty()) ++s;
  }
}

}  // namespace pelorin::series
