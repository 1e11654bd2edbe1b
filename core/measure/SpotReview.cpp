#include "measure/SpotReview.h"

#include <filesystem>
#include <memory>
#include <set>

#include "app/Dispatcher.h"
#include "compare/Catalogue.h"
#include "geometry/Angles.h"
#include "measure/Edits.h"

namespace pelorin {

SpotCalibration SpotCalibrationOfState(const ProgramState& s) {
  SpotCalibration c;
  c.x0 = s.ZeroPointX;
  c.y0 = s.ZeroPointY;
  c.rk = s.LimbRadius;
  c.northUp = s.ImageType == 1 || s.NorthUpImage == 1;
  c.P = c.northUp ? 0 : s.P;
  c.B0 = s.B0;
  c.L0 = s.L0;
  c.rho0 = s.rho0;
  c.orientation = s.OrientationAngle;
  return c;
}

GreyPicture GreyOfOpenPicture(App& app) {
  const PicturePort& pic = app.pic;
  app.pic.RestoreClean();
  GreyPicture g;
  g.width = pic.Width();
  g.height = pic.Height();
  g.value.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height));
  std::size_t k = 0;
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const std::int32_t c = pic.Point(x, y);
      const auto u = static_cast<std::uint32_t>(c < 0 ? 0 : c);
      g.value[k++] = static_cast<float>((u & 0xFF) + ((u >> 8) & 0xFF) + ((u >> 16) & 0xFF)) / 3.0f;
    }
  Redraw(app);
  return g;
}

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

std::string SpotReviewRefusal(const App& app) {
  const ProgramState& s = app.s;
  if (app.pic.Width() <= 0 || app.pic.Height() <= 0) return "Open a picture first.";
  if (s.ImageType == 2 || s.CalibrationState != 3 || !(s.LimbRadius > 0))
    return "The picture is not calibrated: measure its limb and orientation first.";
  for (EndButton b : {EndButton::limbend, EndButton::dirend, EndButton::Objektend}) {
    if (app.win.EndVisible(b)) return "An input is open: finish it with End first.";
  }
  const std::string refusal = SpotRefusalOfHeader(app.pic.Header());
  if (!refusal.empty()) return "Sunspots cannot be found on this picture: " + refusal + ".";
  return {};
}

std::string StartSpotReview(const App& app, const GreyPicture& grey, const SpotSettings& settings,
                            SpotProposals& out) {
  if (std::string refusal = SpotReviewRefusal(app); !refusal.empty()) return refusal;
  auto finder = std::make_shared<SpotFinder>();
  std::string error;
  if (!finder->Prepare(grey, SpotCalibrationOfState(app.s), error, settings.threads))
    return "Sunspots cannot be found on this picture: " + error + ".";
  const ProgramState& s = app.s;
  std::vector<ReferenceGroup> references;
  std::error_code ec;
  if (s.DateKnown != 0) {
    const std::filesystem::path folder = app.dataFilePath.empty()
                                             ? std::filesystem::current_path(ec)
                                             : std::filesystem::path(app.dataFilePath).parent_path();
    references = CatalogueGroupsOfDay((folder / "DPD1.txt").string(), static_cast<int>(s.DateYear),
                                      static_cast<int>(s.DateMonth), static_cast<int>(s.DateDay), s.TimeUT);
  }
  std::set<std::string> names;
  for (const RecordObject& o : Objects(app.book.list)) names.insert(o.name);
  out = ProposeSpots(std::move(finder), settings, std::move(references), std::move(names));
  return {};
}

}  // namespace pelorin
