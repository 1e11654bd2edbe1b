#include "series/SeriesRead.h"

#include "series/GroupNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <set>
#include <string_view>
#include <unordered_map>

#include "formats/DataFile.h"
#include "base/TextFile.h"
#include "base/Angles.h"
#include "formats/SpotsFile.h"

namespace pelorin::series {

namespace {

namespace fs = std::filesystem;


std::string Where(const std::string& path, int line) { return path + ": line " + std::to_string(line) + ": "; }

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The line number a reader's problem starts with ("line N: ..."), 0 if none.
int ProblemLine(const std::string& problem) {
  if (!StartsWith(problem, "line ")) return 0;
  return std::atoi(problem.c_str() + 5);
}

// A line of a data file's header, as a second picture's header begins.
bool StartsHeader(const std::string& text) {
  return StartsWith(text, "Note: Data format") || StartsWith(text, "Picture:") || text == "v2.0" || text == "v1.0";
}

bool EndsWithDat(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".dat";
}

// The program's working copies (temp.dat, temp2.dat, ...) repeat a data
// file of the folder: a folder's season leaves them out.
bool IsWorkingCopy(const fs::path& p) {
  const std::string name = p.filename().string();
  if (name.rfind("temp", 0) != 0 || name.size() < 8) return false;
  const std::string number = name.substr(4, name.size() - 8);
  return std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

int SeriesData::GroupNames() const {
  std::set<std::string_view> names;
  for (const GroupPosition& p : positions)
    if (!p.name.empty()) names.insert(p.name);
  return static_cast<int>(names.size());
}

bool ReadSeriesFile(const std::string& path, const std::vector<std::string>& lines, int fileIndex, SeriesFile& file,
                    std::vector<GroupPosition>& out, std::vector<std::string>& problems) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find('\0') != std::string::npos) {
      problems.push_back(Where(path, static_cast<int>(i) + 1) + "not a data file: binary bytes");
      return false;
    }
  }
  const DataFileContents c = ParseDataFile(lines);
  if (!c.headerComplete) {
    problems.push_back(path + ": " +
                       (c.problems.empty() ? std::string("the header is cut short") : c.problems.front()));
    return false;
  }
  if (c.version < 0) {
    problems.push_back(Where(path, 3) + "unknown format version \"" + c.versionLine + "\"; the file is not read");
    return false;
  }
  const bool wholeMonth = c.month == std::floor(c.month) && c.month >= 1 && c.month <= 12;
  if (!(c.year >= 1600 && c.year <= 2400) || !wholeMonth || !(c.day >= 1 && c.day < 32)) {
    problems.push_back(Where(path, 5) + "no plausible date (day, month, year)");
    return false;
  }
  if (!(c.timeUT >= 0 && c.timeUT <= 24)) {
    problems.push_back(Where(path, 6) + "no plausible time (UT hours 0 to 24)");
    return false;
  }

  // A second picture's header ends what this file's picture holds.
  int cut = static_cast<int>(lines.size()) + 1;
  for (int n = kHeaderLines + 1; n <= static_cast<int>(lines.size()); ++n) {
    if (StartsHeader(lines[static_cast<std::size_t>(n - 1)])) {
      cut = n;
      problems.push_back(Where(path, n) + "a second picture's header begins here; its records are not read");
      break;
    }
  }
  for (const std::string& p : c.problems) {
    const int line = ProblemLine(p);
    if (line < cut) problems.push_back(path + ": " + p);
  }

  file.path = path;
  JulianDay(c.year, c.month, c.day, c.timeUT, file.jd);
  file.records = 0;

