#include "spots/Proposals.h"

#include "spots/SpotErrors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "formats/DataFile.h"

namespace pelorin {

namespace {

// The names G<n> may not take.
std::set<std::string> Taken(const SpotProposals& p) {
  std::set<std::string> taken = p.existingNames;
  for (const ReferenceGroup& r : p.references) taken.insert(r.name);
  for (const SpotGroup& g : p.report.groups) taken.insert(g.name);
  return taken;
}

// Names the found groups: the catalogue's, else G<n> clear of every taken name.
void Name(SpotProposals& p) {
  NameGroups(p.report.groups, p.references);
  std::set<std::string> taken = p.existingNames;
  for (const ReferenceGroup& r : p.references) taken.insert(r.name);
  std::vector<bool> fromCatalogue(p.report.groups.size(), false);
  for (std::size_t g = 0; g < p.report.groups.size(); ++g) {
    for (const ReferenceGroup& r : p.references) fromCatalogue[g] = fromCatalogue[g] || r.name == p.report.groups[g].name;
    if (fromCatalogue[g]) taken.insert(p.report.groups[g].name);
  }
  int next = 1;
  for (std::size_t g = 0; g < p.report.groups.size(); ++g)
    if (!fromCatalogue[g]) p.report.groups[g].name = TakeNextGroupName(taken, next);
}

// The positions' errors of every spot and group, where the calibration's
// errors are given.
void AttachErrors(SpotProposals& p) {
  if (p.errors) AttachPositionErrors(p.report, p.calibration, *p.errors);
}

// Drops the groups without spots and the spots without a group, and sets
// every spot's group number again.
void Compact(SpotProposals& p) {
  SpotReport& r = p.report;
  std::vector<int> newIndex(r.spots.size(), -1);
  std::vector<FoundSpot> spots;
  std::vector<bool> used(r.spots.size(), false);
  for (const SpotGroup& g : r.groups)
    for (int i : g.spots) used[static_cast<std::size_t>(i)] = true;
  for (std::size_t i = 0; i < r.spots.size(); ++i) {
    if (!used[i]) continue;
    newIndex[i] = static_cast<int>(spots.size());
    spots.push_back(r.spots[i]);
  }
  std::vector<SpotGroup> groups;
  std::vector<bool> checked;
  for (std::size_t g = 0; g < r.groups.size(); ++g) {
    if (r.groups[g].spots.empty()) continue;
    SpotGroup grp = r.groups[g];
    for (int& i : grp.spots) i = newIndex[static_cast<std::size_t>(i)];
    for (int i : grp.spots) spots[static_cast<std::size_t>(i)].group = static_cast<int>(groups.size());
    groups.push_back(std::move(grp));
    checked.push_back(g < p.checked.size() ? p.checked[g] : true);
  }
  r.spots = std::move(spots);
  r.groups = std::move(groups);
  p.checked = std::move(checked);
  for (SpotGroup& g : r.groups) SummarizeGroup(r.spots, g);
  AttachErrors(p);
}

bool ValidGroup(const SpotProposals& p, int g) {
  return g >= 0 && static_cast<std::size_t>(g) < p.report.groups.size();
}
bool ValidSpot(const SpotProposals& p, int s) { return s >= 0 && static_cast<std::size_t>(s) < p.report.spots.size(); }

void Unique(std::vector<int>& v) {
  std::vector<int> u;
  for (int i : v)
    if (std::find(u.begin(), u.end(), i) == u.end()) u.push_back(i);
  v = std::move(u);
}

// Takes the spots out of their groups (the groups keep the rest).
void Detach(SpotProposals& p, const std::vector<int>& spots) {
  for (SpotGroup& g : p.report.groups) {
    g.spots.erase(std::remove_if(g.spots.begin(), g.spots.end(),
                                 [&](int i) { return std::find(spots.begin(), spots.end(), i) != spots.end(); }),
                  g.spots.end());
  }
}

}  // namespace

SpotProposals ProposeSpots(std::shared_ptr<SpotFinder> finder, const SpotSettings& settings,
                           std::vector<ReferenceGroup> references, std::set<std::string> existingNames) {
  SpotProposals p;
  p.finder = std::move(finder);
  p.settings = settings;
  p.references = std::move(references);
  p.existingNames = std::move(existingNames);
  if (p.finder) p.report = p.finder->Find(p.settings);
  Name(p);
  p.checked.assign(p.report.groups.size(), true);
  return p;
}

void ChangeThreshold(SpotProposals& p, double contrastThreshold) {
  p.settings.contrastThreshold = contrastThreshold;
  if (p.finder) p.report = p.finder->Find(p.settings);
  Name(p);
  p.checked.assign(p.report.groups.size(), true);
  AttachErrors(p);
}

void SetProposalErrors(SpotProposals& p, const DiscCalibration& cal, const CalibrationErrors& errors) {
  p.calibration = cal;
  p.errors = errors;
  AttachErrors(p);
}

std::string RemoveSpots(SpotProposals& p, std::vector<int> spots) {
  Unique(spots);
  spots.erase(std::remove_if(spots.begin(), spots.end(), [&](int s) { return !ValidSpot(p, s); }), spots.end());
  if (spots.empty()) return "Select the spots to remove.";
  Detach(p, spots);
  Compact(p);
  return {};
}

std::string RemoveGroups(SpotProposals& p, std::vector<int> groups) {
  Unique(groups);
  bool any = false;
  for (int g : groups) {
    if (!ValidGroup(p, g)) continue;
    p.report.groups[static_cast<std::size_t>(g)].spots.clear();
    any = true;
  }
  if (!any) return "Select the groups to remove.";
  Compact(p);
  return {};
}

std::string MergeGroups(SpotProposals& p, std::vector<int> groups) {
  Unique(groups);
  groups.erase(std::remove_if(groups.begin(), groups.end(), [&](int g) { return !ValidGroup(p, g); }), groups.end());
  if (groups.size() < 2) return "Select two or more groups to merge.";
  SpotGroup& first = p.report.groups[static_cast<std::size_t>(groups[0])];
  for (std::size_t k = 1; k < groups.size(); ++k) {
    SpotGroup& g = p.report.groups[static_cast<std::size_t>(groups[k])];
    first.spots.insert(first.spots.end(), g.spots.begin(), g.spots.end());
    g.spots.clear();
  }
  p.checked[static_cast<std::size_t>(groups[0])] = true;
  Compact(p);
  return {};
}

std::string NewGroupOfSpots(SpotProposals& p, std::vector<int> spots) {
  Unique(spots);
  spots.erase(std::remove_if(spots.begin(), spots.end(), [&](int s) { return !ValidSpot(p, s); }), spots.end());
  if (spots.empty()) return "Select the spots of the new group.";
  SpotGroup g;
  g.name = NextFreeGroupName(p);
  Detach(p, spots);
  g.spots = spots;
  p.report.groups.push_back(std::move(g));
  p.checked.push_back(true);
  Compact(p);
  return {};
}

std::string RenameGroup(SpotProposals& p, int group, const std::string& name) {
  if (!ValidGroup(p, group)) return "There is no such group.";
  if (name.empty()) return "A group needs a name.";
  if (std::string refusal = RecordNameRefusal(name); !refusal.empty()) return refusal;
  for (std::size_t g = 0; g < p.report.groups.size(); ++g) {
    if (static_cast<int>(g) != group && p.report.groups[g].name == name)
      return "Another proposed group is named " + name + ": merge the groups instead.";
  }
  p.report.groups[static_cast<std::size_t>(group)].name = name;
  return {};
}

std::string AddSpotAt(SpotProposals& p, double x_px, double y_px) {
  if (!p.finder) return "No picture has been searched for spots.";
  std::vector<FoundSpot> grown = p.finder->GrowAt(x_px, y_px, p.settings);
  // Spots already proposed stay as they are.
  grown.erase(std::remove_if(grown.begin(), grown.end(),
                             [&](const FoundSpot& g) {
                               return std::any_of(p.report.spots.begin(), p.report.spots.end(), [&](const FoundSpot& s) {
                                 return std::hypot(s.x - g.x, s.y - g.y) < 1.0;
                               });
                             }),
              grown.end());
  if (grown.empty()) return "No spot there: nothing is darker than the threshold, or its spot is proposed already.";
  for (const FoundSpot& f : grown) {
    const int index = static_cast<int>(p.report.spots.size());
    p.report.spots.push_back(f);
    int into = -1;
    for (std::size_t g = 0; g < p.report.groups.size() && into < 0; ++g) {
      const SpotGroup& grp = p.report.groups[g];
      if (std::fabs(f.CMD - grp.CMD) <= 10 && std::fabs(f.B - grp.B) <= 5) into = static_cast<int>(g);
    }
    if (into < 0) {
      SpotGroup g;
      g.name = NextFreeGroupName(p);
      p.report.groups.push_back(std::move(g));
      p.checked.push_back(true);
      into = static_cast<int>(p.report.groups.size()) - 1;
    }
    p.report.groups[static_cast<std::size_t>(into)].spots.push_back(index);
    SummarizeGroup(p.report.spots, p.report.groups[static_cast<std::size_t>(into)]);
  }
  Compact(p);
  return {};
}

void CheckGroup(SpotProposals& p, int group, bool checked) {
  if (ValidGroup(p, group)) p.checked[static_cast<std::size_t>(group)] = checked;
}

std::string NextFreeGroupName(const SpotProposals& p) {
  std::set<std::string> taken = Taken(p);
  int next = 1;
  return TakeNextGroupName(taken, next);
}

SpotCounts ReviewCounts(const SpotProposals* p, const std::vector<CountedGroup>& accepted, double k) {
  std::vector<SpotGroup> groups;
  for (const CountedGroup& a : accepted) {
    SpotGroup g;
    g.spots.assign(static_cast<std::size_t>(std::max(0, a.spots)), 0);
    g.north = a.B >= 0;
    groups.push_back(std::move(g));
  }
  if (p) {
    for (std::size_t g = 0; g < p->report.groups.size(); ++g)
      if (g < p->checked.size() && p->checked[g]) groups.push_back(p->report.groups[g]);
  }
  return CountSpots(groups, k);
}

std::string CountsLine(const SpotCounts& c) {
  auto num = [](double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return std::string(buf);
  };
  return "g=" + std::to_string(c.groups) + " f=" + std::to_string(c.spots) + " R=" + num(c.wolf) +
         " (N: g=" + std::to_string(c.northGroups) + " f=" + std::to_string(c.northSpots) + " R=" + num(c.northWolf) +
         "; S: g=" + std::to_string(c.southGroups) + " f=" + std::to_string(c.southSpots) + " R=" + num(c.southWolf) +
         ")";
}

}  // namespace pelorin
