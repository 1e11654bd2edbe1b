// Reading a season: positions of named groups and unnamed records, the
// versions the program reads, files that cannot be read; and the tracks'
// names and hand edits.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "DataFiles.h"
#include "TestApp.h"
#include "base/Angles.h"
#include "series/Rotation.h"
#include "series/SeriesRead.h"
#include "series/SeriesText.h"
#include "series/GroupNames.h"
#include "series/Tracks.h"

namespace pelorin {
namespace {

// Writes a file, its folders made first.
void Write(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  test::WriteAll(path, bytes);
}

bool Holds(const std::vector<std::string>& problems, const std::string& what) {
  for (const std::string& p : problems)
    if (p.find(what) != std::string::npos) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& problems) {
  std::string s;
  for (const std::string& p : problems) s += p + "\n";
  return s;
}

TEST(SeriesRead, GroupPositionsOfEachVersion) {
  test::TempFolder folder;
  // v2: G1 twice across L = 0 (circular means), one unnamed record, G2.
  Write(folder.File("a/v2.dat"),
        test::DataFile("v2.0", "scan", "-21.4512",
                       {"\"G1\",10,-1,359", "\"\",-5,20,133", "\"G1\",12,1,1", "\"G2\",-20,30,143"}));
  // v1 (Obj lines) and unversioned (B,Y converted with L0 = 113.0527).
  Write(folder.File("a/b/v1.DAT"), test::DataFile("v1.0", "scan", "-21.4512", {"Obj 1234567890G3", "4,350,103"}));
  Write(folder.File("v0.dat"), test::DataFile("", "scan", "-21.4512", {"0,0"}));
  Write(folder.File("a/notes.txt"), "not read");
  // The program's working copies repeat a data file: not part of a season.
  Write(folder.File("a/temp.dat"), test::DataFile("v2.0", "scan", "-21.4512", {"\"G1\",10,-1,359"}));
  Write(folder.File("a/temp2.dat"), test::DataFile("v2.0", "scan", "-21.4512", {"\"G1\",10,-1,359"}));
  // A folder named twice and a file of it named again are read once.
  const series::SeriesData d =
      series::ReadSeries({folder.File("a"), folder.File("v0.dat"), folder.File("a/v2.dat"), folder.File("a") + "/"});
  EXPECT_TRUE(d.problems.empty()) << Joined(d.problems);
  ASSERT_EQ(d.files.size(), 3u);
  EXPECT_EQ(d.GroupNames(), 3);
  ASSERT_EQ(d.positions.size(), 5u);
  double jd = 0;
  JulianDay(2003, 5, 17, 7.75, jd);
  EXPECT_DOUBLE_EQ(d.files[0].jd, jd);
  EXPECT_EQ(series::IsoTime(jd), "2003-05-17T07:45:00Z");
  struct Want {
    const char* name;
    double B, CMD, L;
    int records;
  };
  // The files of one time in path order: a/b/v1.DAT, a/v2.dat, v0.dat.
  const Want want[] = {{"G3", 4, -10, 103, 1},
                       {"G1", 11, 0, 0, 2},
                       {"", -5, 20, 133, 1},
                       {"G2", -20, 30, 143, 1},
                       {"", 0, 0, 113.0527, 1}};
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const series::GroupPosition& p = d.positions[i];
    EXPECT_EQ(p.name, want[i].name);
    EXPECT_NEAR(p.B_deg, want[i].B, 1e-9);
    EXPECT_NEAR(p.CMD_deg, want[i].CMD, 1e-9);
    EXPECT_NEAR(std::fabs(Wrap180(p.L_deg - want[i].L)), 0, 1e-9);
    EXPECT_EQ(p.records, want[i].records);
  }
}

// A group's area comes from the .spots.csv beside its data file; a spots
// file that cannot be read is named and leaves the areas out.
TEST(SeriesRead, GroupAreasFromTheSpotsFileBeside) {
  test::TempFolder folder;
  const std::string spots =
      "group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\n"
      "G1,1,10.00,20.00,10.00000,-1.00000,359.00000,80.0,20.0\r\n"
      "G1,2,12.00,22.00,12.00000,1.00000,1.00000,40.0,10.0\r\n"
      "\r\n"
      "group,spots,B,CMD,L,area_msh,class\r\n"
      "G1,2,10.70000,-0.30000,359.70000,120.0,Cso\r\n";
  const struct {
    const char* what;
    std::string spotsText;  // "" for none
    double area;            // of G1
    bool problem;
  } cases[] = {
      {"no spots file", "", -1, false},
      {"spots file", spots, 120, false},
      {"spots file cut", "group,spot,x,y\r\n", -1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(folder.File("d.dat"), test::DataFile("v2.0", "scan", "-21.4512",
                                               {"\"G1\",10,-1,359", "\"G1\",12,1,1", "\"G2\",-20,30,143"}));
    std::filesystem::remove(folder.File("d.spots.csv"));
    if (!c.spotsText.empty()) Write(folder.File("d.spots.csv"), c.spotsText);
    const series::SeriesData d = series::ReadSeries({folder.File("d.dat")});
    ASSERT_EQ(d.positions.size(), 2u);
    EXPECT_EQ(d.positions[0].area_msh, c.area);
    EXPECT_EQ(d.positions[1].area_msh, -1);  // G2 has no row
    EXPECT_EQ(Holds(d.problems, "d.spots.csv"), c.problem) << Joined(d.problems);
  }
}


// Each bad input gets its message (file and line), the good files are read,
// nothing stops.
TEST(SeriesRead, BadInputNamedAndSkipped) {
  struct Case {
    const char* what;
    std::string content;  // "" for a folder of non-data files
    const char* message;
    std::size_t filesRead;
  };
  const std::string header = test::DataFile("v2.0", "scan", "-21.4512", {});
  std::string binary = "\x89PNG\r\n\x1a\n";
  binary += std::string("\0\0\0\rIHDR\0\0\x01\0", 13);
  const Case cases[] = {
      {"folder of non-data files", "", "no data file (*.dat) in this folder", 0},
      {"cut header", header.substr(0, header.find("\"P=\"")), "line 7: the header ends here", 0},
      {"binary file", binary, "not a data file: binary bytes", 0},
      {"two pictures", test::DataFile("v2.0", "scan", "-21.4512", {"\"G1\",10,-1,359"}) + header + "\"G9\",1,2,3\r\n",
       "line 15: a second picture's header begins here", 1},
      {"unknown version", test::DataFile("v9.9", "scan", "-21.4512", {"\"G1\",10,-1,359"}), "line 3: unknown format",
       0},
      {"no date", test::DataFile("v2.0", "scan", "-21.4512", {}).replace(header.find(",17,5,2003"), 10, ",0,0,0"),
       "line 5: no plausible date", 0},
      {"record out of range", test::DataFile("v2.0", "scan", "-21.4512", {"\"G1\",95,0,0", "\"G2\",5,0,0"}),
       "line 14: skipped: B beyond", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    if (c.content.empty()) {
      Write(folder.File("in/readme.txt"), "text");
      Write(folder.File("in/picture.jpg"), binary);
    } else {
      Write(folder.File("in/x.dat"), c.content);
    }
    const series::SeriesData d = series::ReadSeries({folder.File("in")});
    EXPECT_EQ(d.files.size(), c.filesRead);
    EXPECT_TRUE(Holds(d.problems, c.message)) << Joined(d.problems);
    if (!c.content.empty()) {
      EXPECT_TRUE(Holds(d.problems, "x.dat")) << Joined(d.problems);
    }
    // What was read was read whole: no record of a second picture.
    for (const series::GroupPosition& p : d.positions) EXPECT_NE(p.name, "G9");
  }
  const series::SeriesData none = series::ReadSeries({"/nonexistent/season"});
  EXPECT_TRUE(Holds(none.problems, "/nonexistent/season: no such file or folder"));
}

// A file of one record per group at `jd` plus whole days.
void WriteDay(const test::TempFolder& folder, int day, const std::vector<std::string>& records) {
  std::string f = test::DataFile("v2.0", "scan", "-21.4512", records);
  f.replace(f.find(",17,5,2003"), 10, "," + std::to_string(day) + ",5,2003");
  Write(folder.File("s/d" + std::to_string(day) + ".dat"), f);
}

std::string Names(const std::vector<series::Track>& tracks) {
  std::string s;
  for (const auto& t : tracks) s += t.name + ":" + std::to_string(t.points.size()) + " ";
  return s;
}

// Names within a passage, a name reused a passage later, a name that
// changes, unnamed records of one group, and the hand edits.
TEST(SeriesTracks, NamesPassagesAndEdits) {
  test::TempFolder folder;
  // L barely moves (sidereal about 14.2 deg/day); CMD grows 13.2 a day.
  WriteDay(folder, 1, {"\"A\",10,-20,100", "\"B\",-15,0,200"});
  WriteDay(folder, 2, {"\"A\",10,-6.8,100", "\"\",-15,13,200.1", "\"\",-16,14,200.5"});
  WriteDay(folder, 3, {"\"A\",10.1,6.4,100.1", "\"B2\",-15,26,200.2"});
  WriteDay(folder, 28, {"\"A\",10,-20,100"});  // a later passage
  WriteDay(folder, 29, {"\"A\",10,-6.8,100", "\"\",40,0,300"});
  const series::SeriesData d = series::ReadSeries({folder.File("s")});
  ASSERT_TRUE(d.problems.empty()) << Joined(d.problems);
  std::vector<series::Track> t = series::BuildTracks(d);
  EXPECT_EQ(Names(t), "A:3 B:3 A#2:2 ?1:1 ");
  // The unnamed records of day 2 are one point of B, averaged.
  EXPECT_EQ(t[1].points[1].positions.size(), 2u);
  EXPECT_NEAR(t[1].points[1].B_deg, -15.5, 1e-9);
  const std::string csv = series::TracksCsv(d, t);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "group,time,B,CMD,L,file");
  EXPECT_NE(csv.find("A#2,2003-05-28T07:45:00Z,10,-20,100,"), std::string::npos) << csv;

  EXPECT_EQ(series::RenameTrack(t, 3, "A"), "another track is named A");
  EXPECT_EQ(series::RenameTrack(t, 3, "C"), "");
  EXPECT_EQ(series::SplitTrack(t, 0, 0), "a track is split between two of its points");
  EXPECT_EQ(series::SplitTrack(t, 0, 2), "");
  EXPECT_EQ(Names(t), "A:2 A#3:1 B:3 A#2:2 C:1 ");
  EXPECT_EQ(series::JoinTracks(t, 0, 2), "both tracks have a point in one file");
  EXPECT_EQ(series::JoinTracks(t, 0, 1), "");
  EXPECT_EQ(Names(t), "A:3 B:3 A#2:2 C:1 ");
  EXPECT_LT(t[0].points[1].jd, t[0].points[2].jd);
}

// What the plots draw: 5-degree bins of the velocities used, and a track's
// line with L unwrapped across 360.
TEST(SeriesPlots, ProfileBinsAndTrackLine) {
  series::RotationResult r;
  const struct {
    double B, omega;
    series::Fate fate;
  } vs[] = {{2, 14.4, series::Fate::Used},
            {4, 14.6, series::Fate::Used},
            {3, 99, series::Fate::Clipped},
            {-7, 14.0, series::Fate::Used},
            {-0.5, 14.2, series::Fate::Used}};
  for (const auto& v : vs) {
    series::Velocity x;
    x.B_deg = v.B;
    x.omegaSid_deg_day = v.omega;
    x.fate = v.fate;
    r.velocities.push_back(x);
  }
  const std::vector<series::ProfileBin> bins = series::ProfileBins(r, 5);
  ASSERT_EQ(bins.size(), 3u);
  EXPECT_DOUBLE_EQ(bins[0].centre_deg, -7.5);
  EXPECT_EQ(bins[0].n, 1);
  EXPECT_EQ(bins[0].stdErr_deg_day, 0);
  EXPECT_DOUBLE_EQ(bins[1].centre_deg, -2.5);
  EXPECT_DOUBLE_EQ(bins[2].centre_deg, 2.5);
  EXPECT_EQ(bins[2].n, 2);
  EXPECT_NEAR(bins[2].mean_deg_day, 14.5, 1e-12);
  EXPECT_NEAR(bins[2].stdErr_deg_day, 0.1, 1e-12);  // sd 0.1414 over sqrt(2)

  // L falls 0.5 a day through 0; B rises 0.1 a day.
  series::Track t;
  for (int d = 0; d < 5; ++d) {
    series::TrackPoint p;
    p.jd = 2460000 + d;
    p.L_deg = std::fmod(361 - 0.5 * d, 360);
    p.B_deg = 10 + 0.1 * d;
    t.points.push_back(p);
  }
  const series::TrackLine line = series::LineOfTrack(t);
  EXPECT_NEAR(line.L_slope_deg_day, -0.5, 1e-9);
  EXPECT_NEAR(line.L_intercept, 1, 1e-9);
  EXPECT_NEAR(line.L_deg.back(), -1, 1e-9);
  EXPECT_NEAR(line.B_slope_deg_day, 0.1, 1e-9);
  EXPECT_NEAR(series::LawAt(series::kKanzelhoeheDailyShifts, 30), 14.47 - 2.66 * 0.25, 1e-12);
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// A NOAA number is one name however written; the area of the .spots.csv
// follows the name across forms.
TEST(SeriesNames, NoaaNumbersAreOneName) {
  test::TempFolder folder;
  Write(folder.File("d.dat"), test::DataFile("v2.0", "scan", "-21.4512",
                                             {"\"AR11680\",10,-1,359", "\"1680\",12,1,1", "\"11680\",11,0,0",
                                              "\"163\",-20,30,143", "\"AR0163\",-21,31,144"}));
  Write(folder.File("d.spots.csv"),
        "group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\n"
        "ar1680,1,10.00,20.00,10.00000,-1.00000,359.00000,80.0,20.0\r\n"
        "\r\n"
        "group,spots,B,CMD,L,area_msh,class\r\n"
        "ar1680,1,10.00000,-1.00000,359.00000,80.0,Hsx\r\n");
  const series::SeriesData d = series::ReadSeries({folder.File("d.dat")});
  ASSERT_EQ(d.positions.size(), 3u) << Joined(d.problems);
  EXPECT_EQ(d.positions[0].name, "11680");
  EXPECT_EQ(d.positions[0].records, 3);
  EXPECT_EQ(d.positions[0].area_msh, 80);
  EXPECT_EQ(d.positions[1].name, "163");    // three digits: not a NOAA number
  EXPECT_EQ(d.positions[2].name, "10163");  // 1997 would have kept it; this file is of 2003
}

series::Track Line(const std::string& name, std::vector<std::pair<int, double>> days, double L0 = 100, double B = 10) {
  series::Track t;
  t.name = name;
  for (const auto& [day, dL] : days) {
    series::TrackPoint p;
    p.file = day;
    p.jd = 2452777.5 + day;
    p.L_deg = L0 + 0.3 * day + dL;
    p.B_deg = B;
    t.points.push_back(p);
  }
  return t;
}

// A track under another name between points of one track joins it where
// the track, interpolated, passes; not when it lies off, lasts longer, or
// shares a file.
TEST(SeriesNames, StrayNamesJoinTheTrackTheyLieOn) {
  struct Case {
    const char* what;
    series::Track stray;
    bool joined;
  } cases[] = {
      {"one day, on the track", Line("X", {{2, 0.5}}), true},
      {"two days, on the track", Line("X", {{2, 0}, {3, -0.5}}), true},
      {"4.6 deg off in L", Line("X", {{2, 4.6}}), false},
      {"2.1 deg off in B", Line("X", {{2, 0}}, 100, 12.1), false},
      {"three days", Line("X", {{1, 0}, {2, 0}, {4, 0}}), false},
      {"in a file the track has", Line("X", {{1, 0}}), false},
      {"after the track's end", Line("X", {{6, 0}}), false},
  };
  for (const Case& c : cases) {
    std::vector<series::Track> tracks = {Line("11680", {{0, 0}, {1, 0}, {4, 0}, {5, 0}}), c.stray};
    series::JoinStrayNames(tracks, series::TrackOptions{});
    EXPECT_EQ(tracks.size(), c.joined ? 1u : 2u) << c.what;
    EXPECT_EQ(tracks[0].name, "11680") << c.what;
  }
}

}  // namespace
}  // namespace pelorin
