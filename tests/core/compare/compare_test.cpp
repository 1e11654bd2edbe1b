// The reference catalogue comparison: layouts of DPD1.txt, the search for the
// picture's block, stepping with o and p, the title, and files that cannot be
// used.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestApp.h"
#include "app/Dispatcher.h"
#include "base/Text.h"
#include "app/Compare.h"
#include "app/Geometry.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;
using test::WriteAll;

// A line of blanks with each text put at its 1-based position.
struct Field {
  std::size_t pos;
  std::string text;
};
std::string Fields(std::initializer_list<Field> fields) {
  std::string line;
  for (const Field& f : fields) {
    if (line.size() < f.pos - 1 + f.text.size()) line.resize(f.pos - 1 + f.text.size(), ' ');
    line.replace(f.pos - 1, f.text.size(), f.text);
  }
  return line;
}

// DPD layout: "d" line with date, time and source; "g" and "s" lines with
// L at 60..65 and B at 67..72.
std::string DLine(const char* y, const char* mo, const char* d, const char* h, const char* mi, const char* sec,
                  const char* source = "DEBR") {
  return Fields({{1, "d"}, {3, y}, {8, mo}, {11, d}, {14, h}, {17, mi}, {20, sec}, {23, source}});
}
std::string GLine(const std::string& name, double L, double B) {
  return Fields({{1, "g"}, {23, name}, {60, FixedText(L, 3, 1)}, {67, FixedText(B, 3, 1)}});
}
std::string SLine(double L, double B) {
  return Fields({{1, "s"}, {60, FixedText(L, 3, 1)}, {67, FixedText(B, 3, 1)}});
}
// GREENWICH layout: date 1..8, day fraction 9..12, name 13..24, L 58..62,
// B 64..68.
std::string WLine(const char* date, const char* fraction, const std::string& name, double L, double B) {
  return Fields({{1, date}, {9, fraction}, {13, name}, {58, FixedText(L, 3, 1)}, {64, FixedText(B, 2, 1)}});
}

std::string Join(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
  std::string text;
  for (const std::string& l : lines) text += l + eol;
  return text;
}

// A calibrated 400 x 400 picture of 17 May 2003 07:45 UT, disc of radius 150
// about (200, 200), orientation 0. L0 = 100 and B0 = 0 so that L = 100, B = 0
// is the disc centre.
struct CompareApp : TestApp {
  CompareApp() {
    pic.Fill(400, 400, RGB(255, 255, 255));
    ProgramState& s = app.s;
    s.DataFileName = "pic.dat";
    s.DateYear = 2003;
    s.DateMonth = 5;
    s.DateDay = 17;
    s.TimeUT = 7.75;
    s.P = 0;
    s.B0 = 0;
    s.L0 = 100;
    s.rho0 = 1.0;
    s.DateKnown = 1;
    s.ZeroPointX = 200;
    s.ZeroPointY = 200;
    s.LimbRadius = 150;
    s.OrientationAngle = 0;
    s.CalibrationState = 3;
  }
  void Key(char c) {
    std::int16_t k = static_cast<std::int16_t>(c);
    DoCommand(app, k);
  }
  void Expect(double L, double B, std::int16_t x, std::int16_t y, const char* what) {
    double X = 0, Y = 0;
    HeliographicToPixel(app.s, L, B, -app.s.OrientationAngle, X, Y);
    EXPECT_EQ(x, ToInt16(X)) << what;
    EXPECT_EQ(y, ToInt16(Y)) << what;
  }
};

