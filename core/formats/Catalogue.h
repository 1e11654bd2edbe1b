// Reading the reference catalogue DPD1.txt: its index of date blocks, and the
// groups and spots of one block. Two layouts: the one whose lines start with
// a letter ("d" a block's date line, "g" a group, "s" a spot) and the
// GREENWICH one (a block is a run of lines with the same first 8 characters,
// each line a group). Lines end at LF; a CR before the LF is dropped, and so
// is a UTF-8 byte-order mark at the start of the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

inline constexpr int kMaxBlocks = 10000;  // date blocks a catalogue index holds

// Where the date blocks of a catalogue start.
struct CatalogueIndex {
  enum class Result {
    ok,
    unopened,     // the file cannot be opened
    unreadable,   // a read failed (`lines` tells after which line)
    empty,        // not a single line
    noBlock,      // lines, but none starts a block
    tooManyBlocks // more than kMaxBlocks blocks (`blockLine` is then cut there)
  };
  Result result = Result::ok;
  bool greenwich = true;                   // the layout: the first line does not begin with "d"
  std::vector<double> blockLine;           // 1-based first line of each block
  std::vector<std::int64_t> blockOffset;   // byte offset of each block's first line, then the length read
  int first = 0;                           // 1-based: the first block not earlier than the picture, else the last
  double lines = 0;                        // lines read
};

// A reference mark: heliographic longitude L and latitude B in degrees, as
// the catalogue gives them (fields that do not read as numbers give the
// leading-number value).
struct CatalogueMark {
  std::string name;  // groups only: GREENWICH positions 13-24, else 23-28
  double L = 0, B = 0;
};

// One date block: its date and time (UT, decimal hours), the Julian day of
// that moment, the source (GREENWICH, or positions 23-26 of the date line),
// and every group and spot in file order.
struct CatalogueBlock {
  double year = 0, month = 0, day = 0, hours = 0;
  double julianDay = 0;
  std::string source;
  std::vector<CatalogueMark> groups, spots;
};

// Indexes a catalogue's text; `pictureJulianDay` chooses `first`. Never
// fails other than with empty, noBlock or tooManyBlocks.
CatalogueIndex IndexCatalogueText(std::string_view text, double pictureJulianDay);
// The same for the file at `path`, read line by line.
CatalogueIndex IndexCatalogueFile(const std::string& path, double pictureJulianDay);

// Reads the block whose first line starts at byte `offset` of the
// catalogue's text, up to byte `end` (the next block's offset, or the
// length). False when no line at `offset` starts a block of this layout
// (the text is not the one indexed).
bool ReadCatalogueBlockText(std::string_view text, std::int64_t offset, std::int64_t end, bool greenwich,
                            CatalogueBlock& out);

// The same for the file at `path`, which must still be `length` bytes long.
enum class BlockRead { ok, unopened, changed, unreadable };
BlockRead ReadCatalogueBlockFile(const std::string& path, std::int64_t length, std::int64_t offset, std::int64_t end,
                                 bool greenwich, CatalogueBlock& out);

}  // namespace pelorin
