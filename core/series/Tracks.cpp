#include "series/Tracks.h"

#include "series/GroupNames.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "base/Angles.h"

namespace pelorin::series {

namespace {

struct Segment {
  std::string name;  // "" when begun by an unnamed record
  std::vector<TrackPoint> points;
  int next = -1, prev = -1;
};

TrackPoint PointOf(const GroupPosition& g, int index) {
  return TrackPoint{g.file, g.jd, g.B_deg, g.CMD_deg, g.L_deg, {index}, g.L_err_deg};
}

// Averages the positions of a point again (mean B, circular CMD and L).
void Average(TrackPoint& p, const SeriesData& data) {
  double b = 0, variance = 0;
  CircularSum cmd, l;
  for (int i : p.positions) {
    const GroupPosition& g = data.positions[static_cast<std::size_t>(i)];
    b += g.B_deg;
    cmd.Add(g.CMD_deg);
    l.Add(g.L_deg);
    variance += g.L_err_deg * g.L_err_deg;
  }
  const double n = static_cast<double>(p.positions.size());
  p.L_err_deg = std::sqrt(variance) / n;
  p.B_deg = b / n;
  p.CMD_deg = cmd.Mean180();
  p.L_deg = l.Mean360();
}

struct Prediction {
  bool ok = false;
  double B = 0, L = 0;
  double distance_days = 0;  // from the nearest point it rests on
};

// Where segment `s` puts its group at `jd`, from its points outside file
// `file` (its points there when it has no others).
Prediction Predict(const Segment& s, double jd, int file, const TrackOptions& o) {
  const TrackPoint* before = nullptr;
  const TrackPoint* after = nullptr;
  const TrackPoint* same = nullptr;
  for (const TrackPoint& p : s.points) {
    if (p.file == file) {
      same = &p;
      continue;
    }
    if (p.jd <= jd)
      before = &p;
    else if (!after)
      after = &p;
  }
  Prediction r;
  if (!before && !after) {
    if (!same) return r;
    r.ok = true;
    r.B = same->B_deg;
    r.L = same->L_deg;
    return r;
  }
  if (before && after) {
    const double span = after->jd - before->jd;
    const double f = span > 0 ? (jd - before->jd) / span : 0;
    r.ok = true;
    r.B = before->B_deg + f * (after->B_deg - before->B_deg);
    r.L = before->L_deg + f * Wrap180(after->L_deg - before->L_deg);
    r.distance_days = std::min(jd - before->jd, after->jd - jd);
    return r;
  }
  const TrackPoint& p = before ? *before : *after;
  const double dt = jd - p.jd;
  if (std::fabs(dt) > o.maxGap_days) return r;
  r.ok = true;
  r.B = p.B_deg;
  r.L = p.L_deg + (LawAt(kKanzelhoeheDailyShifts, p.B_deg) - kCarringtonSidereal_deg_day) * dt;
  r.distance_days = std::fabs(dt);
  return r;
}

// Normalised distance of (B, L) from a prediction; above 1 outside the gates.
double GateDistance(const Prediction& pr, double B, double L, const TrackOptions& o) {
  const double gl = o.gateL_deg + o.gateLPerDay_deg * pr.distance_days;
  const double dl = Wrap180(L - pr.L) / gl;
  const double db = (B - pr.B) / o.gateB_deg;
  if (std::fabs(dl) > 1 || std::fabs(db) > 1) return std::numeric_limits<double>::infinity();
  return std::hypot(dl, db);
}

void InsertPoint(Segment& s, TrackPoint p) {
  const auto at = std::upper_bound(s.points.begin(), s.points.end(), p.jd,
                                   [](double jd, const TrackPoint& q) { return jd < q.jd; });
  s.points.insert(at, std::move(p));
}

std::string BaseName(const std::string& name) {
  const std::size_t hash = name.rfind('#');
  if (hash == std::string::npos || hash == 0 || hash + 1 == name.size()) return name;
  for (std::size_t i = hash + 1; i < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return name;
  return name.substr(0, hash);
}

std::string NextFreeName(const std::vector<Track>& tracks, const std::string& base) {
  std::set<std::string> used;
  for (const Track& t : tracks) used.insert(t.name);
  for (int k = 2;; ++k) {
    const std::string n = base + "#" + std::to_string(k);
    if (!used.count(n)) return n;
  }
}

// Stage 1: the named positions, one segment per name and passage: in time
// order, a name stays on its segment while its positions are at most
// maxGap_days apart and step at most maxJumpL_deg in L and maxJumpB_deg in
// B. Segments of one name follow each other; names in their sorted order.
std::vector<Segment> SegmentsByName(const SeriesData& data, const TrackOptions& o) {
  std::vector<Segment> segs;
  std::map<std::string, std::vector<int>> byName;
  for (std::size_t i = 0; i < data.positions.size(); ++i)
    if (!data.positions[i].name.empty()) byName[data.positions[i].name].push_back(static_cast<int>(i));
  for (auto& [name, list] : byName) {
    std::stable_sort(list.begin(), list.end(), [&data](int a, int b) {
      return data.positions[static_cast<std::size_t>(a)].jd < data.positions[static_cast<std::size_t>(b)].jd;
    });
    const GroupPosition* last = nullptr;
    for (int i : list) {
      const GroupPosition& g = data.positions[static_cast<std::size_t>(i)];
      const bool same = last && g.jd - last->jd <= o.maxGap_days &&
                        std::fabs(Wrap180(g.L_deg - last->L_deg)) <= o.maxJumpL_deg &&
                        std::fabs(g.B_deg - last->B_deg) <= o.maxJumpB_deg;
      if (!same) segs.push_back(Segment{name, {}, -1, -1});
      segs.back().points.push_back(PointOf(g, i));
      last = &g;
    }
  }
  return segs;
}

// True when segment `seg` has a point in file `file` made from a named
// position (an unnamed one may not join it there).
bool NamedIn(const Segment& seg, int file, const SeriesData& data) {
  for (const TrackPoint& p : seg.points) {
    if (p.file != file) continue;
    for (int k : p.positions)
      if (!data.positions[static_cast<std::size_t>(k)].name.empty()) return true;
  }
  return false;
}

// The segment whose prediction for position `g` (of file `file`) lies
// nearest it within the gates, among those within maxGap_days of it and
// without a named point in its file; the first of equals. -1 when none.
int NearestSegment(const std::vector<Segment>& segs, const GroupPosition& g, int file, const SeriesData& data,
                   const TrackOptions& o) {
  int best = -1;
  double bestD = std::numeric_limits<double>::infinity();
  for (std::size_t s = 0; s < segs.size(); ++s) {
    const Segment& seg = segs[s];
    if (seg.points.front().jd - g.jd > o.maxGap_days || g.jd - seg.points.back().jd > o.maxGap_days) continue;
    if (NamedIn(seg, file, data)) continue;
    const Prediction pr = Predict(seg, g.jd, file, o);
    if (!pr.ok) continue;
    const double d = GateDistance(pr, g.B_deg, g.L_deg, o);
    if (d < bestD) {
      bestD = d;
      best = static_cast<int>(s);
    }
  }
  return best;
}

// Stage 2: each unnamed position, in the order of the season, joins the
// nearest segment (NearestSegment) as its point in that file, averaged into
// the point already there; without one it begins a segment of its own.
void PlaceUnnamed(const SeriesData& data, const TrackOptions& o, std::vector<Segment>& segs) {
  for (std::size_t i = 0; i < data.positions.size(); ++i) {
    const GroupPosition& g = data.positions[i];
    if (!g.name.empty()) continue;
    const int file = g.file;
    const int best = NearestSegment(segs, g, file, data, o);
    if (best < 0) {
      segs.push_back(Segment{"", {PointOf(g, static_cast<int>(i))}, -1, -1});
      continue;
    }
    Segment& seg = segs[static_cast<std::size_t>(best)];
    auto at =
        std::find_if(seg.points.begin(), seg.points.end(), [file](const TrackPoint& p) { return p.file == file; });
    if (at == seg.points.end()) {
      InsertPoint(seg, PointOf(g, static_cast<int>(i)));
    } else {
      at->positions.push_back(static_cast<int>(i));
      Average(*at, data);
    }
  }
}

// Stage 3: a segment that ends is continued (next/prev) by one of another
// name (or none) beginning within maxGap_days after it where it predicts,
// the nearest pairs first, each end and each beginning once. Returns the
// segments' indices in order of their first point (ties as made).
std::vector<int> LinkSegments(std::vector<Segment>& segs, const TrackOptions& o) {
  struct Link {
    double d;
    int from, to;
  };
  std::vector<Link> links;
  std::vector<int> byStart(segs.size());
  for (std::size_t s = 0; s < segs.size(); ++s) byStart[s] = static_cast<int>(s);
  std::sort(byStart.begin(), byStart.end(), [&segs](int a, int b) {
    return segs[static_cast<std::size_t>(a)].points.front().jd < segs[static_cast<std::size_t>(b)].points.front().jd;
  });
  for (std::size_t a = 0; a < segs.size(); ++a) {
    const Segment& s1 = segs[a];
    const double end = s1.points.back().jd;
    // Segments beginning in (end, end + maxGap].
    auto it = std::upper_bound(byStart.begin(), byStart.end(), end, [&segs](double jd, int s) {
      return jd < segs[static_cast<std::size_t>(s)].points.front().jd;
    });
    for (; it != byStart.end(); ++it) {
      const Segment& s2 = segs[static_cast<std::size_t>(*it)];
      const TrackPoint& first = s2.points.front();
      if (first.jd - end > o.maxGap_days) break;
      if (!s1.name.empty() && s1.name == s2.name) continue;
      const Prediction pr = Predict(s1, first.jd, first.file, o);
      if (!pr.ok) continue;
      const double d = GateDistance(pr, first.B_deg, first.L_deg, o);
      if (std::isfinite(d)) links.push_back(Link{d, static_cast<int>(a), *it});
    }
  }
  std::stable_sort(links.begin(), links.end(), [](const Link& x, const Link& y) { return x.d < y.d; });
  for (const Link& l : links) {
    Segment& from = segs[static_cast<std::size_t>(l.from)];
    Segment& to = segs[static_cast<std::size_t>(l.to)];
    if (from.next >= 0 || to.prev >= 0) continue;
    from.next = l.to;
    to.prev = l.from;
  }
  return byStart;
}

// Stage 4: each chain of linked segments, from its first (in `byStart`
// order), becomes a track under its first name; the segments' points move
// into it. Then the names: "?1", "?2", ... for the tracks without one, "#2",
// "#3", ... added to a name's second and later tracks.
std::vector<Track> ChainTracks(std::vector<Segment>& segs, const std::vector<int>& byStart) {
  std::vector<Track> tracks;
  for (int s : byStart) {
    if (segs[static_cast<std::size_t>(s)].prev >= 0) continue;
    Track t;
    for (int k = s; k >= 0; k = segs[static_cast<std::size_t>(k)].next) {
      Segment& seg = segs[static_cast<std::size_t>(k)];
      if (t.name.empty()) t.name = seg.name;
      for (TrackPoint& p : seg.points) t.points.push_back(std::move(p));
    }
    tracks.push_back(std::move(t));
  }
  std::map<std::string, int> seen;
  int unnamed = 0;
  for (Track& t : tracks) {
    if (t.name.empty()) {
      t.name = "?" + std::to_string(++unnamed);
      continue;
    }
    const int k = ++seen[t.name];
    if (k > 1) t.name += "#" + std::to_string(k);
  }
  return tracks;
}

}  // namespace

double LawAt(const PublishedLaw& law, double B_deg) {
  // (B s) s rather than B (s s): the tracking's predictions have always
  // been computed in this order.
  const double s = std::sin(B_deg * kRad);
  return law.A + law.B * s * s + law.C * (s * s) * (s * s);
}

std::vector<Track> BuildTracks(const SeriesData& data, const TrackOptions& o) {
  std::vector<Segment> segs = SegmentsByName(data, o);
  PlaceUnnamed(data, o, segs);
  const std::vector<int> byStart = LinkSegments(segs, o);
  std::vector<Track> tracks = ChainTracks(segs, byStart);
  JoinStrayNames(tracks, o);
  return tracks;
}

std::string RenameTrack(std::vector<Track>& tracks, int t, const std::string& name) {
  if (t < 0 || t >= static_cast<int>(tracks.size())) return "no such track";
  if (name.empty()) return "a track needs a name";
  for (std::size_t i = 0; i < tracks.size(); ++i)
    if (static_cast<int>(i) != t && tracks[i].name == name) return "another track is named " + name;
  tracks[static_cast<std::size_t>(t)].name = name;
  return {};
}

std::string SplitTrack(std::vector<Track>& tracks, int t, int at) {
  if (t < 0 || t >= static_cast<int>(tracks.size())) return "no such track";
  Track& tr = tracks[static_cast<std::size_t>(t)];
  if (at < 1 || at >= static_cast<int>(tr.points.size())) return "a track is split between two of its points";
  Track second;
  second.name = NextFreeName(tracks, BaseName(tr.name));
  second.points.assign(tr.points.begin() + at, tr.points.end());
  tr.points.erase(tr.points.begin() + at, tr.points.end());
  tracks.insert(tracks.begin() + t + 1, std::move(second));
  return {};
}

std::string JoinTracks(std::vector<Track>& tracks, int t, int u) {
  const int n = static_cast<int>(tracks.size());
  if (t < 0 || t >= n || u < 0 || u >= n || t == u) return "two different tracks are joined";
  Track& a = tracks[static_cast<std::size_t>(t)];
  const Track& b = tracks[static_cast<std::size_t>(u)];
  std::set<int> files;
  for (const TrackPoint& p : a.points) files.insert(p.file);
  for (const TrackPoint& p : b.points)
    if (files.count(p.file)) return "both tracks have a point in one file";
  std::vector<TrackPoint> merged = a.points;
  merged.insert(merged.end(), b.points.begin(), b.points.end());
  std::stable_sort(merged.begin(), merged.end(), [](const TrackPoint& x, const TrackPoint& y) { return x.jd < y.jd; });
  a.points = std::move(merged);
  tracks.erase(tracks.begin() + u);
  return {};
}

}  // namespace pelorin::series