  // Named records are gathered by name, in order of first appearance.
  struct Sums {
    double B = 0;
    CircularSum CMD, L;
    int n = 0, line = 0;
  };
  std::vector<std::pair<std::string, Sums>> groups;
  std::unordered_map<std::string, std::size_t> index;
  std::vector<GroupPosition> unnamed;
  for (const DataRecord& r : c.records) {
    if (r.line >= cut) break;
    if (!std::isfinite(r.B) || std::fabs(r.B) > 90) {
      problems.push_back(Where(path, r.line) + "skipped: B beyond +-90 degrees");
      continue;
    }
    if (!std::isfinite(r.CMD) || std::fabs(r.CMD) > 180) {
      problems.push_back(Where(path, r.line) + "skipped: CMD beyond +-180 degrees");
      continue;
    }
    if (!std::isfinite(r.L) || std::fabs(r.L) > 1e6) {
      problems.push_back(Where(path, r.line) + "skipped: L is not a longitude");
      continue;
    }
    ++file.records;
    if (r.name.empty()) {
      GroupPosition g;
      g.file = fileIndex;
      g.jd = file.jd;
      g.B_deg = r.B;
      g.CMD_deg = Wrap180(r.CMD);
      g.L_deg = Wrap360(r.L);
      g.records = 1;
      g.line = r.line;
      unnamed.push_back(g);
      continue;
    }
    const std::string name = GroupNameOf(r.name, static_cast<int>(c.year), static_cast<int>(c.month),
                                         static_cast<int>(c.day));
    auto [it, added] = index.try_emplace(name, groups.size());
    if (added) groups.push_back({name, Sums{}});
    Sums& s = groups[it->second].second;
    if (s.n == 0) s.line = r.line;
    s.B += r.B;
    s.CMD.Add(r.CMD);
    s.L.Add(r.L);
    ++s.n;
  }
  // Named groups and unnamed records in the order of their first line.
  std::vector<GroupPosition> mine;
  for (const auto& [name, s] : groups) {
    GroupPosition g;
    g.name = name;
    g.file = fileIndex;
    g.jd = file.jd;
    g.B_deg = s.B / s.n;
    g.CMD_deg = s.CMD.Mean180();
    g.L_deg = s.L.Mean360();
    g.records = s.n;
    g.line = s.line;
    mine.push_back(std::move(g));
  }
  mine.insert(mine.end(), unnamed.begin(), unnamed.end());
  std::stable_sort(mine.begin(), mine.end(),
                   [](const GroupPosition& a, const GroupPosition& b) { return a.line < b.line; });
  out.insert(out.end(), std::make_move_iterator(mine.begin()), std::make_move_iterator(mine.end()));
  return true;
}

std::vector<std::string> DataFilesIn(const std::vector<std::string>& paths, std::vector<std::string>& problems) {
  std::vector<std::string> files;
  for (const std::string& p : paths) {
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec || !fs::exists(st)) {
      problems.push_back(p + ": no such file or folder");
      continue;
    }
    if (!fs::is_directory(st)) {
      files.push_back(p);
      continue;
    }
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(p, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
      problems.push_back(p + ": the folder cannot be listed: " + ec.message());
      continue;
    }
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
      if (ec) {
        problems.push_back(p + ": the folder cannot be listed in full: " + ec.message());
        break;
      }
      std::error_code fe;
      if (it->is_regular_file(fe) && EndsWithDat(it->path()) && !IsWorkingCopy(it->path()))
        found.push_back(it->path().string());
    }
    if (found.empty()) problems.push_back(p + ": no data file (*.dat) in this folder");
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  // A file named twice (a folder and a file in it, or one folder twice) is
  // read once, where it first came.
  std::set<fs::path> seen;
  std::vector<std::string> once;
  for (const std::string& f : files) {
    std::error_code ec;
    fs::path key = fs::weakly_canonical(fs::absolute(f, ec), ec);
    if (ec) key = f;
    if (seen.insert(key).second) once.push_back(f);
  }
  return once;
}

