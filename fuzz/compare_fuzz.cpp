// The reference catalogue DPD1.txt read in memory: its index of date blocks
// and every block. The index's blocks follow each other and end where the
// text ends, every block read from its offset starts a block, and the blocks
// together hold every group and spot line of the text, each once.
// run-fuzz: -max_len=32768
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "app/State.h"
#include "formats/Catalogue.h"
#include "base/Angles.h"

using namespace pelorin;

namespace {

// The group and spot lines of a catalogue, counted on their own: lines end
// at LF, a CR before it is dropped, so is a byte-order mark at the start.
struct Counts {
  std::size_t groups = 0, spots = 0;
};

Counts CountMarks(std::string_view text, bool greenwich) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Counts n;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (greenwich) {
      if (line.find_first_not_of(" \t") != std::string_view::npos) ++n.groups;
    } else if (!line.empty() && line[0] == 'g') {
      ++n.groups;
    } else if (!line.empty() && line[0] == 's') {
      ++n.spots;
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = fuzz::Text(data, size);
  // The picture: 17 May 2003 07:45 UT.
  static const double J0 = [] {
    double j = 0;
    JulianDay(2003, 5, 17, 7.75, j);
    return j;
  }();
  const CatalogueIndex index = IndexCatalogueText(text, J0);
  using Result = CatalogueIndex::Result;
  fuzz::Check(index.result != Result::unopened && index.result != Result::unreadable, "text that cannot be read");
  fuzz::Check((index.result == Result::empty) == text.empty(), "an empty text not called empty, or the reverse");
  if (index.result != Result::ok) return 0;

  const std::size_t count = index.blockLine.size();
  fuzz::Check(count >= 1 && count <= static_cast<std::size_t>(kMaxBlocks), "block count");
  fuzz::Check(index.blockOffset.size() == count + 1, "offsets do not match the blocks");
  fuzz::Check(index.blockOffset[0] == 0 || index.blockLine[0] > 1, "the first block's offset");
  fuzz::Check(index.blockOffset[count] == static_cast<std::int64_t>(text.size()), "the index ends before the text");
  fuzz::Check(index.first >= 1 && index.first <= static_cast<int>(count), "the block shown first");
  Counts found;
  for (std::size_t k = 0; k < count; ++k) {
    if (k > 0 && (index.blockLine[k] <= index.blockLine[k - 1] || index.blockOffset[k] <= index.blockOffset[k - 1]))
      fuzz::Fail("block " + std::to_string(k + 1) + " does not follow the one before");
    CatalogueBlock block;
    if (!ReadCatalogueBlockText(text, index.blockOffset[k], index.blockOffset[k + 1], index.greenwich, block))
      fuzz::Fail("block " + std::to_string(k + 1) + " does not start a block");
    const bool early = !(block.julianDay >= J0);
    if (static_cast<int>(k) + 1 < index.first && !early) fuzz::Fail("a later block before the one shown first");
    if (static_cast<int>(k) + 1 == index.first && early && index.first != static_cast<int>(count))
      fuzz::Fail("the block shown first is earlier than the picture");
    found.groups += block.groups.size();
    found.spots += block.spots.size();
  }
  const Counts lines = CountMarks(text, index.greenwich);
  fuzz::Check(found.groups == lines.groups && found.spots == lines.spots,
              "the blocks hold " + std::to_string(found.groups) + " groups and " + std::to_string(found.spots) +
                  " spots, the text " + std::to_string(lines.groups) + " and " + std::to_string(lines.spots));
  return 0;
}
