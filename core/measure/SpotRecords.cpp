#include "measure/SpotRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/TextFile.h"
#include "formats/DataFile.h"
#include "spots/Proposals.h"
#include "formats/SpotsFile.h"

namespace pelorin {

namespace fs = std::filesystem;

std::string AppendFoundSpots(const RecordList& list, const SpotReport& report, const std::vector<bool>& checked,
                             const DiscCalibration& cal, RecordList& next,
                             std::vector<std::pair<double, double>>* exact) {
  struct Added {
    double x, y, area, umbra;
    std::string spotClass;
    double B, CMD;
    const FoundSpot* spot;
    const SpotGroup* group;
  };
  std::vector<Added> added;
  std::string bytes = list.Bytes();
  try {
    for (std::size_t g = 0; g < report.groups.size(); ++g) {
      if (g >= checked.size() || !checked[g]) continue;
      const SpotGroup& grp = report.groups[g];
      for (int i : grp.spots) {
        const FoundSpot& f = report.spots[static_cast<std::size_t>(i)];
        double B = 0, CMD = 0, L = 0;
        PixelToHeliographic(cal, f.x, f.y, cal.orientation, B, CMD, L);
        bytes += WriteLineText({grp.name, B, CMD, L}) + "\r\n";
        added.push_back({f.x, f.y, f.area_msh, f.umbra_msh, grp.mcIntosh, B, CMD, &f, &grp});
      }
    }
  } catch (const std::exception& e) {
    return std::string("The spots could not be recorded: ") + e.what();
  }
  RecordList out = ParseRecordList(bytes);
  if (out.lines.size() != list.lines.size() + added.size()) return "The working file's header is not complete.";
  for (std::size_t i = 0; i < list.lines.size(); ++i) out.lines[i] = list.lines[i];
  for (std::size_t k = 0; k < added.size(); ++k) {
    RecordLine& r = out.lines[list.lines.size() + k];
    r.hasPixel = true;
    r.x_px = added[k].x;
    r.y_px = added[k].y;
    r.area_msh = added[k].area;
    r.umbra_msh = added[k].umbra;
    r.spotClass = added[k].spotClass;
    r.B_err = added[k].spot->B_err;
    r.CMD_err = added[k].spot->CMD_err;
    r.L_err = added[k].spot->L_err;
    r.groupB_err = added[k].group->B_err;
    r.groupCMD_err = added[k].group->CMD_err;
    r.groupL_err = added[k].group->L_err;
    if (exact) exact->emplace_back(added[k].B, added[k].CMD);
  }
  next = std::move(out);
  return {};
}

RecordList RecordListOfDataFile(const DataFileContents& c, const std::string& pictureName) {
  DataFileContents header = c;
  std::int16_t type = 0, northUp = 0;
  float dateKnown = 0;
  ApplyTypeWord(c.typeWord, pictureName, type, northUp, dateKnown);
  if (northUp == 1) header.P = 0;
  std::string bytes;
  for (const std::string& line : DataFileHeaderLines(header, pictureName)) bytes += line + "\r\n";
  for (const DataRecord& r : c.records) bytes += WriteLineText({r.name, r.B, r.CMD, r.L}) + "\r\n";
  return ParseRecordList(bytes);
}

SpotReport SpotReportOfRecords(const RecordList& list) {
  SpotReport report;
  for (const RecordObject& o : Objects(list)) {
    bool detected = false;
    for (std::size_t i : o.lines) detected = detected || list.lines[i].area_msh >= 0;
    if (!detected) continue;
    SpotGroup g;
    g.name = o.name;
    for (std::size_t i : o.lines) {
      const RecordLine& r = list.lines[i];
      FoundSpot f;
      f.x = r.x_px;
      f.y = r.y_px;
      f.B = r.B_deg;
      f.CMD = r.CMD_deg;
      f.L = r.L_deg;
      f.area_msh = std::max(0.0, r.area_msh);
      f.umbra_msh = std::max(0.0, r.umbra_msh);
      f.B_err = r.B_err;
      f.CMD_err = r.CMD_err;
      f.L_err = r.L_err;
      g.B_err = r.groupB_err;
      g.CMD_err = r.groupCMD_err;
      g.L_err = r.groupL_err;
      f.group = static_cast<int>(report.groups.size());
      g.spots.push_back(static_cast<int>(report.spots.size()));
      report.spots.push_back(f);
    }
    // Kept in the order of the records, so that the rows follow the data file.
    std::vector<int> order = g.spots;
    SummarizeGroup(report.spots, g);
    g.spots = order;
    g.mcIntosh = o.spotClass.empty() ? g.mcIntosh : o.spotClass;
    report.groups.push_back(std::move(g));
  }
  return report;
}

std::string SpotsTextOfRecords(const RecordList& list, double k) {
  const SpotReport report = SpotReportOfRecords(list);
  if (report.groups.empty()) return {};
  // The errors' columns when the finder gave any spot its errors.
  const bool withErrors = std::any_of(report.spots.begin(), report.spots.end(),
                                      [](const FoundSpot& f) { return std::isfinite(f.B_err); });
  return SpotsFileText(report, k, withErrors);
}

std::string SaveSpotsBeside(const RecordList& list, const std::string& dataFile, double k) {
  const std::string path = SpotsFileNameOf(dataFile);
  const std::string text = SpotsTextOfRecords(list, k);
  std::error_code ec;
  if (text.empty()) {
    if (fs::exists(path, ec) && !fs::remove(path, ec))
      return "The old " + path + " could not be removed: " + ec.message();
    return {};
  }
  if (std::string error = WriteFileAtomically(path, text); !error.empty())
    return "The spots were not saved: " + error + ".";
  return {};
}

std::string LoadSpotsBeside(RecordList& list, const std::string& dataFile) {
  const std::string path = SpotsFileNameOf(dataFile);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  std::stringstream buf;
  buf << in.rdbuf();
  if (!in && !in.eof()) return "The spots in " + path + " could not be read; the data file holds.";
  SpotsFileContents spots;
  std::string error;
  if (!ParseSpotsFile(buf.str(), spots, error))
    return "The spots in " + path + " could not be read (" + error + "); the data file holds.";
  std::vector<DataRecord> records;
  for (std::size_t i = 0; i < list.lines.size(); ++i) {
    const RecordLine& r = list.lines[i];
    if (!r.record) continue;
    DataRecord d;
    d.line = static_cast<int>(list.header.size() + i + 1);
    d.name = r.name;
    d.B = r.B_deg;
    d.CMD = r.CMD_deg;
    d.L = r.L_deg;
    records.push_back(d);
  }
  std::string why;
  if (!SpotsMatchRecords(spots, records, why))
    return "The spots in " + path + " do not match the data file (" + why +
           "): their areas and classes are left out; the data file holds.";
  std::map<std::string, std::string> classes;
  std::map<std::string, const SpotsFileGroup*> groups;
  for (const SpotsFileGroup& g : spots.groups) {
    classes[g.name] = g.mcIntosh;
    groups[g.name] = &g;
  }
  std::vector<bool> taken(list.lines.size(), false);
  auto same = [](double a, double b) { return std::fabs(a - b) <= 1.5e-5; };
  for (const SpotsFileRow& s : spots.spots) {
    for (std::size_t i = 0; i < list.lines.size(); ++i) {
      RecordLine& r = list.lines[i];
      if (taken[i] || !r.record || r.name != s.group || !same(r.B_deg, s.B) || !same(r.CMD_deg, s.CMD) ||
          !same(r.L_deg, s.L))
        continue;
      taken[i] = true;
      r.area_msh = s.area_msh;
      r.umbra_msh = s.umbra_msh;
      r.spotClass = classes[s.group];
      r.B_err = s.B_err;
      r.CMD_err = s.CMD_err;
      r.L_err = s.L_err;
      if (const auto g = groups.find(s.group); g != groups.end()) {
        r.groupB_err = g->second->B_err;
        r.groupCMD_err = g->second->CMD_err;
        r.groupL_err = g->second->L_err;
      }
      break;
    }
  }
  return {};
}

}  // namespace pelorin