SeriesData SeriesOf(const std::vector<SeriesText>& texts, std::vector<std::string> problems) {
  SeriesData d;
  d.problems = std::move(problems);
  std::vector<GroupPosition> positions;
  for (const SeriesText& t : texts) {
    SeriesFile f;
    if (ReadSeriesFile(t.path, t.lines, static_cast<int>(d.files.size()), f, positions, d.problems))
      d.files.push_back(std::move(f));
  }
  // Time order: files renumbered, positions follow their files.
  std::vector<int> order(d.files.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&d](int a, int b) {
    const SeriesFile& fa = d.files[static_cast<std::size_t>(a)];
    const SeriesFile& fb = d.files[static_cast<std::size_t>(b)];
    return fa.jd != fb.jd ? fa.jd < fb.jd : fa.path < fb.path;
  });
  std::vector<int> rank(order.size());
  std::vector<SeriesFile> sorted;
  sorted.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    rank[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(d.files[static_cast<std::size_t>(order[i])]));
  }
  d.files = std::move(sorted);
  for (GroupPosition& g : positions) g.file = rank[static_cast<std::size_t>(g.file)];
  std::stable_sort(positions.begin(), positions.end(),
                   [](const GroupPosition& a, const GroupPosition& b) { return a.file < b.file; });
  d.positions = std::move(positions);
  return d;
}

void AddSpotAreas(SeriesData& d) {
  for (std::size_t f = 0; f < d.files.size(); ++f) {
    const std::string spots = SpotsFileNameOf(d.files[f].path);
    std::error_code ec;
    if (!fs::is_regular_file(spots, ec)) continue;
    SpotsFileContents contents;
    std::string error;
    try {
      if (!ParseSpotsFile(ReadFileBytes(spots), contents, error)) {
        d.problems.push_back(spots + ": " + error + "; the areas of its groups are left out");
        continue;
      }
    } catch (const std::exception& e) {
      d.problems.push_back(std::string(e.what()) + "; the areas of its groups are left out");
      continue;
    }
    for (GroupPosition& g : d.positions) {
      if (g.file != static_cast<int>(f) || g.name.empty()) continue;
      int y = 0, m = 0, day = 0;
      double h = 0;
      CalendarOf(g.jd, y, m, day, h);
      for (const SpotsFileGroup& group : contents.groups)
        if (GroupNameOf(group.name, y, m, day) == g.name) {
          g.area_msh = group.area_msh;
          g.L_err_deg = group.L_err;
        }
    }
  }
}

SeriesData ReadSeries(const std::vector<std::string>& paths) {
  std::vector<std::string> problems;
  const std::vector<std::string> names = DataFilesIn(paths, problems);
  std::vector<SeriesText> texts;
  texts.reserve(names.size());
  for (const std::string& path : names) {
    try {
      texts.push_back(SeriesText{path, ReadLines(path)});
    } catch (const std::exception& e) {
      problems.push_back(e.what());
    }
  }
  SeriesData d = SeriesOf(texts, std::move(problems));
  AddSpotAreas(d);
  return d;
}

namespace {

// Meeus' conversion of a Julian day to the Gregorian calendar, with the
// seconds of the day rounded first.
void Calendar(double jd, int& year, int& month, int& day, long long& secondOfDay) {
  const double seconds = std::round((jd + 0.5) * 86400.0);
  const double z = std::floor(seconds / 86400.0);
  secondOfDay = static_cast<long long>(seconds - z * 86400.0);
  const double alpha = std::floor((z - 1867216.25) / 36524.25);
  const double a = z + 1 + alpha - std::floor(alpha / 4);
  const double b = a + 1524;
  const double c = std::floor((b - 122.1) / 365.25);
  const double dd = std::floor(365.25 * c);
  const double e = std::floor((b - dd) / 30.6001);
  day = static_cast<int>(b - dd - std::floor(30.6001 * e));
  month = static_cast<int>(e < 14 ? e - 1 : e - 13);
  year = static_cast<int>(month > 2 ? c - 4716 : c - 4715);
}

}  // namespace

void CalendarOf(double jd, int& year, int& month, int& day, double& hours) {
  long long sod = 0;
  Calendar(jd, year, month, day, sod);
  hours = static_cast<double>(sod) / 3600.0;
}

std::string IsoTime(double jd) {
  int year = 0, month = 0, day = 0;
  long long sod = 0;
  Calendar(jd, year, month, day, sod);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lldZ", year, month, day, sod / 3600, (sod / 60) % 60,
                sod % 60);
  return buf;
}

}  // namespace pelorin::series