// Source: the description's example (17 May 2003 07:45 UT against 09:15:00),
// the rest worked by hand from the stated formats.
TEST(CompareTitle, DateTimeAndDistance) {
  struct Case {
    const char* name;
    std::string firstLine;
    double year, month, day, ut;
    const char* title;
  };
  const std::vector<Case> cases = {
      {"example", DLine("2003", "05", "17", "09", "15", "00"), 2003, 5, 17, 7.75,
       "DEBR Compare date: 2003-05-17-09:15UT  DT = 00days & 01h30min"},
      {"days", DLine("2003", "05", "19", "10", "01", "00", "KANZ"), 2003, 5, 17, 7.75,
       "KANZ Compare date: 2003-05-19-10:01UT  DT = 02days & 02h16min"},
      // 09:59:45 rounds to the next hour rather than reading "09:60".
      {"carry", DLine("2003", "05", "17", "09", "59", "45"), 2003, 5, 17, 9.0,
       "DEBR Compare date: 2003-05-17-10:00UT  DT = 00days & 01h00min"},
      // A block earlier than the picture: whole days rounded down (-1 day
      // and 12 hours is -0.5 days).
      {"earlier", DLine("2003", "05", "17", "00", "00", "00"), 2003, 5, 17, 12.0,
       "DEBR Compare date: 2003-05-17-00:00UT  DT = -01days & 12h00min"},
      // .354 of a day is 8.496 h, 08:29.76 shown rounded.
      {"greenwich", WLine("20030517", ".354", "  12345", 100, 0), 2003, 5, 17, 8.0,
       "GREENWICH Compare date: 2003-05-17-08:30UT  DT = 00days & 00h30min"},
  };
  for (const Case& c : cases) {
    CompareApp t;
    WriteAll("DPD1.txt", c.firstLine + "\r\n");
    t.app.s.DateYear = c.year;
    t.app.s.DateMonth = c.month;
    t.app.s.DateDay = c.day;
    t.app.s.TimeUT = c.ut;
    ASSERT_TRUE(CompareCatalogue(t.app)) << c.name;
    EXPECT_EQ(c.title, t.win.title) << c.name;
    EXPECT_TRUE(t.win.messages.empty()) << c.name;
  }
}

// Source: the description's edge cases (blocks of 1, 2 and 3 May).
TEST(CompareSearch, FirstBlockNotEarlierThanThePicture) {
  struct Case {
    double day, ut;
    float block;
  };
  const std::vector<Case> cases = {
      {2, 12.0, 3},  // between two blocks: the later one
      {2, 0.0, 2},   // exactly at a block
      {1, 0.0, 1},
      {0.5, 0.0, 1},  // before every block (30 April 12:00)
      {3, 0.5, 3},   // after every block: the last
      {9, 0.0, 3},
  };
  for (const char* eol : {"\r\n", "\n"}) {
    for (const Case& c : cases) {
      CompareApp t;
      WriteAll("DPD1.txt", Join({DLine("2003", "05", "01", "00", "00", "00"), GLine("   101", 100, 0),
                                 DLine("2003", "05", "02", "00", "00", "00"), GLine("   102", 100, 0),
                                 DLine("2003", "05", "03", "00", "00", "00"), GLine("   103", 100, 0)},
                                eol));
      t.app.s.DateMonth = 5;
      t.app.s.DateDay = c.day;
      t.app.s.TimeUT = c.ut;
      ASSERT_TRUE(CompareCatalogue(t.app));
      EXPECT_EQ(c.block, t.app.s.CatalogueBlock) << c.day << " " << c.ut;
      EXPECT_EQ(3, t.app.s.CatalogueBlockCount);
      EXPECT_EQ(0, t.app.s.GreenwichFormat);
      ASSERT_EQ(1, t.app.s.RefGroupCount);
      EXPECT_EQ("   10" + std::to_string(static_cast<int>(c.block)), t.app.s.RefGroupName[1]);
    }
  }
}

