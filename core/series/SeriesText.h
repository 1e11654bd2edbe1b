// The series as text: the CSV tables of tracks, velocities and the fit (the
// columns of `pelorin-cli series`), the one-line summary and the filters'
// report.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "series/Rotation.h"
#include "series/SeriesRead.h"
#include "series/Tracks.h"

namespace pelorin::series {

// "group,time,B,CMD,L,file", then one row per track point in track order:
// the track's name, ISO 8601 UT, degrees to 5 decimals, the file's path.
// Lines end with "\n"; fields holding a comma or a quote are quoted.
std::string TracksCsv(const SeriesData& data, const std::vector<Track>& tracks);

// "group,time,B,CMD,omega_syn,omega_sid", then one row per velocity used in
// the fit (degrees, degrees per day, 5 decimals).
std::string VelocitiesCsv(const std::vector<Track>& tracks, const RotationResult& result);

// The summary's keys and values: files, groups, tracks, velocities, A,
// A_err, B, B_err (and C, C_err for three terms), and for a weighted fit
// the scatter (deg/day) and chi2_reduced; the errors are the bootstrap's
// (least squares' when there was none). Empty coefficients are NaN when the
// fit failed.
std::vector<std::pair<std::string, double>> SummaryPairs(const SeriesData& data, const RotationResult& result);

// Two lines: the summary's keys and everything else the fit gives (both
// kinds of errors, N, chi2, correlations, meridional drift, filter counts)
// as a header row, then their values.
std::string FitCsv(const SeriesData& data, const RotationResult& result);

// Each filter and how many it removed, one line each, for the user.
std::vector<std::string> FilterReport(const RotationResult& result, const FitOptions& options);

}  // namespace pelorin::series
