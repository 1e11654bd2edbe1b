// Groups followed from day to day: tracks built from the positions of a
// season, by name within one passage over the disc and by the position that
// differential rotation predicts where names are missing or change; and the
// hand edits (rename, split, join) for what the matching gets wrong.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "series/SeriesRead.h"

namespace pelorin::series {

struct TrackOptions {
  double maxGap_days = 3;        // observations of one passage at most this far apart
  double maxJumpL_deg = 10;      // a name's step in L within one passage, at most
  double maxJumpB_deg = 3;       // and in B
  double gateL_deg = 4;          // by predicted position: |L - predicted L| at most this
  double gateLPerDay_deg = 0.5;  // plus this much per day from the nearest known position
  double gateB_deg = 2;          // |B - predicted B| at most this
};

// One point of a track: the group in one file. Angles in degrees as in
// GroupPosition.
struct TrackPoint {
  int file = -1;
  double jd = 0;
  double B_deg = 0, CMD_deg = 0, L_deg = 0;
  std::vector<int> positions;  // indices into SeriesData::positions it was made from (more than one: unnamed
                               // records of one group, averaged)
  // The 1-sigma error of L, degrees, from its positions' (that of their
  // mean); NaN when one of them has none.
  double L_err_deg = std::numeric_limits<double>::quiet_NaN();
};

struct Track {
  std::string name;                // group name, "NAME#2", "NAME#3" for its later tracks; "?N" without a name
  std::vector<TrackPoint> points;  // one per file at most, in time order
};

// The tracks of a season, in order of their first point:
// 1. positions of one name, in time order, stay on one track while they are
//    at most maxGap_days apart and step at most maxJumpL_deg in L and
//    maxJumpB_deg in B; otherwise the name begins another track;
// 2. each unnamed position joins the track that has no point in its file and
//    whose predicted position there (interpolated between its points, or
//    carried from its nearest point by a standard rotation law within
//    maxGap_days) lies within the gates, the nearest such; unnamed records
//    of one file that fall to one track are averaged into one point; others
//    begin tracks of their own (nearby ones of one file together);
// 3. a track that ends is continued by one of another name (or none) that
//    begins within maxGap_days where the first predicts it, the nearest
//    pairs first.
// A name that begins a second or later track is given "#2", "#3", ...
std::vector<Track> BuildTracks(const SeriesData& data, const TrackOptions& options = {});

// Hand edits. Each returns "" when done, otherwise why it was refused (and
// the tracks are left as they were).
// Renames track `t`; a name already used by another track is refused.
std::string RenameTrack(std::vector<Track>& tracks, int t, const std::string& name);
// Splits track `t` before its point `at` (1..points-1); the second part is
// inserted after it, named NAME#k with the next free k.
std::string SplitTrack(std::vector<Track>& tracks, int t, int at);
// Joins track `u` into track `t` (their points merged in time order); refused
// when both have a point in one file. Track `u` is removed.
std::string JoinTracks(std::vector<Track>& tracks, int t, int u);

// A published rotation law: the sidereal rate omega_sid = A + B sin^2 b
// (+ C sin^4 b), degrees per day, at latitude b.
struct PublishedLaw {
  double A, B, C;
  const char* source;
};
// Kanzelhoehe 1964-2016, daily shifts: 14.47 - 2.66 sin^2 b. The tracking
// predicts with it, and the rotation's results are compared with it.
inline constexpr PublishedLaw kKanzelhoeheDailyShifts{14.47, -2.66, 0, "Kanzelhöhe 1964–2016 (daily shifts)"};
// The law's sidereal rate, degrees per day, at latitude B (degrees, any
// finite value).
double LawAt(const PublishedLaw& law, double B_deg);

}  // namespace pelorin::series
