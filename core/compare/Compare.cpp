#include "compare/Compare.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "app/Dispatcher.h"
#include "app/Text.h"
#include "geometry/Angles.h"
#include "geometry/Transform.h"

namespace pelorin {

namespace {

constexpr const char* kCatalogueFile = "DPD1.txt";

// Reads DPD1.txt line by line from a byte offset and keeps the byte offset of
// the next line, so that a block can be found again without reading what
// comes before it. A line ends at LF; a CR before the LF is dropped.
class LineReader {
 public:
  explicit LineReader(const std::string& path) : in_(path, std::ios::binary) {}
  bool IsOpen() const { return static_cast<bool>(in_); }

  bool Seek(std::int64_t offset) {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    pos_ = offset;
    return static_cast<bool>(in_);
  }

  // Byte offset of the line the next Next() returns.
  std::int64_t Position() const { return pos_; }

  bool Next(std::string& line) {
    if (!std::getline(in_, line)) return false;
    const bool atStart = pos_ == 0;
    pos_ += static_cast<std::int64_t>(line.size());
    if (!in_.eof()) pos_ += 1;  // the LF
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A UTF-8 byte-order mark written by some editors is not part of the text.
    if (atStart && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    return true;
  }

  // A read that stopped for another reason than the end of the file.
  bool Failed() const { return in_.bad(); }

 private:
  std::ifstream in_;
  std::int64_t pos_ = 0;
};

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// Date and time of a block's first line, and its Julian day.
struct BlockTime {
  double year = 0, month = 0, day = 0, hours = 0;
  double julianDay = 0;
};

BlockTime ReadBlockTime(const std::string& line, bool greenwich) {
  BlockTime t;
  if (greenwich) {
    t.year = LeadingNumber(Mid(line, 1, 4));
    t.month = LeadingNumber(Mid(line, 5, 2));
    t.day = LeadingNumber(Mid(line, 7, 2));
    t.hours = LeadingNumber(Mid(line, 9, 4)) * 24;
  } else {
    t.year = LeadingNumber(Mid(line, 3, 4));
    t.month = LeadingNumber(Mid(line, 8, 2));
    t.day = LeadingNumber(Mid(line, 11, 2));
    t.hours = LeadingNumber(Mid(line, 14, 2)) + LeadingNumber(Mid(line, 17, 2)) / 60 +
              LeadingNumber(Mid(line, 20, 2)) / 3600;
  }
  JulianDay(t.year, t.month, t.day, t.hours, t.julianDay);
  return t;
}

// Whether `line` starts a new block, given the previous non-blank line.
bool StartsBlock(const std::string& line, const std::string& previous, bool first, bool greenwich) {
  if (greenwich) return !IsBlank(line) && (first || Left(line, 8) != Left(previous, 8));
  return !line.empty() && line[0] == 'd';
}

// The catalogue's full name for messages (it is read from the current folder).
std::string CataloguePath() {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(kCatalogueFile, ec);
  return ec ? std::string(kCatalogueFile) : p.string();
}

void Report(App& app, const std::string& what) {
  app.win.MessageBox("Compare: the reference catalogue " + CataloguePath() + " " + what);
}

// Indexes the catalogue: the layout, the first line and byte offset of every
// block, the file's length after the last block, and the first block not
// earlier than the picture (J0), or the last block. False after a report.
bool IndexCatalogue(App& app, double J0) {
  ProgramState& s = app.s;
  s.CatalogueBlockCount = 0;
  s.CatalogueBlock = 0;
  LineReader in(kCatalogueFile);
  if (!in.IsOpen()) {
    Report(app, "cannot be opened.");
    return false;
  }
  std::string line, previous;
  if (!in.Next(line)) {
    Report(app, in.Failed() ? "cannot be read." : "is empty.");
    return false;
  }
  const bool greenwich = line.empty() || line[0] != 'd';
  s.GreenwichFormat = greenwich ? kTrue : kFalse;

  int count = 0;
  int found = 0;
  double lineNumber = 0;
  bool first = true;
  std::int64_t start = 0;
  do {
    lineNumber += 1;
    if (StartsBlock(line, previous, first, greenwich)) {
      if (count == kMaxBlocks) {
        Report(app, "holds more than " + std::to_string(kMaxBlocks) + " date blocks; split it into smaller files.");
        return false;
      }
      ++count;
      s.CatalogueBlockLine[static_cast<std::size_t>(count)] = lineNumber;
      s.CatalogueBlockOffset[static_cast<std::size_t>(count)] = start;
      if (found == 0 && ReadBlockTime(line, greenwich).julianDay >= J0) found = count;
    }
    if (!greenwich || !IsBlank(line)) {
      previous = line;
      first = false;
    }
    start = in.Position();
  } while (in.Next(line));
  if (in.Failed()) {
    Report(app, "cannot be read to its end (line " + NumberText(lineNumber + 1) + ").");
    return false;
  }
  if (count == 0) {
    Report(app, "holds no date block.");
    return false;
  }
  s.CatalogueBlockOffset[static_cast<std::size_t>(count) + 1] = in.Position();
  s.CatalogueBlockCount = static_cast<std::int16_t>(count);
  s.CatalogueBlock = static_cast<float>(found == 0 ? count : found);
  return true;
}

// The picture position of heliographic L, B as 16-bit integers; false when it
// falls outside their range (the mark is then left out).
bool PlaceMark(const ProgramState& s, double L, double B, std::int16_t& x, std::int16_t& y) {
  double X = 0, Y = 0;
  HeliographicToPicture(s, L, B, -s.OrientationAngle, X, Y);
  try {
    const std::int16_t ix = ToInt16(X), iy = ToInt16(Y);
    x = ix;
    y = iy;
    return true;
  } catch (const std::overflow_error&) {
    return false;
  }
}

// The title: source, the block's date and time, and DT = J1 - J0 as whole
// days (rounded down), hours and minutes. The minutes are rounded and carried,
// so 59.7 minutes reads as the next hour, not as "60".
std::string CompareTitle(const std::string& source, const BlockTime& t, double DT) {
  const double clockMinutes = std::round(t.hours * 60);
  const double wholeHours = std::trunc(clockMinutes / 60);
  const double minutes = clockMinutes - wholeHours * 60;

  const double dtMinutes = std::floor(DT * 1440 + 0.5);
  const double days = std::floor(dtMinutes / 1440);
  const double rest = dtMinutes - days * 1440;
  const double dtHours = std::floor(rest / 60);
  const double dtMin = rest - dtHours * 60;

  return source + " Compare date: " + NumberText(t.year) + "-" + PaddedWhole(t.month, 2) + "-" +
         PaddedWhole(t.day, 2) + "-" + PaddedWhole(wholeHours, 2) + ":" + PaddedWhole(minutes, 2) + "UT" +
         "  DT = " + PaddedWhole(days, 2) + "days & " + PaddedWhole(dtHours, 2) + "h" + PaddedWhole(dtMin, 2) +
         "min";
}

enum class ReadResult { ok, changed, failed };

// Reads block CatalogueBlock from its byte offset to the next block's.
// `changed` when the file no longer matches the index.
ReadResult ReadBlock(App& app, double J0) {
  ProgramState& s = app.s;
  const bool greenwich = s.GreenwichFormat != 0;
  const auto k = static_cast<std::size_t>(s.CatalogueBlock);
  const std::int64_t end = s.CatalogueBlockOffset[k + 1];
  LineReader in(kCatalogueFile);
  if (!in.IsOpen()) {
    Report(app, "cannot be opened.");
    return ReadResult::failed;
  }
  if (FileLength(kCatalogueFile) != s.CatalogueBlockOffset[static_cast<std::size_t>(s.CatalogueBlockCount) + 1])
    return ReadResult::changed;
  std::string line;
  if (!in.Seek(s.CatalogueBlockOffset[k]) || !in.Next(line) ||
      !StartsBlock(line, std::string(), true, greenwich))
    return ReadResult::changed;

  const BlockTime t = ReadBlockTime(line, greenwich);
  const std::string source = greenwich ? std::string("GREENWICH") : Mid(line, 23, 4);
  int groups = 0, spots = 0;
  const auto addGroup = [&](const std::string& name, double L, double B) {
    if (groups == kMaxRefMarks) return;
    std::int16_t x = 0, y = 0;
    if (!PlaceMark(s, L, B, x, y)) return;
    ++groups;
    const auto i = static_cast<std::size_t>(groups);
    s.RefGroupX[i] = x;
    s.RefGroupY[i] = y;
    if (groups <= kMaxGroupNames) s.RefGroupName[i] = name;
  };
  const auto addSpot = [&](double L, double B) {
    if (spots == kMaxRefMarks) return;
    std::int16_t x = 0, y = 0;
    if (!PlaceMark(s, L, B, x, y)) return;
    ++spots;
    s.RefSpotX[static_cast<std::size_t>(spots)] = x;
    s.RefSpotY[static_cast<std::size_t>(spots)] = y;
  };
  // The group name of the GREENWICH layout is read from positions 13 to 24
  // on every line of a block, the block's first line included.
  const auto greenwichGroup = [&](const std::string& l) {
    addGroup(Mid(l, 13, 12), LeadingNumber(Mid(l, 58, 5)), LeadingNumber(Mid(l, 64, 5)));
  };
  if (greenwich) greenwichGroup(line);
  while (in.Position() < end && in.Next(line)) {
    if (greenwich) {
      if (!IsBlank(line)) greenwichGroup(line);
    } else if (!line.empty() && line[0] == 'g') {
      addGroup(Mid(line, 23, 6), LeadingNumber(Mid(line, 60, 6)), LeadingNumber(Mid(line, 67, 6)));
    } else if (!line.empty() && line[0] == 's') {
      addSpot(LeadingNumber(Mid(line, 60, 6)), LeadingNumber(Mid(line, 67, 6)));
    }
  }
  if (in.Failed()) {
    Report(app, "cannot be read (block " + std::to_string(k) + ", from line " +
                    NumberText(s.CatalogueBlockLine[k]) + ").");
    return ReadResult::failed;
  }
  s.RefGroupCount = static_cast<std::int16_t>(groups);
  s.RefSpotCount = static_cast<std::int16_t>(spots);
  app.win.SetTitle(CompareTitle(source, t, t.julianDay - J0));
  return ReadResult::ok;
}

}  // namespace

bool CompareCatalogue(App& app) {
  ProgramState& s = app.s;
  s.GroupNameIndex = 1;
  s.RefGroupName[1].clear();
  s.RefGroupCount = 0;
  s.RefSpotCount = 0;
  try {
    double J0 = 0;
    JulianDay(s.DateYear, s.DateMonth, s.DateDay, s.TimeUT, J0);
    // Index at most twice: once when nothing is indexed, and once more when
    // the file has changed since it was indexed.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (s.CatalogueBlockCount <= 0 && !IndexCatalogue(app, J0)) return false;
      if (s.CatalogueBlock < 1) s.CatalogueBlock = 1;
      if (s.CatalogueBlock > s.CatalogueBlockCount) s.CatalogueBlock = s.CatalogueBlockCount;
      s.CatalogueBlock = std::floor(s.CatalogueBlock);
      switch (ReadBlock(app, J0)) {
        case ReadResult::ok: return true;
        case ReadResult::failed:
          s.RefGroupCount = 0;
          s.RefSpotCount = 0;
          return false;
        case ReadResult::changed:
          s.CatalogueBlockCount = 0;
          s.CatalogueBlock = 0;
          break;
      }
    }
    Report(app, "changes while it is being read.");
  } catch (const std::exception& e) {
    Report(app, std::string("could not be compared: ") + e.what());
  } catch (...) {
    Report(app, "could not be compared.");
  }
  s.RefGroupCount = 0;
  s.RefSpotCount = 0;
  return false;
}

void Compare_Click(App& app) {
  ProgramState& s = app.s;
  if (s.CompareOn != 1) {
    s.CompareOn = 1;
    if (!CompareCatalogue(app)) {
      s.CompareOn = 0;
      s.RefSpotCount = 0;
      s.RefGroupCount = 0;
    }
  } else {
    s.CompareOn = 0;
    s.RefSpotCount = 0;
    s.RefGroupCount = 0;
    s.CompareDayOffset = 0;
  }
  Redraw(app);
}

}  // namespace pelorin
