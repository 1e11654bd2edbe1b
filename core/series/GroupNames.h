// One name per group however the observer wrote it, and the records of a
// group written under another name for a day or two put back on its track.
#pragma once

#include <string>
#include <vector>

#include "series/Tracks.h"

namespace pelorin::series {

// The group's name as the series uses it: a NOAA number written "AR11680",
// "11680" or, in a file dated after 2002-06-15, "1680" is "11680" (see
// NoaaNumberOfName); every other name is kept as written.
std::string GroupNameOf(const std::string& name, int year, int month, int day);

// Puts back the points of a group recorded under another name between
// observations of its own: a track spanning at most `maxDays` days joins the
// track that has points before and after it (at most maxGap_days away), none
// in its files, and whose position interpolated between those points lies
// within the gates (gateL_deg plus gateLPerDay_deg a day from the nearer
// point in L, gateB_deg in B) at each of its points; the nearest such track
// when several do. Tracks keep their order; the joined ones are removed.
void JoinStrayNames(std::vector<Track>& tracks, const TrackOptions& options, double maxDays = 2);

}  // namespace pelorin::series
