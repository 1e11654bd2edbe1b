#include "measure/Records.h"

#include <cmath>
#include <map>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Angles.h"
#include "formats/DataFile.h"

namespace pelorin {

namespace {


// A version-2 record line as the program writes it: the quoted name ends at
// the first quote followed (blanks aside) by a comma; B, CMD and L follow.
bool ParseRecord(RecordLine& r) {
  const std::string& t = r.text;
  if (t.empty() || t[0] != '"') return false;
  for (std::size_t q = t.find('"', 1); q != std::string::npos; q = t.find('"', q + 1)) {
    const std::size_t next = t.find_first_not_of(" \t", q + 1);
    if (next == std::string::npos || t[next] != ',') continue;
    std::vector<std::string_view> fields;
    std::string_view rest = std::string_view(t).substr(next + 1);
    for (;;) {
      const std::size_t comma = rest.find(',');
      fields.push_back(rest.substr(0, comma));
      if (comma == std::string_view::npos) break;
      rest = rest.substr(comma + 1);
    }
    if (fields.size() < 3) return false;
    r.name = t.substr(1, q - 1);
    r.B_deg = RoundHalfEven(LeadingNumber(fields[0]), 5);
    r.CMD_deg = RoundHalfEven(LeadingNumber(fields[1]), 5);
    r.L_deg = RoundHalfEven(LeadingNumber(fields[2]), 5);
    r.record = true;
    return true;
  }
  return false;
}

}  // namespace

std::string RecordList::Bytes() const {
  std::string out;
  std::size_t size = 0;
  for (const auto& h : header) size += h.size() + 2;
  for (const auto& l : lines) size += l.text.size() + 2;
  out.reserve(size);
  for (const auto& h : header) out.append(h).append("\r\n");
  for (const auto& l : lines) out.append(l.text).append("\r\n");
  return out;
}

std::size_t RecordList::RecordCount() const {
  std::size_t n = 0;
  for (const auto& l : lines) n += l.record ? 1 : 0;
  return n;
}

RecordList ParseRecordList(std::string_view bytes) {
  RecordList list;
  std::vector<std::string> all = SplitLines(bytes);
  const std::size_t header = std::min(all.size(), static_cast<std::size_t>(kHeaderLines));
  list.header.assign(std::make_move_iterator(all.begin()),
                     std::make_move_iterator(all.begin() + static_cast<std::ptrdiff_t>(header)));
  list.lines.reserve(all.size() - header);
  for (std::size_t i = header; i < all.size(); ++i) {
    RecordLine r;
    r.text = std::move(all[i]);
    ParseRecord(r);
    list.lines.push_back(std::move(r));
  }
  return list;
}

std::string RenamedLine(const RecordLine& line, const std::string& name) {
  // The numbers as written follow the name's closing quote.
  const std::string old = Quoted(line.name);
  if (line.text.compare(0, old.size(), old) == 0) return Quoted(name) + line.text.substr(old.size());
  return WriteLineText({name, line.B_deg, line.CMD_deg, line.L_deg});
}

double CircularMeanDeg(const std::vector<double>& angles_deg) {
  double s = 0, c = 0, plain = 0;
  for (double a : angles_deg) {
    s += std::sin(a * kPi / 180);
    c += std::cos(a * kPi / 180);
    plain += a;
  }
  if (angles_deg.empty()) return 0;
  const double n = static_cast<double>(angles_deg.size());
  if (std::hypot(s, c) < 1e-9 * n) return Reduce360(plain / n);
  const double mean = Reduce360(std::atan2(s, c) * 180 / kPi);
  // A mean a rounding short of a whole turn is 0.
  return mean > 360 - 1e-9 ? 0 : mean;
}

std::vector<RecordObject> Objects(const RecordList& list) {
  std::vector<RecordObject> objects;
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < list.lines.size(); ++i) {
    const RecordLine& r = list.lines[i];
    if (!r.record) continue;
    auto [it, added] = byName.try_emplace(r.name, objects.size());
    if (added) {
      objects.emplace_back();
      objects.back().name = r.name;
    }
    RecordObject& o = objects[it->second];
    o.lines.push_back(i);
    if (o.area_msh < 0 && r.area_msh >= 0) o.area_msh = r.area_msh;
    if (o.spotClass.empty()) o.spotClass = r.spotClass;
  }
  for (RecordObject& o : objects) {
    double b = 0, cmd = 0;
    std::vector<double> l;
    l.reserve(o.lines.size());
    for (std::size_t i : o.lines) {
      b += list.lines[i].B_deg;
      cmd += list.lines[i].CMD_deg;
      l.push_back(list.lines[i].L_deg);
    }
    const double n = static_cast<double>(o.lines.size());
    o.meanB_deg = b / n;
    o.meanCMD_deg = cmd / n;
    o.meanL_deg = CircularMeanDeg(l);
  }
  return objects;
}

int RecordAt(const RecordList& list, double x_px, double y_px, double radius_px) {
  int best = -1;
  double bestD = radius_px * radius_px;
  for (std::size_t i = 0; i < list.lines.size(); ++i) {
    const RecordLine& r = list.lines[i];
    if (!r.record || !r.hasPixel) continue;
    const double d = (r.x_px - x_px) * (r.x_px - x_px) + (r.y_px - y_px) * (r.y_px - y_px);
    if (d <= bestD) {
      bestD = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

std::vector<PointError> PointErrorsOf(const RecordList& list) {
  std::vector<PointError> points;
  for (const RecordLine& r : list.lines)
    if (r.record && std::isfinite(r.point_sx_px) && std::isfinite(r.point_sy_px) && !std::isfinite(r.B_err))
      points.push_back({r.B_deg, r.L_deg, r.point_sx_px, r.point_sy_px});
  return points;
}

std::size_t ApplyPointErrors(RecordList& list, const std::vector<PointError>& points) {
  // Half the last of the data file's five decimals.
  constexpr double kSamePlace_deg = 0.5e-5;
  std::size_t given = 0;
  for (RecordLine& r : list.lines) {
    if (!r.record) continue;
    for (const PointError& p : points) {
      if (std::fabs(p.B_deg - r.B_deg) > kSamePlace_deg || std::fabs(p.L_deg - r.L_deg) > kSamePlace_deg) continue;
      r.point_sx_px = p.sx_px;
      r.point_sy_px = p.sy_px;
      ++given;
      break;
    }
  }
  return given;
}

}  // namespace pelorin
