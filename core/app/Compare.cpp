#include "app/Compare.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>

#include "app/Dispatcher.h"
#include "base/Text.h"
#include "formats/Catalogue.h"
#include "base/Angles.h"
#include "app/Geometry.h"
#include "app/SpotReview.h"
#include "formats/Srs.h"

namespace pelorin {

namespace {

constexpr const char* kCatalogueFile = "DPD1.txt";

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
  const CatalogueIndex index = IndexCatalogueFile(kCatalogueFile, J0);
  using Result = CatalogueIndex::Result;
  if (index.lines > 0) s.GreenwichFormat = index.greenwich ? kTrue : kFalse;
  switch (index.result) {
    case Result::ok: break;
    case Result::unopened: Report(app, "cannot be opened."); return false;
    case Result::empty: Report(app, "is empty."); return false;
    case Result::noBlock: Report(app, "holds no date block."); return false;
    case Result::tooManyBlocks:
      Report(app, "holds more than " + std::to_string(kMaxBlocks) + " date blocks; split it into smaller files.");
      return false;
    case Result::unreadable:
      Report(app, index.lines == 0 ? std::string("cannot be read.")
                                   : "cannot be read to its end (line " + NumberText(index.lines + 1) + ").");
      return false;
  }
  const std::size_t count = index.blockLine.size();
  for (std::size_t k = 1; k <= count; ++k) {
    s.CatalogueBlockLine[k] = index.blockLine[k - 1];
    s.CatalogueBlockOffset[k] = index.blockOffset[k - 1];
  }
  s.CatalogueBlockOffset[count + 1] = index.blockOffset[count];
  s.CatalogueBlockCount = static_cast<std::int16_t>(count);
  s.CatalogueBlock = static_cast<float>(index.first);
  return true;
}

// The picture position of heliographic L, B as 16-bit integers; false when it
// falls outside their range (the mark is then left out).
bool PlaceMark(const ProgramState& s, double L, double B, std::int16_t& x, std::int16_t& y) {
  double X = 0, Y = 0;
  HeliographicToPicture(s, L, B, -s.OrientationAngle, X, Y);
  // ToInt16's range, tested first: a catalogue seen on a huge disc leaves
  // most of its marks out, and a throw for each costs more than the rest.
  const auto fits = [](double v) {
    const double r = std::nearbyint(v);
    return std::isfinite(v) && r >= -32768.0 && r <= 32767.0;
  };
  if (!fits(X) || !fits(Y)) return false;
  x = ToInt16(X);
  y = ToInt16(Y);
  return true;
}

// The title: source, the block's date and time, and DT = J1 - J0 as whole
// days (rounded down), hours and minutes. The minutes are rounded and carried,
// so 59.7 minutes reads as the next hour, not as "60".
std::string CompareTitle(const std::string& source, const CatalogueBlock& t, double DT) {
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

// Reads block CatalogueBlock from its byte offset to the next block's and
// places its marks. `changed` when the file no longer matches the index.
ReadResult ReadBlock(App& app, double J0) {
  ProgramState& s = app.s;
  const auto k = static_cast<std::size_t>(s.CatalogueBlock);
  CatalogueBlock block;
  switch (ReadCatalogueBlockFile(kCatalogueFile,
                                 s.CatalogueBlockOffset[static_cast<std::size_t>(s.CatalogueBlockCount) + 1],
                                 s.CatalogueBlockOffset[k], s.CatalogueBlockOffset[k + 1], s.GreenwichFormat != 0,
                                 block)) {
    case BlockRead::ok: break;
    case BlockRead::changed: return ReadResult::changed;
    case BlockRead::unopened: Report(app, "cannot be opened."); return ReadResult::failed;
    case BlockRead::unreadable:
      Report(app, "cannot be read (block " + std::to_string(k) + ", from line " +
                      NumberText(s.CatalogueBlockLine[k]) + ").");
      return ReadResult::failed;
  }
  int groups = 0, spots = 0;
  for (const CatalogueMark& g : block.groups) {
    if (groups == kMaxRefMarks) break;
    std::int16_t x = 0, y = 0;
    if (!PlaceMark(s, g.L, g.B, x, y)) continue;
    ++groups;
    const auto i = static_cast<std::size_t>(groups);
    s.RefGroupX[i] = x;
    s.RefGroupY[i] = y;
    if (groups <= kMaxGroupNames) s.RefGroupName[i] = g.name;
  }
  for (const CatalogueMark& m : block.spots) {
    if (spots == kMaxRefMarks) break;
    std::int16_t x = 0, y = 0;
    if (!PlaceMark(s, m.L, m.B, x, y)) continue;
    ++spots;
    s.RefSpotX[static_cast<std::size_t>(spots)] = x;
    s.RefSpotY[static_cast<std::size_t>(spots)] = y;
  }
  s.RefGroupCount = static_cast<std::int16_t>(groups);
  s.RefSpotCount = static_cast<std::int16_t>(spots);
  app.win.SetTitle(CompareTitle(block.source, block, block.julianDay - J0));
  return ReadResult::ok;
}

// Without DPD1.txt in the current folder, the day's Solar Region Summary
// there (SrsNamesOfDay): its regions carried to the picture's time
// (SrsGroupsAt) placed as group marks named by their NOAA numbers, no spot
// marks, and the title "SRS <file> Compare date: <the picture's time>".
// False when DPD1.txt is there or no summary of the day is.
bool CompareSummary(App& app) {
  ProgramState& s = app.s;
  std::error_code ec;
  if (std::filesystem::exists(kCatalogueFile, ec)) return false;
  const int year = static_cast<int>(s.DateYear), month = static_cast<int>(s.DateMonth),
            day = static_cast<int>(s.DateDay);
  for (const std::string& name : SrsNamesOfDay(year, month, day)) {
    if (!std::filesystem::is_regular_file(name, ec)) continue;
    int groups = 0;
    for (const ReferenceGroup& r : SrsGroupsAt(name, year, month, day, s.TimeUT)) {
      std::int16_t x = 0, y = 0;
      if (groups == kMaxRefMarks || !PlaceMark(s, r.L, r.B, x, y)) continue;
      const auto i = static_cast<std::size_t>(++groups);
      s.RefGroupX[i] = x;
      s.RefGroupY[i] = y;
      if (groups <= kMaxGroupNames) s.RefGroupName[i] = r.name;
    }
    s.RefGroupCount = static_cast<std::int16_t>(groups);
    CatalogueBlock at;
    at.year = year;
    at.month = month;
    at.day = day;
    at.hours = s.TimeUT;
    app.win.SetTitle(CompareTitle("SRS " + name, at, 0));
    return true;
  }
  return false;
}

}  // namespace

bool CompareCatalogue(App& app) {
  ProgramState& s = app.s;
  s.GroupNameIndex = 1;
  s.RefGroupName[1].clear();
  s.RefGroupCount = 0;
  s.RefSpotCount = 0;
  try {
    if (CompareSummary(app)) return true;
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
