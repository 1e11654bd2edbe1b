#include "measure/ReferenceGroups.h"

#include <cmath>
#include <filesystem>

#include "base/TextFile.h"
#include "formats/Catalogue.h"
#include "formats/Srs.h"
#include "base/Angles.h"
#include "series/Tracks.h"

namespace pelorin {

std::vector<ReferenceGroup> CatalogueGroupsOfDay(const std::string& catalogue, int year, int month, int day,
                                                 double hours) {
  std::vector<ReferenceGroup> refs;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(catalogue, ec)) return refs;
  double jd = 0;
  JulianDay(year, month, day, hours, jd);
  const CatalogueIndex idx = IndexCatalogueFile(catalogue, jd);
  if (idx.result != CatalogueIndex::Result::ok || idx.blockOffset.size() < 2 || idx.first < 1) return refs;
  // The block of the picture's day: the first not earlier than the
  // picture, or the one before it.
  CatalogueBlock block;
  bool same = false;
  for (int b = idx.first - 1; b >= idx.first - 2 && b >= 0 && !same; --b) {
    const auto i = static_cast<std::size_t>(b);
    if (i + 1 >= idx.blockOffset.size()) continue;
    if (ReadCatalogueBlockFile(catalogue, idx.blockOffset.back(), idx.blockOffset[i], idx.blockOffset[i + 1],
                               idx.greenwich, block) != BlockRead::ok)
      continue;
    same = static_cast<int>(block.year) == year && static_cast<int>(block.month) == month &&
           static_cast<int>(block.day) == day;
  }
  if (!same) return refs;
  for (const CatalogueMark& g : block.groups) {
    std::string name = g.name;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(name.begin());
    if (!name.empty()) refs.push_back({name, g.L, g.B});
  }
  return refs;
}

std::vector<ReferenceGroup> SrsGroupsAt(const std::string& path, int year, int month, int day, double hours,
                                        std::vector<std::string>* problems) {
  std::vector<ReferenceGroup> refs;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return refs;
  std::string text;
  try {
    text = ReadFileBytes(path);
  } catch (const std::exception& e) {
    if (problems) problems->push_back(e.what());
    return refs;
  }
  const SrsSummary srs = ParseSrs(text, path);
  if (problems) problems->insert(problems->end(), srs.problems.begin(), srs.problems.end());
  if (!(srs.validJulianDay > 0)) return refs;
  double jd = 0;
  JulianDay(year, month, day, hours, jd);
  const double days = jd - srs.validJulianDay;
  for (const SrsRegion& r : srs.regions) {
    const double drift = series::LawAt(series::kKanzelhoeheDailyShifts, r.B) - series::kCarringtonSidereal_deg_day;
    const double L = std::fmod(std::fmod(r.Lo + drift * days, 360.0) + 360.0, 360.0);
    refs.push_back({std::to_string(r.number), L, r.B, 5, 3});
  }
  return refs;
}

std::vector<ReferenceGroup> ReferenceGroupsOfDay(const std::string& folder, int year, int month, int day,
                                                 double hours, std::vector<std::string>* problems) {
  const std::filesystem::path dir(folder);
  std::vector<ReferenceGroup> refs = CatalogueGroupsOfDay((dir / "DPD1.txt").string(), year, month, day, hours);
  if (!refs.empty()) return refs;
  std::error_code ec;
  for (const std::string& name : SrsNamesOfDay(year, month, day))
    if (std::filesystem::is_regular_file(dir / name, ec))
      return SrsGroupsAt((dir / name).string(), year, month, day, hours, problems);
  return refs;
}

}  // namespace pelorin
