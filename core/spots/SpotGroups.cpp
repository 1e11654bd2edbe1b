// Spots into groups on the sphere, the McIntosh class of a group, the day's
// counts, names from the reference catalogue, and the pictures refused.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "base/Numbers.h"
#include "spots/Spots.h"

namespace pelorin {

namespace {

// A spot this close to a spot of a group (longitude, latitude; degrees)
// joins it whatever the distance to the group's centre: long groups.
constexpr double kLinkL = 6, kLinkB = 3;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

double GreatCircle(double L1, double B1, double L2, double B2) {
  const double r = kPiExact / 180;
  const double c = std::sin(B1 * r) * std::sin(B2 * r) + std::cos(B1 * r) * std::cos(B2 * r) * std::cos((L1 - L2) * r);
  return std::acos(std::clamp(c, -1.0, 1.0)) / r;
}

// The diameter in degrees of a round area of `msh` millionths of the hemisphere.
double DiameterDeg(double msh) { return 2 * std::acos(std::clamp(1 - msh / 1e6, -1.0, 1.0)) * 180 / kPiExact; }

}  // namespace

std::string SpotRefusalOfHeader(const PictureHeader& header) {
  if (const std::string* content = header.Find("CONTENT")) {
    const std::string c = Upper(*content);
    if (c.find("MAGNETOGRAM") != std::string::npos || c.find("MAGNETIC") != std::string::npos)
      return "the picture is a magnetogram (CONTENT = '" + *content + "'): sunspots are found on white-light pictures";
    if (c.find("DOPPLER") != std::string::npos)
      return "the picture is a Dopplergram (CONTENT = '" + *content + "'): sunspots are found on white-light pictures";
  }
  if (const std::string* wl = header.Find("WAVELNTH")) {
    char* end = nullptr;
    const double v = std::strtod(wl->c_str(), &end);
    if (end != wl->c_str() && std::isfinite(v) && v > 0) {
      double angstrom = v;
      if (const std::string* unit = header.Find("WAVEUNIT")) {
        const std::string u = Upper(*unit);
        if (u == "NM" || u == "NANOMETER" || u == "NANOMETERS") angstrom = v * 10;
        else if (u == "M" || u == "METER" || u == "METERS") angstrom = v * 1e10;
        else if (u == "UM" || u == "MICRON" || u == "MICRONS") angstrom = v * 1e4;
      }
      if (angstrom < 1100)
        return "the picture is an EUV or X-ray picture (WAVELNTH = " + *wl +
               "): sunspots are found on white-light pictures";
    }
  }
  return "";
}

void GroupSpots(std::vector<FoundSpot>& spots, std::vector<SpotGroup>& groups) {
  groups.clear();
  std::vector<int> order(spots.size());
  for (std::size_t i = 0; i < spots.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return spots[static_cast<std::size_t>(a)].area_msh > spots[static_cast<std::size_t>(b)].area_msh;
  });
  for (FoundSpot& s : spots) s.group = -1;
  std::vector<std::vector<int>> members;
  for (int seed : order) {
    if (spots[static_cast<std::size_t>(seed)].group >= 0) continue;
    const int g = static_cast<int>(members.size());
    members.push_back({seed});
    FoundSpot& sd = spots[static_cast<std::size_t>(seed)];
    sd.group = g;
    double wsum = std::max(1e-3, sd.area_msh), cB = sd.B * wsum, cC = sd.CMD * wsum;
    double minC = sd.CMD, maxC = sd.CMD, minB = sd.B, maxB = sd.B;
    for (bool changed = true; changed;) {
      changed = false;
      for (int t : order) {
        FoundSpot& s = spots[static_cast<std::size_t>(t)];
        if (s.group >= 0) continue;
        const double reachL = std::max(10.0, 5 + 0.6 * (maxC - minC));
        const double reachB = std::max(5.0, 2.5 + 0.6 * (maxB - minB));
        // Within reach of the group's centre, or close to one of its spots.
        bool close = std::fabs(s.CMD - cC / wsum) <= reachL && std::fabs(s.B - cB / wsum) <= reachB;
        for (std::size_t m = 0; m < members.back().size() && !close; ++m) {
          const FoundSpot& o = spots[static_cast<std::size_t>(members.back()[m])];
          close = std::fabs(s.CMD - o.CMD) <= kLinkL && std::fabs(s.B - o.B) <= kLinkB;
        }
        if (!close) continue;
        s.group = g;
        members.back().push_back(t);
        const double a = std::max(1e-3, s.area_msh);
        wsum += a;
        cB += a * s.B;
        cC += a * s.CMD;
        minC = std::min(minC, s.CMD);
        maxC = std::max(maxC, s.CMD);
        minB = std::min(minB, s.B);
        maxB = std::max(maxB, s.B);
        changed = true;
      }
    }
  }
  for (std::size_t g = 0; g < members.size(); ++g) {
    SpotGroup grp;
    grp.spots = members[g];
    SummarizeGroup(spots, grp);
    groups.push_back(grp);
  }
  std::stable_sort(groups.begin(), groups.end(), [](const SpotGroup& a, const SpotGroup& b) { return a.CMD < b.CMD; });
  for (std::size_t g = 0; g < groups.size(); ++g) {
    groups[g].name = GroupName(static_cast<int>(g) + 1);
    for (int i : groups[g].spots) spots[static_cast<std::size_t>(i)].group = static_cast<int>(g);
    groups[g].mcIntosh = McIntoshClass(spots, groups[g]);
  }
}