// Source: the layout tables (line numbers and byte offsets of the blocks).
TEST(CompareIndex, LinesAndOffsetsOfBlocksForBothLineEnds) {
  for (const std::string eol : {"\r\n", "\n"}) {
    CompareApp t;
    const std::vector<std::string> lines = {
        DLine("2003", "05", "17", "09", "15", "00"), GLine("  9123", 100, 0), SLine(100, 0),
        "x comment line", DLine("2003", "05", "18", "09", "15", "00"), GLine("  9124", 100, 0)};
    WriteAll("DPD1.txt", Join(lines, eol));
    ASSERT_TRUE(CompareCatalogue(t.app));
    ASSERT_EQ(2, t.app.s.CatalogueBlockCount);
    EXPECT_EQ(1, t.app.s.CatalogueBlockLine[1]);
    EXPECT_EQ(5, t.app.s.CatalogueBlockLine[2]);
    const auto off2 = static_cast<std::int64_t>(lines[0].size() + lines[1].size() + lines[2].size() +
                                                lines[3].size() + 4 * eol.size());
    EXPECT_EQ(0, t.app.s.CatalogueBlockOffset[1]);
    EXPECT_EQ(off2, t.app.s.CatalogueBlockOffset[2]);
    EXPECT_EQ(static_cast<std::int64_t>(ReadAll("DPD1.txt").size()), t.app.s.CatalogueBlockOffset[3]);
    // Block 1 (09:15, after the picture's 07:45): one group and one spot at
    // the disc centre; the comment line is skipped.
    EXPECT_EQ(1, t.app.s.CatalogueBlock);
    ASSERT_EQ(1, t.app.s.RefGroupCount);
    ASSERT_EQ(1, t.app.s.RefSpotCount);
    EXPECT_EQ("  9123", t.app.s.RefGroupName[1]);
    // Source: the disc centre maps to the zero point.
    EXPECT_EQ(200, t.app.s.RefGroupX[1]);
    EXPECT_EQ(200, t.app.s.RefGroupY[1]);
    EXPECT_EQ(200, t.app.s.RefSpotX[1]);
    EXPECT_EQ(200, t.app.s.RefSpotY[1]);
  }
}

// Source: the key table (o and p stop at the ends).
TEST(CompareKeys, OAndPStepAndStopAtTheEnds) {
  CompareApp t;
  WriteAll("DPD1.txt", Join({DLine("2003", "05", "16", "12", "00", "00"), GLine("     A", 90, 10),
                             DLine("2003", "05", "17", "09", "15", "00"), GLine("     B", 100, 0),
                             GLine("     C", 110, -10), SLine(105, 5),
                             DLine("2003", "05", "18", "06", "00", "00")}));
  Compare_Click(t.app);
  ASSERT_EQ(1, t.app.s.CompareOn);
  EXPECT_EQ(2, t.app.s.CatalogueBlock);
  EXPECT_EQ(2, t.app.s.RefGroupCount);
  EXPECT_EQ(1, t.app.s.RefSpotCount);
  t.Expect(110, -10, t.app.s.RefGroupX[2], t.app.s.RefGroupY[2], "group C");
  t.Expect(105, 5, t.app.s.RefSpotX[1], t.app.s.RefSpotY[1], "spot");

  struct Step {
    char key;
    float block;
    std::int16_t groups, spots;
    const char* title;
  };
  const std::vector<Step> steps = {
      {'p', 3, 0, 0, "DEBR Compare date: 2003-05-18-06:00UT  DT = 00days & 22h15min"},
      {'p', 3, 0, 0, "DEBR Compare date: 2003-05-18-06:00UT  DT = 00days & 22h15min"},
      {'O', 2, 2, 1, "DEBR Compare date: 2003-05-17-09:15UT  DT = 00days & 01h30min"},
      {'o', 1, 1, 0, "DEBR Compare date: 2003-05-16-12:00UT  DT = -01days & 04h15min"},
      {'o', 1, 1, 0, "DEBR Compare date: 2003-05-16-12:00UT  DT = -01days & 04h15min"},
      {'P', 2, 2, 1, "DEBR Compare date: 2003-05-17-09:15UT  DT = 00days & 01h30min"},
  };
  for (const Step& st : steps) {
    t.Key(st.key);
    EXPECT_EQ(st.block, t.app.s.CatalogueBlock) << st.key;
    EXPECT_EQ(st.groups, t.app.s.RefGroupCount) << st.key;
    EXPECT_EQ(st.spots, t.app.s.RefSpotCount) << st.key;
    EXPECT_EQ(st.title, t.win.title) << st.key;
    EXPECT_EQ(1, t.app.s.GroupNameIndex) << st.key;
  }
  EXPECT_TRUE(t.win.messages.empty());
  // Off and on again: the same block, without searching again.
  Compare_Click(t.app);
  EXPECT_EQ(0, t.app.s.CompareOn);
  EXPECT_EQ(0, t.app.s.RefGroupCount);
  EXPECT_EQ(0, t.app.s.RefSpotCount);
  EXPECT_EQ(3, t.app.s.CatalogueBlockCount);
  t.Key('p');
  Compare_Click(t.app);
  EXPECT_EQ(1, t.app.s.CompareOn);
  EXPECT_EQ(3, t.app.s.CatalogueBlock);
}

