#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <sstream>

#include "base/Angles.h"
#include "formats/Srs.h"

namespace pelorin {
namespace {

// A summary as the current files are written, with every section filled.
const char* const kToday =
    ":Product: 0518SRS.txt\n"
    ":Issued: 2003 May 18 0030 UTC\n"
    "# Prepared jointly by two offices.\n"
    "#\n"
    "Plain text before the sections\n"
    "SRS Number 138 Issued at 0030Z on 18 May 2003\n"
    "Report compiled from data received on 17 May\n"
    "I.  Regions with Sunspots.  Locations Valid at 17/2400Z\n"
    "Nmbr Location  Lo  Area  Z   LL   NN Mag Type\n"
    "0365 S08E12   261  0280 Eki  10   17 Beta-Gamma\n"
    "0367 N19W56   205  0040 Cso  03   04 Beta\n"
    "IA. H-alpha Plages without Spots.  Locations Valid at 17/2400Z\n"
    "Nmbr  Location  Lo\n"
    "0366  N10W80    180\n"
    "II. Regions Due to Return 18 May to 20 May\n"
    "Nmbr Lat    Lo\n"
    "0351 S10    117\n"
    "COMMENT: what follows the sections is not read\n"
    "0352 S10    117\n";

// The same day as the old archives keep it: upper case, CR LF, a corrected
// copy, empty sections.
const char* const kArchive =
    ":PRODUCT: 0518SRS.TXT\r\n"
    ":ISSUED: 2003 MAY 18 0030 UTC\r\n"
    ":CORRECTED COPY\r\n"
    "I.  REGIONS WITH SUNSPOTS.  LOCATIONS VALID AT 17/2400Z\r\n"
    "NMBR LOCATION  LO  AREA  Z   LL   NN MAG TYPE\r\n"
    "0365 S08E12   261  0280 EKI  10   17 BETA-GAMMA\r\n"
    "IA. H-ALPHA PLAGES WITHOUT SPOTS.  LOCATIONS VALID AT 17/2400Z\r\n"
    "NMBR  LOCATION  LO\r\n"
    "NONE\r\n"
    "II. REGIONS DUE TO RETURN 18 MAY TO 20 MAY\r\n"
    "NMBR LAT    LO\r\n"
    "NONE\r\n";

TEST(Srs, EverySectionReadFieldByField) {
  for (const char* text : {kToday, kArchive}) {
    const SrsSummary s = ParseSrs(text, "0518SRS.txt");
    EXPECT_TRUE(s.problems.empty()) << s.problems.front();
    EXPECT_EQ(s.corrected, text == kArchive);
    EXPECT_EQ(s.year, 2003);
    EXPECT_EQ(s.month, 5);
    EXPECT_EQ(s.day, 18);
    EXPECT_DOUBLE_EQ(s.issuedHours, 0.5);
    double midnight = 0;
    JulianDay(2003, 5, 18, 0, midnight);
    EXPECT_NEAR(s.validJulianDay, midnight, 1e-9);  // 17/2400Z is 00:00 UT of the 18th
    ASSERT_GE(s.regions.size(), 1u);
    const SrsRegion& r = s.regions[0];
    EXPECT_EQ(r.number, 10365);  // after 2002-06-15: full NOAA numbers
    EXPECT_EQ(r.B, -8);
    EXPECT_EQ(r.CMD, -12);
    EXPECT_EQ(r.Lo, 261);
    EXPECT_EQ(r.area_msh, 280);
    EXPECT_EQ(r.LL, 10);
    EXPECT_EQ(r.spots, 17);
    EXPECT_EQ(r.line, text == kToday ? 10 : 6);
  }
  const SrsSummary s = ParseSrs(kToday, "0518SRS.txt");
  ASSERT_EQ(s.regions.size(), 2u);
  EXPECT_EQ(s.regions[1].B, 19);
  EXPECT_EQ(s.regions[1].CMD, 56);  // west positive
  EXPECT_EQ(s.regions[0].mcIntosh, "Eki");
  EXPECT_EQ(s.regions[0].magType, "Beta-Gamma");
  EXPECT_EQ(ParseSrs(kArchive, "x").regions[0].mcIntosh, "Eki");
  ASSERT_EQ(s.plages.size(), 1u);
  EXPECT_EQ(s.plages[0].number, 10366);
  EXPECT_EQ(s.plages[0].CMD, 80);
  ASSERT_EQ(s.returning.size(), 1u);
  EXPECT_EQ(s.returning[0].B, -10);
  EXPECT_EQ(s.returning[0].Lo, 117);
  EXPECT_TRUE(ParseSrs(kArchive, "x").plages.empty());
}

TEST(Srs, MalformedLinesNamedAndTheRestRead) {
  const std::string text =
      ":Issued: 2011 Mar 09 0030 UTC\n"
      "I.  Regions with Sunspots.  Locations Valid at 08/2400Z\n"
      "Nmbr Location  Lo  Area  Z   LL   NN Mag Type\n"
      "1165 X19W56   205  0040 Cso  03   04 Beta\n"     // 4: location
      "1166 N19W56   2x5  0040 Cso  03   04 Beta\n"     // 5: Lo
      "1167 N19W56   205\n"                             // 6: cut short
      "abcd N19W56   205  0040 Cso  03   04 Beta\n"     // 7: number
      "1168 N19W56   205  0040 Cso  03   -4 Beta\n"     // 8: NN
      "1169 S01E01   001  0010 Axx  01   01 Alpha\n"    // read
      "IA. H-alpha Plages without Spots.\n"
      "Nmbr  Location  Lo\n"
      "1170  N10       180\n"                           // 12: location
      "II. Regions Due to Return\n"
      "Nmbr Lat    Lo\n"
      "1150 Q10    117\n"                               // 15: latitude
      "1151 S10    117\n";
  const SrsSummary s = ParseSrs(text, "dir/20110309SRS.txt");
  const char* const expected[] = {
      "dir/20110309SRS.txt:4: section I: Location 'X19W56' is not like N19W56",
      "dir/20110309SRS.txt:5: section I: Lo '2x5' is not a longitude",
      "dir/20110309SRS.txt:6: section I: 3 fields, not the 7 or 8 of a region",
      "dir/20110309SRS.txt:7: section I: Nmbr 'abcd' is not a number",
      "dir/20110309SRS.txt:8: section I: NN '-4' is not a number",
      "dir/20110309SRS.txt:12: section IA: 'N10' is not a location",
      "dir/20110309SRS.txt:15: section II: 'Q10' is not a latitude",
  };
  ASSERT_EQ(s.problems.size(), std::size(expected));
  for (std::size_t i = 0; i < s.problems.size(); ++i) EXPECT_EQ(s.problems[i], expected[i]);
  ASSERT_EQ(s.regions.size(), 1u);
  EXPECT_EQ(s.regions[0].number, 11169);
  EXPECT_EQ(s.regions[0].line, 9);
  ASSERT_EQ(s.returning.size(), 1u);
  EXPECT_EQ(s.returning[0].number, 11151);
}

TEST(Srs, DateFromTheNameWhenNoIssuedLine) {
  const char* body = "I.  Regions with Sunspots.\nNmbr Location Lo Area Z LL NN\n9990 N05E05 100 0010 Axx 01 01\n";
  struct Case {
    const char* name;
    int year, number;
    bool dated;
  } cases[] = {
      {"20020615SRS.txt", 2002, 9990, true},  // the last day of four-digit numbers
      {"20020616SRS.TXT", 2002, 19990, true},
      {"0616SRS.txt", 0, 9990, false},        // no year: no date, numbers as written
      {"notes.txt", 0, 9990, false},
  };
  for (const Case& c : cases) {
    const SrsSummary s = ParseSrs(body, c.name);
    EXPECT_EQ(s.year, c.year) << c.name;
    ASSERT_EQ(s.regions.size(), 1u) << c.name;
    EXPECT_EQ(s.regions[0].number, c.number) << c.name;
    EXPECT_EQ(s.problems.empty(), c.dated) << c.name;
  }
}

TEST(Srs, NamesAndNumbers) {
  int y = -1, m = -1, d = -1;
  struct Case {
    const char* name;
    bool ok;
    int y, m, d;
  } names[] = {
      {"20030518SRS.txt", true, 2003, 5, 18}, {"a/b/0518srs.TXT", true, 0, 5, 18},
      {"20031318SRS.txt", false, 0, 0, 0},    {"0532SRS.txt", false, 0, 0, 0},
      {"2003051SRS.txt", false, 0, 0, 0},     {"20030518SRS.dat", false, 0, 0, 0},
  };
  for (const Case& c : names) {
    EXPECT_EQ(SrsDateOfName(c.name, y, m, d), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d) << c.name;
    }
  }
  EXPECT_EQ(SrsNamesOfDay(2003, 5, 8),
            (std::vector<std::string>{"20030508SRS.txt", "0508SRS.txt", "20030508SRS.TXT", "0508SRS.TXT"}));
  struct Number {
    const char* name;
    int y, m, d, number;
  } numbers[] = {
      {"AR11680", 2013, 3, 1, 11680}, {"11680", 2013, 3, 1, 11680}, {"1680", 2013, 3, 1, 11680},
      {"ar1680", 2013, 3, 1, 11680},  {"9393", 2001, 3, 29, 9393},  {"G3", 2013, 3, 1, 0},
      {"", 2013, 3, 1, 0},            {"AR", 2013, 3, 1, 0},        {"0", 2013, 3, 1, 0},
      {"163", 2013, 3, 1, 0},         {"123456", 2013, 3, 1, 0},    {"AR0365", 2003, 5, 18, 10365},
  };
  for (const Number& n : numbers) EXPECT_EQ(NoaaNumberOfName(n.name, n.y, n.m, n.d), n.number) << n.name;
}

std::vector<SrsRow> SomeRows() {
  return {{11680, -8.4, -12.6, 261.4, 284, "Eki", 10.4, 17},
          {3, 19.2, 56.4, 359.7, 36, "Hsx", 0, 1},
          {11681, -0.2, 0.4, 0.2, 4, "Axx", 0.6, 2}};
}

TEST(Srs, WrittenSummaryReadsBack) {
  const std::string text = WriteSrs("kanz_20130301_0812.jpg", 2013, 3, 1, 8.2, SomeRows());
  const SrsSummary s = ParseSrs(text, "pelorin.srs");
  EXPECT_TRUE(s.problems.empty()) << s.problems.front();
  EXPECT_EQ(s.year * 10000 + s.month * 100 + s.day, 20130301);
  double jd = 0;
  JulianDay(2013, 3, 1, 8.2, jd);
  EXPECT_NEAR(s.validJulianDay, jd, 1e-9);  // 08:12, the picture's minute
  ASSERT_EQ(s.regions.size(), 3u);
  struct Want {
    int number;
    double B, CMD, Lo, area, LL;
    int nn;
    const char* z;
  } want[] = {{11680, -8, -13, 261, 280, 10, 17, "Eki"},
              {10003, 19, 56, 0, 40, 0, 1, "Hsx"},  // a running number reads as NOAA's after 2002
              {11681, -0.0, 0, 0, 0, 1, 2, "Axx"}};
  for (std::size_t i = 0; i < 3; ++i) {
    const SrsRegion& r = s.regions[i];
    EXPECT_EQ(r.number, want[i].number);
    EXPECT_EQ(r.B, want[i].B) << i;
    EXPECT_EQ(r.CMD, want[i].CMD) << i;
    EXPECT_EQ(r.Lo, want[i].Lo) << i;
    EXPECT_EQ(r.area_msh, want[i].area) << i;
    EXPECT_EQ(r.LL, want[i].LL) << i;
    EXPECT_EQ(r.spots, want[i].nn) << i;
    EXPECT_EQ(r.mcIntosh, want[i].z) << i;
    EXPECT_EQ(r.magType, kSrsNoMagType) << i;
  }
  EXPECT_EQ(text.find("SWPC"), std::string::npos);
  EXPECT_NE(text.find("kanz_20130301_0812.jpg"), std::string::npos);
  EXPECT_TRUE(ParseSrs(WriteSrs("p", 2013, 3, 1, 0, {}), "p").regions.empty());
}

// The column rules of SunPy's read_srs, restated: every ':' line splits into
// exactly a key and a value at its colons, ":Issued:" reads as
// "%Y %b %d %H%M UTC"; each section line starts "I.", "IA." or "II." and is
// followed by its column names; a section is "None" or rows of exactly as
// many whitespace-separated fields as names ("Mag Type" one name), Nmbr,
// Lo, Area, LL and NN whole numbers, Location two latitude digits then E or
// W at its fourth character.
TEST(Srs, WrittenSummaryKeepsTheColumnRulesOfSunPy) {
  for (const auto& rows : {SomeRows(), std::vector<SrsRow>{}}) {
    std::istringstream in(WriteSrs("a b:c.jpg", 2013, 3, 1, 23.999, rows));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::vector<std::size_t> sections;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& l = lines[i];
      if (l[0] == ':') {
        EXPECT_EQ(std::count(l.begin(), l.end(), ':'), 2) << l;
      }
      if (l.rfind(":Issued:", 0) == 0) {
        EXPECT_TRUE(std::regex_match(l, std::regex(":Issued: \\d{4} [A-Z][a-z]{2} \\d{2} \\d{4} UTC"))) << l;
      }
      if (std::regex_search(l, std::regex("^(I\\.|IA\\.|II\\.)"))) sections.push_back(i);
    }
    ASSERT_EQ(sections.size(), 3u);
    const std::regex columns[] = {std::regex("^\\d+$"), std::regex("^[NS]\\d{2}[EW]\\d+$"), std::regex("^\\d+$"),
                                  std::regex("^\\d+$"), std::regex("^[A-Z][a-z]{2}$"), std::regex("^\\d+$"),
                                  std::regex("^\\d+$"), std::regex("^\\S+$")};
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t end = k + 1 < 3 ? sections[k + 1] : lines.size();
      std::string names = std::regex_replace(lines[sections[k] + 1], std::regex("Mag\\s*Type"), "Magtype");
      std::istringstream ns(names);
      std::vector<std::string> cols;
      for (std::string c; ns >> c;) cols.push_back(c);
      EXPECT_EQ(cols.size(), k == 0 ? 8u : 3u);
      for (std::size_t i = sections[k] + 2; i < end; ++i) {
        if (lines[i] == "None") continue;
        std::istringstream fs(lines[i]);
        std::vector<std::string> f;
        for (std::string c; fs >> c;) f.push_back(c);
        ASSERT_EQ(f.size(), cols.size()) << lines[i];
        for (std::size_t c = 0; c < f.size(); ++c) EXPECT_TRUE(std::regex_match(f[c], columns[c])) << f[c];
      }
    }
  }
}

}  // namespace
}  // namespace pelorin
