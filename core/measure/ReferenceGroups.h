// The named groups of a picture's day from the catalogues beside it (the
// Kanzelhoehe DPD1.txt, NOAA's Solar Region Summary), which Find sunspots
// and pelorin-cli spots name the found groups from.
#pragma once

#include <string>
#include <vector>

#include "spots/Spots.h"

namespace pelorin {

// The named groups of the catalogue file `catalogue` (DPD1.txt) in the block
// of the given day (UT hours); empty when the file is missing or unreadable
// or holds no block of that day.
std::vector<ReferenceGroup> CatalogueGroupsOfDay(const std::string& catalogue, int year, int month, int day,
                                                 double hours);

// The regions of section I of the Solar Region Summary at `path` as
// reference groups of a picture taken on year-month-day at `hours` UT: each
// named by its full NOAA number, its Lo carried from the summary's moment
// to the picture's by the rotation law the series' tracking uses, matching
// a found group within 5 degrees in L and 3 in B. The file's problems
// ("FILE:LINE: what") are added to `problems` when given; nothing when the
// file is missing, unreadable or has no date.
std::vector<ReferenceGroup> SrsGroupsAt(const std::string& path, int year, int month, int day, double hours,
                                        std::vector<std::string>* problems = nullptr);

// The reference groups of a picture of that day from the catalogues in
// `folder`: the block of the day in DPD1.txt when it has one, else the
// day's summary (YYYYMMDDSRS.txt or MMDDSRS.txt, either case).
std::vector<ReferenceGroup> ReferenceGroupsOfDay(const std::string& folder, int year, int month, int day,
                                                 double hours, std::vector<std::string>* problems = nullptr);

}  // namespace pelorin