// The marks lie where the picture's own read-out finds the catalogue's L and
// B, on north-up pictures as on the others. Marks are whole pixels: 0.5
// degrees covers a pixel at this radius of 150 (regression only).
TEST(CompareMarks, LieAtTheirPositionOnEveryKindOfPicture) {
  const struct {
    const char* name;
    std::int16_t imageType, northUp;
  } cases[] = {{"not north-up", 0, 0}, {"north-up scan", 0, 1}, {"SOHO", 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CompareApp t;
    t.app.s.ImageType = c.imageType;
    t.app.s.NorthUpImage = c.northUp;
    WriteAll("DPD1.txt", Join({DLine("2003", "05", "17", "09", "15", "00"), GLine("     C", 130, -10),
                               SLine(75, 20)}));
    Compare_Click(t.app);
    ASSERT_EQ(1, t.app.s.CompareOn);
    ASSERT_EQ(1, t.app.s.RefGroupCount);
    ASSERT_EQ(1, t.app.s.RefSpotCount);
    const struct {
      std::int16_t x, y;
      double L, B;
    } marks[] = {{t.app.s.RefGroupX[1], t.app.s.RefGroupY[1], 130, -10},
                 {t.app.s.RefSpotX[1], t.app.s.RefSpotY[1], 75, 20}};
    for (const auto& m : marks) {
      double B = 0, CMD = 0, L = 0;
      PixelToHeliographic(t.app.s, m.x, m.y, t.app.s.OrientationAngle, B, CMD, L);
      EXPECT_NEAR(L, m.L, 0.5) << "mark of L " << m.L;
      EXPECT_NEAR(B, m.B, 0.5) << "mark of L " << m.L;
    }
  }
}

// Stepping reads only the block shown: a first block spoiled after indexing
// (same length) does not disturb stepping through the others.
TEST(CompareKeys, SteppingReadsOnlyTheBlockShown) {
  CompareApp t;
  std::string text;
  for (int d = 10; d <= 20; ++d)
    text += Join({DLine("2003", "05", std::to_string(d).c_str(), "12", "00", "00"), GLine("  " + std::to_string(d) + "00", 100, 0)});
  WriteAll("DPD1.txt", text);
  Compare_Click(t.app);
  ASSERT_EQ(11, t.app.s.CatalogueBlockCount);
  EXPECT_EQ(8, t.app.s.CatalogueBlock);  // 17 May 12:00
  std::string spoiled = text;
  spoiled[0] = 'x';
  WriteAll("DPD1.txt", spoiled);
  t.Key('p');
  EXPECT_EQ(9, t.app.s.CatalogueBlock);
  EXPECT_EQ("  1800", t.app.s.RefGroupName[1]);
  EXPECT_EQ(11, t.app.s.CatalogueBlockCount);  // not indexed again
  EXPECT_TRUE(t.win.messages.empty());
}

// A file that changed length since it was indexed is indexed again.
TEST(CompareKeys, ChangedFileIsIndexedAgain) {
  CompareApp t;
  WriteAll("DPD1.txt", Join({DLine("2003", "05", "16", "12", "00", "00")}));
  Compare_Click(t.app);
  ASSERT_EQ(1, t.app.s.CatalogueBlockCount);
  WriteAll("DPD1.txt", Join({DLine("2003", "05", "16", "12", "00", "00"), DLine("2003", "05", "17", "12", "00", "00"),
                             GLine("  0001", 100, 0)}));
  t.Key('p');
  EXPECT_EQ(2, t.app.s.CatalogueBlockCount);
  EXPECT_EQ(2, t.app.s.CatalogueBlock);
  EXPECT_EQ(1, t.app.s.RefGroupCount);
}

// Source: the description's edge case (a first line beginning "d").
TEST(CompareLayout, FirstLetterDFixesTheDpdLayout) {
  CompareApp t;
  WriteAll("DPD1.txt", Join({DLine("2003", "05", "17", "09", "15", "00"), GLine("     G", 100, 0),
                             WLine("20030518", ".500", "  1", 100, 0), WLine("20030519", ".500", "  2", 100, 0)}));
  ASSERT_TRUE(CompareCatalogue(t.app));
  EXPECT_EQ(0, t.app.s.GreenwichFormat);
  EXPECT_EQ(1, t.app.s.CatalogueBlockCount);
  EXPECT_EQ(1, t.app.s.RefGroupCount);
  EXPECT_EQ(0, t.app.s.RefSpotCount);
}

// Source: the GREENWICH table; names from positions 13 to 24 on every line.
TEST(CompareLayout, GreenwichBlocksAndGroupNames) {
  CompareApp t;
  WriteAll("DPD1.txt", Join({WLine("20030516", ".500", "   17001  A1", 90, 10),
                             WLine("20030517", ".354", "   17002  B2", 100, 0),
                             WLine("20030517", ".354", "   17003  C3", 110, -10), "",
                             WLine("20030517", ".354", "   17004", 120, 20),
                             WLine("20030518", ".500", "   17005", 100, 0)},
                            "\n"));
  ASSERT_TRUE(CompareCatalogue(t.app));
  EXPECT_EQ(kTrue, t.app.s.GreenwichFormat);
  EXPECT_EQ(3, t.app.s.CatalogueBlockCount);
  EXPECT_EQ(2, t.app.s.CatalogueBlock);
  EXPECT_EQ(2, t.app.s.CatalogueBlockLine[2]);
  EXPECT_EQ(6, t.app.s.CatalogueBlockLine[3]);
  ASSERT_EQ(3, t.app.s.RefGroupCount);
  EXPECT_EQ(0, t.app.s.RefSpotCount);
  EXPECT_EQ("   17002  B2", t.app.s.RefGroupName[1]);
  EXPECT_EQ("   17003  C3", t.app.s.RefGroupName[2]);
  EXPECT_EQ("   17004    ", t.app.s.RefGroupName[3]);
  EXPECT_EQ(200, t.app.s.RefGroupX[1]);
  EXPECT_EQ(200, t.app.s.RefGroupY[1]);
  t.Expect(120, 20, t.app.s.RefGroupX[3], t.app.s.RefGroupY[3], "group 17004");
  EXPECT_EQ("GREENWICH Compare date: 2003-05-17-08:30UT  DT = 00days & 00h45min", t.win.title);
}

// Source: the limits (100 names, 1000 marks); regression for the counts.
TEST(CompareLimits, GroupsBeyondTheHundredthAreCountedNotNamed) {
  CompareApp t;
  std::vector<std::string> lines = {DLine("2003", "05", "17", "09", "15", "00")};
  for (int i = 1; i <= 150; ++i) lines.push_back(GLine(PaddedWhole(i, 6), 100, 0));
  for (int i = 1; i <= 1005; ++i) lines.push_back(SLine(100, 0));
  WriteAll("DPD1.txt", Join(lines));
  Compare_Click(t.app);
  ASSERT_EQ(1, t.app.s.CompareOn);
  EXPECT_EQ(150, t.app.s.RefGroupCount);
  EXPECT_EQ(1000, t.app.s.RefSpotCount);
  EXPECT_EQ("000100", t.app.s.RefGroupName[100]);
  EXPECT_EQ(200, t.app.s.RefGroupX[150]);
  t.Key('j');  // all names shown: only the 100 named groups are printed
  EXPECT_EQ(100u, t.pic.Texts().size());
  EXPECT_EQ("000001", t.pic.Texts().front().text);
  EXPECT_EQ("000100", t.pic.Texts().back().text);
}

// Malformed lines read as their leading numbers; a mark outside the 16-bit
// range is left out. Regression only.
TEST(CompareLimits, MalformedLinesAndFarPositions) {
  CompareApp t;
  t.app.s.LimbRadius = 1e6;
  WriteAll("DPD1.txt", Join({"d 2003 05 17 9.5", "g", "s short", GLine("  9999", 100, 0),
                             Fields({{1, "g"}, {23, "  FAR "}, {60, "190.0"}, {67, "abc"}}), "",
                             Fields({{1, "s"}, {60, "--"}, {67, "--"}})}));
  ASSERT_TRUE(CompareCatalogue(t.app));
  // "g" and "s short" give L = 0, B = 0, 100 degrees from the centre: on a
  // disc of a million pixels that is outside the 16-bit range.
  EXPECT_EQ(1, t.app.s.RefGroupCount);
  EXPECT_EQ("  9999", t.app.s.RefGroupName[1]);
  EXPECT_EQ(200, t.app.s.RefGroupX[1]);
  EXPECT_EQ(0, t.app.s.RefSpotCount);
  EXPECT_EQ(" Compare date: 2003-05-17-09:00UT  DT = 00days & 01h15min", t.win.title);
  EXPECT_TRUE(t.win.messages.empty());
}

// Source: the failure handling of the comparison; it stays off.
TEST(CompareFailures, UnusableFilesLeaveTheComparisonOff) {
  struct Case {
    const char* name;
    bool write;
    std::string content;
    const char* says;
  };
  std::string many;
  for (int i = 0; i <= kMaxBlocks; ++i) many += "d 2003 05 17 09 15 00 DEBR\n";
  const std::vector<Case> cases = {
      {"missing", false, "", "cannot be opened"},
      {"empty", true, "", "is empty"},
      {"blank greenwich", true, "\r\n   \r\n", "holds no date block"},
      {"too many blocks", true, many, "more than 10000"},
  };
  for (const Case& c : cases) {
    CompareApp t;
    if (c.write) WriteAll("DPD1.txt", c.content);
    t.app.s.RefGroupCount = 3;  // left over from an earlier picture
    Compare_Click(t.app);
    EXPECT_EQ(0, t.app.s.CompareOn) << c.name;
    EXPECT_EQ(0, t.app.s.RefGroupCount) << c.name;
    EXPECT_EQ(0, t.app.s.RefSpotCount) << c.name;
    EXPECT_EQ(0, t.app.s.CatalogueBlockCount) << c.name;
    ASSERT_EQ(1u, t.win.messages.size()) << c.name;
    EXPECT_NE(std::string::npos, t.win.messages[0].find("DPD1.txt")) << c.name;
    EXPECT_NE(std::string::npos, t.win.messages[0].find(c.says)) << c.name << ": " << t.win.messages[0];
    // A later key does not turn it on by itself.
    t.Key('p');
    EXPECT_EQ(0, t.app.s.CompareOn) << c.name;
  }
}

// Exactly 10000 blocks are accepted, and the last can be reached and left.
TEST(CompareLimits, TenThousandBlocks) {
  CompareApp t;
  std::string text;
  for (int i = 1; i <= kMaxBlocks; ++i)
    text += DLine("2003", "05", "17", "09", "15", "00") + "\r\n" + GLine(PaddedWhole(i, 6), 100, 0) + "\r\n";
  WriteAll("DPD1.txt", text);
  Compare_Click(t.app);
  ASSERT_EQ(1, t.app.s.CompareOn);
  EXPECT_EQ(kMaxBlocks, t.app.s.CatalogueBlockCount);
  EXPECT_EQ(1, t.app.s.CatalogueBlock);  // all at the same time: the first
  t.app.s.CatalogueBlock = kMaxBlocks;
  t.Key('p');
  EXPECT_EQ(kMaxBlocks, t.app.s.CatalogueBlock);
  EXPECT_EQ("010000", t.app.s.RefGroupName[1]);
  t.Key('o');
  EXPECT_EQ("009999", t.app.s.RefGroupName[1]);
  EXPECT_EQ(2 * kMaxBlocks - 1, t.app.s.CatalogueBlockLine[kMaxBlocks]);
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// Without DPD1.txt the day's Solar Region Summary is compared: its regions
// carried from 00:00 UT to the picture's 07:45, named by NOAA number; with
// DPD1.txt beside it, the catalogue as ever.
TEST(CompareSummary, RegionsOfTheDayWhenNoCatalogue) {
  const std::string summary =
      ":Issued: 2003 May 17 0030 UTC\n"
      "I.  Regions with Sunspots.  Locations Valid at 16/2400Z\n"
      "Nmbr Location  Lo  Area  Z   LL   NN Mag Type\n"
      "0365 S10E10   090  0160 Cso  06   02 Beta\n"
      "0366 N00W20   120  0010 Axx  01   01 Alpha\n"
      "IA. H-alpha Plages without Spots.\nNmbr  Location  Lo\nNone\n"
      "II. Regions Due to Return\nNmbr Lat    Lo\nNone\n";
  for (const char* name : {"20030517SRS.txt", "0517SRS.TXT"}) {
    CompareApp t;
    t.app.s.LimbRadius = 3000;  // the rotation since 00:00 UT (0.07 deg) moves a mark by pixels
    WriteAll(name, summary);
    Compare_Click(t.app);
    ASSERT_EQ(1, t.app.s.CompareOn) << name;
    EXPECT_TRUE(t.win.messages.empty()) << name;
    ASSERT_EQ(2, t.app.s.RefGroupCount);
    EXPECT_EQ(0, t.app.s.RefSpotCount);
    EXPECT_EQ("10365", t.app.s.RefGroupName[1]);
    EXPECT_EQ("10366", t.app.s.RefGroupName[2]);
    const double days = 7.75 / 24;
    t.Expect(90 + days * (14.47 - 2.66 * std::pow(std::sin(10 * 3.14159265358979 / 180), 2) - 14.1844), -10,
             t.app.s.RefGroupX[1], t.app.s.RefGroupY[1], "10365");
    t.Expect(120 + days * (14.47 - 14.1844), 0, t.app.s.RefGroupX[2], t.app.s.RefGroupY[2], "10366");
    EXPECT_EQ(std::string("SRS ") + name + " Compare date: 2003-05-17-07:45UT  DT = 00days & 00h00min", t.win.title);
  }
  CompareApp t;
  WriteAll("20030517SRS.txt", summary);
  WriteAll("DPD1.txt", Join({DLine("2003", "05", "17", "09", "15", "00"), GLine("     B", 100, 0)}));
  Compare_Click(t.app);
  EXPECT_EQ(1, t.app.s.RefGroupCount);
  EXPECT_EQ("B", t.app.s.RefGroupName[1].substr(t.app.s.RefGroupName[1].find_first_not_of(' ')));
}

}  // namespace
}  // namespace pelorin
