#include "series/SeriesText.h"

#include <cmath>

#include "base/Text.h"
#include "base/Csv.h"

namespace pelorin::series {

namespace {

std::string N5(double v) { return NumberText(RoundHalfEven(v, 5)); }

}  // namespace


std::string TracksCsv(const SeriesData& data, const std::vector<Track>& tracks) {
  std::string out = "group,time,B,CMD,L,file\n";
  for (const Track& t : tracks) {
    for (const TrackPoint& p : t.points) {
      const std::string& path = p.file >= 0 && p.file < static_cast<int>(data.files.size())
                                    ? data.files[static_cast<std::size_t>(p.file)].path
                                    : std::string();
      out += CsvField(t.name) + "," + IsoTime(p.jd) + "," + N5(p.B_deg) + "," + N5(p.CMD_deg) + "," + N5(p.L_deg) +
             "," + CsvField(path) + "\n";
    }
  }
  return out;
}

std::string VelocitiesCsv(const std::vector<Track>& tracks, const RotationResult& result) {
  std::string out = "group,time,B,CMD,omega_syn,omega_sid\n";
  for (const Velocity& v : result.velocities) {
    if (v.fate != Fate::Used) continue;
    const std::string name =
        v.track >= 0 && v.track < static_cast<int>(tracks.size()) ? tracks[static_cast<std::size_t>(v.track)].name : "";
    out += CsvField(name) + "," + IsoTime(v.jd) + "," + N5(v.B_deg) + "," + N5(v.CMD_deg) + "," +
           N5(v.omegaSyn_deg_day) + "," + N5(v.omegaSid_deg_day) + "\n";
  }
  return out;
}

std::vector<std::pair<std::string, double>> SummaryPairs(const SeriesData& data, const RotationResult& result) {
  const LawFit& f = result.fit;
  const double nan = std::nan("");
  auto err = [&f, nan](std::size_t i) {
    if (!f.ok) return nan;
    return std::isfinite(f.errBoot[i]) ? f.errBoot[i] : f.errLs[i];
  };
  std::vector<std::pair<std::string, double>> p = {
      {"files", static_cast<double>(data.files.size())},
      {"groups", static_cast<double>(data.GroupNames())},
      {"tracks", static_cast<double>(f.ok ? f.tracks : 0)},
      {"velocities", static_cast<double>(f.ok ? f.N : 0)},
      {"A", f.ok ? f.coef[0] : nan},
      {"A_err", err(0)},
      {"B", f.ok ? f.coef[1] : nan},
      {"B_err", err(1)},
  };
  if (f.terms > 2) {
    p.emplace_back("C", f.ok ? f.coef[2] : nan);
    p.emplace_back("C_err", err(2));
  }
  if (f.weighted) {
    p.emplace_back("scatter", f.ok ? f.scatter_deg_day : nan);
    p.emplace_back("chi2_reduced", f.ok ? f.chi2Reduced : nan);
  }
  return p;
}

std::string FitCsv(const SeriesData& data, const RotationResult& result) {
  std::vector<std::pair<std::string, double>> p = SummaryPairs(data, result);
  const LawFit& f = result.fit;
  const FilterCounts& c = result.counts;
  p.emplace_back("A_err_ls", f.errLs[0]);
  p.emplace_back("B_err_ls", f.errLs[1]);
  if (f.terms > 2) p.emplace_back("C_err_ls", f.errLs[2]);
  p.emplace_back("corr_AB", f.corrAB_boot);
  p.emplace_back("corr_AB_ls", f.corrAB_ls);
  p.emplace_back("N", f.N);
  p.emplace_back("chi2", f.chi2);
  if (!f.weighted) p.emplace_back("chi2_reduced", f.chi2Reduced);  // else in the summary's pairs
  p.emplace_back("meridional", f.meridional_deg_day);
  p.emplace_back("meridional_err", f.meridionalErr_deg_day);
  p.emplace_back("meridional_m_s", f.meridional_m_s);
  p.emplace_back("meridional_err_m_s", f.meridionalErr_m_s);
  p.emplace_back("positions", c.positions);
  p.emplace_back("far_from_centre", c.farFromCentre);
  p.emplace_back("short_intervals", c.shortIntervals);
  p.emplace_back("short_tracks", c.shortTracks);
  p.emplace_back("velocities_formed", c.velocities);
  p.emplace_back("outside_span", c.outsideSpan);
  p.emplace_back("other_hemisphere", c.otherHemisphere);
  p.emplace_back("outside_window", c.outsideWindow);
  p.emplace_back("clipped", c.clipped);
  p.emplace_back("clip_rounds", c.clipRounds);
  std::string head, values;
  for (const auto& [k, v] : p) {
    head += (head.empty() ? "" : ",") + k;
    values += (values.empty() ? "" : ",") + NumberText(v);
  }
  return head + "\n" + values + "\n";
}

std::vector<std::string> FilterReport(const RotationResult& result, const FitOptions& o) {
  const FilterCounts& c = result.counts;
  std::vector<std::string> lines;
  lines.push_back(std::to_string(c.positions) + " track positions; " + std::to_string(c.farFromCentre) +
                  " removed with |CMD| > " + NumberText(o.maxCmd_deg) + " deg");
  if (o.method == Method::DailyShifts)
    lines.push_back(std::to_string(c.shortIntervals) + " intervals shorter than " + NumberText(o.minInterval_days) +
                    " day skipped");
  else
    lines.push_back(std::to_string(c.shortTracks) + " tracks with fewer than " + std::to_string(o.minPositions) +
                    " positions skipped");
  lines.push_back(std::to_string(c.velocities) + " velocities formed");
  if (c.outsideSpan) lines.push_back(std::to_string(c.outsideSpan) + " outside the span of dates");
  if (c.otherHemisphere) lines.push_back(std::to_string(c.otherHemisphere) + " in the other hemisphere");
  lines.push_back(std::to_string(c.outsideWindow) + " removed outside " + NumberText(o.minSynodic_deg_day) + "-" +
                  NumberText(o.maxSynodic_deg_day) + " deg/day synodic");
  lines.push_back(std::to_string(c.clipped) + " removed by " + NumberText(o.clipSigma) + " sigma clipping (" +
                  std::to_string(c.clipRounds) + " rounds)");
  lines.push_back(std::to_string(c.used) + " velocities used");
  return lines;
}

}  // namespace pelorin::series