void SummarizeGroup(const std::vector<FoundSpot>& spots, SpotGroup& g) {
  std::sort(g.spots.begin(), g.spots.end(), [&](int a, int b) {
    return spots[static_cast<std::size_t>(a)].CMD < spots[static_cast<std::size_t>(b)].CMD;
  });
  g.area_msh = 0;
  if (g.spots.empty()) return;
  double wsum = 0, b = 0, c = 0, l = 0;
  const double l0 = spots[static_cast<std::size_t>(g.spots[0])].L;
  for (int i : g.spots) {
    const FoundSpot& s = spots[static_cast<std::size_t>(i)];
    const double a = std::max(1e-9, s.area_msh);
    wsum += a;
    b += a * s.B;
    c += a * s.CMD;
    l += a * Wrap180(s.L - l0);
    g.area_msh += s.area_msh;
  }
  g.B = b / wsum;
  g.CMD = c / wsum;
  g.L = std::fmod(l0 + l / wsum + 360.0, 360.0);
  g.north = g.B >= 0;
  g.mcIntosh = McIntoshClass(spots, g);
}

std::string McIntoshClass(const std::vector<FoundSpot>& spots, const SpotGroup& group) {
  if (group.spots.empty()) return "Axx";
  double minC = 1e9, maxC = -1e9;
  bool pen = false;
  for (int i : group.spots) {
    const FoundSpot& s = spots[static_cast<std::size_t>(i)];
    minC = std::min(minC, s.CMD);
    maxC = std::max(maxC, s.CMD);
    pen = pen || s.penumbra;
  }
  const double ext = maxC - minC;
  const bool unipolar = ext < 3;
  const double mid = (minC + maxC) / 2;
  char z = 'A';
  if (!pen) {
    z = unipolar ? 'A' : 'B';
  } else if (unipolar) {
    z = 'H';
  } else {
    bool west = false, east = false;
    for (int i : group.spots) {
      const FoundSpot& s = spots[static_cast<std::size_t>(i)];
      if (!s.penumbra) continue;
      (s.CMD >= mid ? west : east) = true;
    }
    if (west && east) z = ext <= 10 ? 'D' : ext <= 15 ? 'E' : 'F';
    else z = 'C';
  }
  // The largest spot's penumbra: the spots that share it.
  char p = 'x';
  if (pen) {
    std::map<int, std::pair<double, int>> clusters;  // cluster -> area, umbrae
    for (int i : group.spots) {
      const FoundSpot& s = spots[static_cast<std::size_t>(i)];
      if (!s.penumbra) continue;
      auto& c = clusters[s.cluster];
      c.first += s.area_msh;
      c.second += 1;
    }
    std::pair<double, int> big{0, 0};
    for (const auto& [k, v] : clusters)
      if (v.first > big.first) big = v;
    const bool large = DiameterDeg(big.first) > 2.5;
    const bool symmetric = big.second <= 1;
    p = large ? (symmetric ? 'h' : 'k') : (symmetric ? 's' : 'a');
  }
  char d = 'x';
  if (group.spots.size() > 1 && z != 'A' && z != 'H') {
    int inner = 0;
    bool innerPen = false;
    for (int i : group.spots) {
      const FoundSpot& s = spots[static_cast<std::size_t>(i)];
      if (s.CMD > minC + 0.25 * ext && s.CMD < maxC - 0.25 * ext) {
        ++inner;
        innerPen = innerPen || s.penumbra;
      }
    }
    d = inner == 0 ? 'o' : innerPen ? 'c' : 'i';
  }
  return std::string{z, p, d};
}

void NameGroups(std::vector<SpotGroup>& groups, const std::vector<ReferenceGroup>& references, double reach_deg) {
  struct Pair {
    double d;
    std::size_t g, r;
  };
  std::vector<Pair> pairs;
  for (std::size_t g = 0; g < groups.size(); ++g)
    for (std::size_t r = 0; r < references.size(); ++r) {
      if (references[r].name.empty()) continue;
      const ReferenceGroup& ref = references[r];
      const double d = GreatCircle(groups[g].L, groups[g].B, ref.L, ref.B);
      double dL = std::fabs(std::fmod(groups[g].L - ref.L, 360.0));
      if (dL > 180) dL = 360 - dL;
      const bool within = ref.reachL_deg > 0 ? dL <= ref.reachL_deg && std::fabs(groups[g].B - ref.B) <= ref.reachB_deg
                                             : d <= reach_deg;
      if (within) pairs.push_back({d, g, r});
    }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.d < b.d; });
  std::vector<bool> named(groups.size(), false), used(references.size(), false);
  std::set<std::string> taken;
  for (const ReferenceGroup& r : references) taken.insert(r.name);
  for (const Pair& p : pairs) {
    if (named[p.g] || used[p.r]) continue;
    named[p.g] = true;
    used[p.r] = true;
    groups[p.g].name = references[p.r].name;
  }
  int next = 1;
  for (std::size_t g = 0; g < groups.size(); ++g)
    if (!named[g]) groups[g].name = TakeNextGroupName(taken, next);
}

std::string GroupName(int n) { return "G" + std::to_string(n); }

std::string TakeNextGroupName(std::set<std::string>& taken, int& next) {
  std::string n;
  do n = GroupName(next++);
  while (taken.count(n));
  taken.insert(n);
  return n;
}

}  // namespace pelorin
