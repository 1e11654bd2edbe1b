// The catalogue read from a file and from its text in memory: the same index
// and the same blocks, whatever the line ends, byte-order mark or blank lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestApp.h"
#include "formats/Catalogue.h"
#include "base/Angles.h"

namespace pelorin {
namespace {

using test::TempFolder;
using test::WriteAll;

// DPD layout lines with L at 60..65 and B at 67..72.
std::string Mark(char kind, const std::string& name, const char* L, const char* B) {
  std::string line(72, ' ');
  line[0] = kind;
  line.replace(22, name.size(), name);
  line.replace(59, 6, L);
  line.replace(66, 6, B);
  return line;
}

void ExpectSameIndex(const CatalogueIndex& a, const CatalogueIndex& b) {
  EXPECT_EQ(a.result, b.result);
  EXPECT_EQ(a.greenwich, b.greenwich);
  EXPECT_EQ(a.blockLine, b.blockLine);
  EXPECT_EQ(a.blockOffset, b.blockOffset);
  EXPECT_EQ(a.first, b.first);
  EXPECT_EQ(a.lines, b.lines);
}

TEST(Catalogue, FileAndTextReadAlike) {
  const std::string d1 = "d 2003 05 16 08 00 00 DEBR";
  const std::string d2 = "d 2003 05 18 09 30 00 KANZ";
  const std::string g = Mark('g', "12345", "100.00", "-10.00");
  const std::string sp = Mark('s', "", "101.00", "-11.00");
  const std::string gw1 = "20030516.3333 g1              " + std::string(27, ' ') + "100.0 -10.0";
  const std::string gw2 = "20030518.5000 g2              " + std::string(27, ' ') + "120.0  15.0";
  const struct {
    const char* name;
    std::string text;
    CatalogueIndex::Result result;
    std::size_t blocks;
  } cases[] = {
      {"LF", d1 + "\n" + g + "\n" + sp + "\n" + d2 + "\n" + g + "\n", CatalogueIndex::Result::ok, 2},
      {"CR LF, no last line end", d1 + "\r\n" + g + "\r\n" + d2 + "\r\n" + sp, CatalogueIndex::Result::ok, 2},
      {"byte-order mark", "\xEF\xBB\xBF" + d1 + "\n" + g + "\n", CatalogueIndex::Result::ok, 1},
      {"GREENWICH with blank lines", "\n" + gw1 + "\n\n" + gw1 + "\n  \n" + gw2 + "\n", CatalogueIndex::Result::ok, 2},
      {"empty", "", CatalogueIndex::Result::empty, 0},
      {"blank lines only", "\n \n\t\n", CatalogueIndex::Result::noBlock, 0},
  };
  TempFolder folder;
  double J0 = 0;
  JulianDay(2003, 5, 17, 7.75, J0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll("DPD1.txt", c.text);
    const CatalogueIndex file = IndexCatalogueFile("DPD1.txt", J0);
    const CatalogueIndex text = IndexCatalogueText(c.text, J0);
    ExpectSameIndex(file, text);
    ASSERT_EQ(text.result, c.result);
    ASSERT_EQ(text.blockLine.size(), c.blocks);
    if (c.blocks == 0) continue;
    EXPECT_EQ(text.blockOffset.back(), static_cast<std::int64_t>(c.text.size()));
    for (std::size_t k = 0; k < c.blocks; ++k) {
      CatalogueBlock fromFile, fromText;
      ASSERT_EQ(ReadCatalogueBlockFile("DPD1.txt", static_cast<std::int64_t>(c.text.size()), text.blockOffset[k],
                                       text.blockOffset[k + 1], text.greenwich, fromFile),
                BlockRead::ok);
      ASSERT_TRUE(ReadCatalogueBlockText(c.text, text.blockOffset[k], text.blockOffset[k + 1], text.greenwich,
                                         fromText));
      EXPECT_EQ(fromFile.julianDay, fromText.julianDay);
      EXPECT_EQ(fromFile.source, fromText.source);
      ASSERT_EQ(fromFile.groups.size(), fromText.groups.size());
      ASSERT_EQ(fromFile.spots.size(), fromText.spots.size());
      for (std::size_t i = 0; i < fromText.groups.size(); ++i) {
        EXPECT_EQ(fromFile.groups[i].name, fromText.groups[i].name);
        EXPECT_EQ(fromFile.groups[i].L, fromText.groups[i].L);
        EXPECT_EQ(fromFile.groups[i].B, fromText.groups[i].B);
      }
    }
  }
}

TEST(Catalogue, BlockReadTellsAChangedFile) {
  const std::string text = "d 2003 05 16 08 00 00 DEBR\n" + Mark('g', "1", "100.00", "-10.00") + "\n";
  TempFolder folder;
  WriteAll("DPD1.txt", text);
  CatalogueBlock block;
  const auto length = static_cast<std::int64_t>(text.size());
  EXPECT_EQ(ReadCatalogueBlockFile("DPD1.txt", length, 0, length, false, block), BlockRead::ok);
  EXPECT_EQ(ReadCatalogueBlockFile("DPD1.txt", length + 1, 0, length, false, block), BlockRead::changed);
  // An offset that is not a block's first line.
  EXPECT_EQ(ReadCatalogueBlockFile("DPD1.txt", length, 27, length, false, block), BlockRead::changed);
  EXPECT_FALSE(ReadCatalogueBlockText(text, 27, length, false, block));
  EXPECT_EQ(ReadCatalogueBlockFile("missing.txt", length, 0, length, false, block), BlockRead::unopened);
}

}  // namespace
}  // namespace pelorin
