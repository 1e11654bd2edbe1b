// The measurement data file's text read into values.
#include "formats/DataFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>

#include "base/Text.h"
#include "base/TextFile.h"
#include "formats/PictureNames.h"
#include "base/Angles.h"
#include "base/Numbers.h"

namespace pelorin {

namespace {

namespace fs = std::filesystem;


bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Splits a write line into its items at the commas outside double quotes;
// the quotes of a quoted item and the blanks around an item are removed.
std::vector<std::string> WriteItems(std::string_view line) {
  std::vector<std::string> items;
  std::string cur;
  bool inQuotes = false;
  auto finish = [&items, &cur]() {
    std::string_view v = cur;
    const auto first = v.find_first_not_of(" \t");
    const auto last = v.find_last_not_of(" \t");
    v = first == std::string_view::npos ? std::string_view{} : v.substr(first, last - first + 1);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    items.emplace_back(v);
    cur.clear();
  };
  for (char c : line) {
    if (c == '"') inQuotes = !inQuotes;
    if (c == ',' && !inQuotes) finish();
    else cur += c;
  }
  finish();
  return items;
}

// The comma-separated fields of a record line (no quoting: numbers only).
std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> f;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      f.push_back(text.substr(start));
      return f;
    }
    f.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

// Splits a v2 record into its name and the text after the name's comma. The
// quoted name ends at the first quote that is followed (blanks aside) by a
// comma, so a name may hold commas. False when there is no such comma.
bool SplitName(std::string_view line, std::string& name, std::string_view& rest) {
  const auto start = line.find_first_not_of(" \t");
  if (start != std::string_view::npos && line[start] == '"') {
    for (std::size_t q = line.find('"', start + 1); q != std::string_view::npos; q = line.find('"', q + 1)) {
      const std::size_t next = line.find_first_not_of(" \t", q + 1);
      if (next != std::string_view::npos && line[next] == ',') {
        name = std::string(line.substr(start + 1, q - start - 1));
        rest = line.substr(next + 1);
        return true;
      }
    }
    return false;
  }
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return false;
  std::string_view n = line.substr(0, comma);
  const auto last = n.find_last_not_of(" \t");
  name = last == std::string_view::npos ? std::string() : std::string(n.substr(start, last - start + 1));
  rest = line.substr(comma + 1);
  return true;
}

// A record's name is written back in double quotes, and on reading the name
// ends at the first double quote followed (blanks aside) by a comma. An old
// "Obj" name holding such a quote would be cut there and its numbers shifted,
// so each such quote becomes a single quote. True when the name changed.
bool QuotesBeforeCommas(std::string& name) {
  bool changed = false;
  for (std::size_t q = name.find('"'); q != std::string::npos; q = name.find('"', q + 1)) {
    const std::size_t next = name.find_first_not_of(" \t", q + 1);
    if (next != std::string::npos && name[next] == ',') {
      name[q] = '\'';
      changed = true;
    }
  }
  return changed;
}

// CMD of an unversioned record from its B and Y (degrees), as the old files
// were converted; the middle term squares pi/180 on purpose. Into radians
// with the program's kPi, back into degrees with 180 / kPiExact
// (57.29577951308232), as the conversion has always done.
double ConvertVersion0Cmd(double B, double Y) {
  return ArcSin(std::sin(Y * kPi / 180) * std::cos(B * std::pow(kPi / 180, 2)) / std::cos(B * kPi / 180)) *
         (180 / kPiExact);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string LineTag(int line) { return "line " + std::to_string(line) + ": "; }

std::string RecordNameRefusal(const std::string& name) {
  if (name.find_first_of("\",") == std::string::npos) return {};
  return "The object name " + name +
         " holds a double quote or a comma, which would break its records in the data file. Enter another name.";
}

DataFileContents ParseDataFile(const std::vector<std::string>& lines) {
  DataFileContents c;
  const int count = static_cast<int>(lines.size());
  auto line = [&lines](int n) -> const std::string& { return lines[static_cast<std::size_t>(n - 1)]; };

  // Header: lines 1 to 13.
  auto headerFault = [&c](int n, const std::string& what) {
    c.problems.push_back(LineTag(n) + what);
    return c;
  };
  if (count < kHeaderLines) {
    return headerFault(count + 1, "the header ends here; a data file has " + std::to_string(kHeaderLines) +
                                      " header lines");
  }
  c.versionLine = line(3);
  if (c.versionLine.empty()) c.version = 0;
  else if (c.versionLine == "v1.0") c.version = 1;
  else if (c.versionLine == "v2.0") c.version = 2;
  else c.version = -1;
  c.pictureLine = line(4);

  // Numbers of a header write line after its label (`skip` items).
  auto numbers = [&](int n, std::size_t skip, std::initializer_list<double*> out) {
    const auto items = WriteItems(line(n));
    if (items.size() < skip + out.size()) return false;
    std::size_t i = skip;
    for (double* d : out) *d = LeadingNumber(items[i++]);
    return true;
  };
  if (!numbers(5, 1, {&c.day, &c.month, &c.year})) return headerFault(5, "expected the date: label, day, month, year");
  if (!numbers(6, 1, {&c.timeUT})) return headerFault(6, "expected the time: label, hours");
  if (!numbers(7, 1, {&c.P})) return headerFault(7, "expected P: label, value");
  if (!numbers(8, 1, {&c.B0})) return headerFault(8, "expected B0: label, value");
  if (!numbers(9, 1, {&c.L0})) return headerFault(9, "expected L0: label, value");
  if (!numbers(10, 1, {&c.rho0})) return headerFault(10, "expected rho0: label, value");
  c.typeWord = line(11);
  if (!numbers(12, 0, {&c.x0, &c.y0, &c.rk})) return headerFault(12, "expected the disc: x, y, radius");
  if (!numbers(13, 0, {&c.orientation})) return headerFault(13, "expected the orientation angle");
  c.headerComplete = true;

  // Records: line 14 on.
  if (c.version < 0) {
    for (int n = kHeaderLines + 1; n <= count; ++n) {
      if (!IsBlank(line(n))) {
        c.problems.push_back(LineTag(n) + "records not read: unknown format version \"" + c.versionLine +
                             "\" on line 3");
        break;
      }
    }
    return c;
  }
  std::string objectName;
  for (int n = kHeaderLines + 1; n <= count; ++n) {
    const std::string& text = line(n);
    if (IsBlank(text)) continue;
    DataRecord r;
    r.line = n;
    if (c.version == 2) {
      std::string_view rest;
      std::vector<std::string_view> f;
      if (SplitName(text, r.name, rest)) f = Fields(rest);
      if (f.size() < 3) {
        c.problems.push_back(LineTag(n) + "skipped: a record needs \"name\",B,CMD,L");
        continue;
      }
      r.B = LeadingNumber(f[0]);
      r.CMD = LeadingNumber(f[1]);
      r.L = LeadingNumber(f[2]);
    } else {
      if (StartsWith(text, "Obj")) {
        objectName = text.size() > 14 ? text.substr(14) : std::string();
        if (QuotesBeforeCommas(objectName)) {
          c.problems.push_back(LineTag(n) + "the object name holds a double quote before a comma; it is read as \"" +
                               objectName + "\"");
        }
        continue;
      }
      r.name = objectName;
      const auto f = Fields(text);
      if (c.version == 1) {
        if (f.size() < 3) {
          c.problems.push_back(LineTag(n) + "skipped: a record needs B,CMD,L");
          continue;
        }
        r.B = LeadingNumber(f[0]);
        r.CMD = LeadingNumber(f[1]);
        r.L = LeadingNumber(f[2]);
        if (r.CMD > 180) r.CMD -= 360;
      } else {
        if (f.size() < 2) {
          c.problems.push_back(LineTag(n) + "skipped: a record needs B,Y");
          continue;
        }
        r.B = LeadingNumber(f[0]);
        r.CMD = ConvertVersion0Cmd(r.B, LeadingNumber(f[1]));
        // B or Y beyond some 5e307 overflows the conversion; such a record
        // would be kept as "NaN" and read back as 0.
        if (!std::isfinite(r.CMD)) {
          c.problems.push_back(LineTag(n) + "skipped: B,Y too large to convert");
          continue;
        }
        r.L = Reduce360(c.L0 + r.CMD);
      }
    }
    r.B = RoundHalfEven(r.B, 5);
    r.CMD = RoundHalfEven(r.CMD, 5);
    r.L = RoundHalfEven(r.L, 5);
    c.records.push_back(std::move(r));
  }
  return c;
}

void ApplyTypeWord(const std::string& typeWord, const std::string& pictureName, std::int16_t& imageType,
                   std::int16_t& northUpImage, float& dateKnown) {
  const KanzelhoeheName kind = KanzelhoeheKind(pictureName);
  const bool drawing = kind == KanzelhoeheName::Drawing;
  const bool northUpKanz = kind == KanzelhoeheName::NorthUp;
  if (typeWord == "SOHO") {
    imageType = 1;
    northUpImage = 1;
  } else if (typeWord == "scan") {
    imageType = 0;
    northUpImage = northUpKanz ? 1 : 0;
    if (drawing || northUpKanz) dateKnown = 1.0f;
  } else if (typeWord == "photo") {
    imageType = 3;
    northUpImage = drawing ? 0 : 1;
    dateKnown = 1.0f;
  } else {
    imageType = 2;
    northUpImage = 0;
  }
}

std::vector<std::string> DataFileStartLines(const std::string& pictureName) {
  return {"Note: Data format: \"name\", B, CMD, L", "B, CMD and L are expresed in degrees.", "v2.0",
          "Picture: " + pictureName};
}

std::vector<std::string> DataFileDateLines(double day, double month, double year, double timeUT, double P,
                                           double B0, double L0, double rho0) {
  return {WriteLineText({std::string("Date (day, month, year): "), day, month, year}),
          WriteLineText({std::string("Time (UT): "), timeUT}), WriteLineText({std::string("P="), P}),
          WriteLineText({std::string("B0="), B0}), WriteLineText({std::string("L0="), L0}),
          WriteLineText({std::string("rho0="), rho0})};
}

std::string DataFileDiscLine(double x0, double y0, double rk) { return WriteLineText({x0, y0, rk}); }

std::string DataFileOrientationLine(double orientation) { return WriteLineText({orientation}); }

std::string TypeWord(int imageType) {
  switch (imageType) {
    case 0: return "scan";
    case 1: return "SOHO";
    case 3: return "photo";
    default: return "";
  }
}

std::vector<std::string> DataFileHeaderLines(const DataFileContents& c, const std::string& pictureName) {
  std::vector<std::string> lines = DataFileStartLines(pictureName);
  for (std::string& l : DataFileDateLines(c.day, c.month, c.year, c.timeUT, c.P, c.B0, c.L0, c.rho0))
    lines.push_back(std::move(l));
  lines.push_back(c.typeWord);
  lines.push_back(DataFileDiscLine(c.x0, c.y0, c.rk));
  lines.push_back(DataFileOrientationLine(c.orientation));
  return lines;
}

}  // namespace pelorin
