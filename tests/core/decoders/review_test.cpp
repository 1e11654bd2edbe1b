// Finding the sunspots of the open picture through the program state, on the
// white-light sample with its data file: the proposals named from DPD1.txt,
// one group left out, Accept, Save writing the data file and its .spots.csv,
// and the areas back when the picture opens again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "CliRun.h"
#include "DataApp.h"
#include "DataPictures.h"
#include "TestApp.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/Edits.h"
#include "app/SpotReview.h"
#include "formats/CalFile.h"
#include "formats/SpotsFile.h"
#include "app/RegionSummary.h"
#include "measure/SpotBatch.h"

namespace pelorin {
namespace {

const char* const kPicture = "kanz_bband_wl_20030518_0800.jpg";

void CopySample(test::DataApp& t, bool catalogue) {
  const std::string samples = std::string(PELORIN_SOURCE_DIR) + "/samples/";
  for (const char* f : {"kanz_bband_wl_20030518_0800.jpg", "kanz_bband_wl_20030518_0800.dat", "DPD1.txt"}) {
    if (!catalogue && std::string(f) == "DPD1.txt") continue;
    std::filesystem::copy_file(samples + f, t.folder.File(f));
  }
}

TEST(SpotReview, TheSampleFoundAcceptedSavedAndReopened) {
  test::DataApp t;
  EXPECT_NE(SpotReviewRefusal(t.app), "");  // no picture yet
  CopySample(t, true);
  OpenPicture(t.app, t.folder.File(kPicture));
  ASSERT_EQ(SpotReviewRefusal(t.app), "");
  SpotProposals p;
  ASSERT_EQ(StartSpotReview(t.app, GreyOfOpenPicture(t.app), SpotSettings{}, p), "");
  ASSERT_EQ(p.report.groups.size(), 4u);
  const std::string truth =
      test::ReadAll(std::string(PELORIN_SOURCE_DIR) + "/samples/kanz_bband_wl_20030518_0800.truth.csv");
  for (const SpotGroup& g : p.report.groups)
    EXPECT_NE(truth.find("\n" + g.name + "," + g.mcIntosh + ","), std::string::npos) << g.name;
  EXPECT_EQ(CountsLine(ReviewCounts(&p, {}, 1)).rfind("g=4 f=8 R=48 ", 0), 0u);

  // One group left out; the others recorded and saved.
  CheckGroup(p, 0, false);
  const std::string left = p.report.groups[0].name;
  ASSERT_EQ(AcceptSpots(t.app, p), "");
  // An edit reads the working file again: what was measured with each
  // record (areas, classes, errors) stays with it.
  const std::string renamed = p.report.groups[1].name;
  ASSERT_EQ(RenameObject(t.app, renamed, "X1"), "");
  ASSERT_EQ(RenameObject(t.app, "X1", renamed), "");
  const std::string data = t.folder.File("kanz_bband_wl_20030518_0800.dat");
  t.win.saveAnswers.push_back(data);
  ASSERT_TRUE(SaveData(t.app));
  SpotsFileContents saved;
  std::string error;
  ASSERT_TRUE(ParseSpotsFile(test::ReadAll(t.folder.File("kanz_bband_wl_20030518_0800.spots.csv")), saved, error))
      << error;
  for (const SpotsFileRow& r : saved.spots) EXPECT_TRUE(std::isfinite(r.B_err) && std::isfinite(r.L_err)) << r.group;
  for (const SpotsFileGroup& g : saved.groups) EXPECT_TRUE(std::isfinite(g.B_err)) << g.name;
  EXPECT_EQ(saved.groups.size(), 3u);
  EXPECT_EQ(saved.counts.groups, 3);
  for (const SpotsFileGroup& g : saved.groups) EXPECT_NE(g.name, left);

  // Opened again: the records have their areas and classes.
  t.win.messages.clear();
  OpenPicture(t.app, t.folder.File(kPicture));
  int withArea = 0;
  for (const RecordLine& r : t.app.book.list.lines) withArea += r.area_msh > 0 ? 1 : 0;
  EXPECT_EQ(withArea, saved.counts.spots);
  EXPECT_EQ(AcceptedGroups(t.app.book.list).size(), 3u);
  for (const std::string& m : t.win.messages) EXPECT_EQ(m.find("spots"), std::string::npos) << m;

  // The data file changed by hand (its last record gone): opened again, a
  // note, and the records as the data file has them, without areas.
  std::string text = test::ReadAll(data);
  text.erase(text.rfind("\r\n", text.size() - 3) + 2);
  test::WriteAll(data, text);
  t.win.messages.clear();
  OpenPicture(t.app, t.folder.File(kPicture));
  ASSERT_FALSE(t.win.messages.empty());
  EXPECT_NE(t.win.messages.back().find("do not match the data file"), std::string::npos) << t.win.messages.back();
  EXPECT_EQ(t.app.book.list.RecordCount(), static_cast<std::size_t>(saved.counts.spots - 1));
  for (const RecordLine& r : t.app.book.list.lines) EXPECT_LT(r.area_msh, 0);

  // A new review keeps clear of the recorded names.
  SpotProposals again;
  ASSERT_EQ(StartSpotReview(t.app, GreyOfOpenPicture(t.app), SpotSettings{}, again), "");
  EXPECT_EQ(again.existingNames.size(), Objects(t.app.book.list).size());
  EXPECT_EQ(again.existingNames.count(NextFreeGroupName(again)), 0u);
}

// A picture of measured data is searched on its data levels: under every
// brightness scale the window finds what pelorin-cli spots finds on the
// sample FITS picture, spot for spot.
TEST(SpotReview, AFitsPictureIsSearchedOnItsDataWhateverItsScale) {
  const std::string fits = "fits_20030518_1000.fits";
  test::DataApp t;
  std::filesystem::copy_file(std::string(PELORIN_SOURCE_DIR) + "/samples/" + fits, t.folder.File(fits));
  const test::CliResult cli = test::RunCli(t.folder.path(), "spots " + fits);
  ASSERT_EQ(cli.status, 0) << cli.err;
  OpenPicture(t.app, t.folder.File(fits));
  ASSERT_EQ(SpotReviewRefusal(t.app), "");
  for (BrightnessScale scale : {BrightnessScale::Logarithmic, BrightnessScale::SquareRoot, BrightnessScale::Linear}) {
    ASSERT_TRUE(t.app.pic.SetBrightness(scale));
    SpotProposals p;
    ASSERT_EQ(StartSpotReview(t.app, GreyOfOpenPicture(t.app), SpotSettings{}, p), "");
    ASSERT_FALSE(p.report.spots.empty());
    std::size_t rows = 0;
    for (const FoundSpot& s : p.report.spots) {
      char xy[64];
      std::snprintf(xy, sizeof xy, ",%.2f,%.2f,", s.x, s.y);
      EXPECT_NE(cli.out.find(xy), std::string::npos) << BrightnessScaleCaption(scale) << ": " << xy;
      ++rows;
    }
    EXPECT_EQ(static_cast<std::size_t>(std::count(cli.out.begin(), cli.out.end(), '\n')), rows + 1)
        << BrightnessScaleCaption(scale);
  }
}

TEST(SpotReview, RefusesEuvPicturesAndUncalibratedOnes) {
  test::DataApp t;
  CopySample(t, false);
  std::filesystem::copy_file(t.folder.File(kPicture), t.folder.File("bare.jpg"));
  OpenPicture(t.app, t.folder.File("bare.jpg"));
  EXPECT_NE(SpotReviewRefusal(t.app).find("not calibrated"), std::string::npos) << SpotReviewRefusal(t.app);
  // Calibrated from its header, but an EUV picture.
  gen::SolarFits euv;
  euv.extra = {{"WAVELNTH", "171", false}};
  gen::WriteSolarFits(t.folder.File("euv.fits"), euv);
  OpenPicture(t.app, t.folder.File("euv.fits"));
  SpotProposals p;
  const std::string refusal = StartSpotReview(t.app, GreyOfOpenPicture(t.app), SpotSettings{}, p);
  EXPECT_NE(refusal.find("EUV"), std::string::npos) << refusal;
  EXPECT_TRUE(p.report.groups.empty());
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// The menu's commands: Find sunspots draws the proposals, the counts take
// the observer's k, Accept ends the review; k refuses what is not a factor.
TEST(SpotReview, TheCommandsOfTheWindow) {
  test::DataApp t;
  CopySample(t, true);
  OpenPicture(t.app, t.folder.File(kPicture));
  t.win.inputAnswers = {"0,6", "0.6"};
  ObserverK_Click(t.app);
  EXPECT_DOUBLE_EQ(t.app.observerK, 1);
  ASSERT_EQ(t.win.messages.size(), 1u);
  ObserverK_Click(t.app);
  EXPECT_DOUBLE_EQ(t.app.observerK, 0.6);

  const std::int32_t before = t.pic.Point(549, 396 - 12);
  FindSpots_Click(t.app, 0.9);
  ASSERT_TRUE(t.app.review.has_value());
  EXPECT_EQ(DayCountsLine(t.app), "g=4 f=8 R=28.8 (N: g=2 f=4 R=14.4; S: g=2 f=4 R=14.4)");
  // The largest spot of G1 is outlined: its circle crosses the column above it.
  bool outlined = false;
  for (int y = 396 - 20; y < 396; ++y) outlined = outlined || t.pic.Point(549, y) == static_cast<std::int32_t>(QBColor(14));
  EXPECT_TRUE(outlined);
  EXPECT_NE(before, static_cast<std::int32_t>(QBColor(14)));
  AcceptReview_Click(t.app);
  EXPECT_FALSE(t.app.review.has_value());
  EXPECT_EQ(DayCountsLine(t.app), "g=4 f=8 R=28.8 (N: g=2 f=4 R=14.4; S: g=2 f=4 R=14.4)");
  EXPECT_EQ(UndoCaption(t.app).rfind("Undo Accept ", 0), 0u);
}

// A summary beside the picture with a line it cannot read: Find sunspots
// names the line, as the command line does, and still proposes the groups.
TEST(SpotReview, ACataloguesUnreadableLinesAreSaid) {
  test::DataApp t;
  CopySample(t, false);
  test::WriteAll(t.folder.File("20030518SRS.txt"),
                 ":Issued: 2003 May 18 0030 UTC\n"
                 "I.  Regions with Sunspots.  Locations Valid at 17/2400Z\n"
                 "Nmbr Location  Lo  Area  Z   LL   NN Mag Type\n"
                 "0365 X19W56   205  0040 Cso  03   04 Beta\n");
  OpenPicture(t.app, t.folder.File(kPicture));
  t.win.messages.clear();
  FindSpots_Click(t.app, 0.9);
  ASSERT_TRUE(t.app.review.has_value());
  EXPECT_EQ(t.app.review->report.groups.size(), 4u);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("20030518SRS.txt:4: section I: Location 'X19W56' is not like N19W56"),
            std::string::npos)
      << t.win.messages[0];
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// The batch writes what the window's Find sunspots, Accept and Save write:
// into the sample's data file (groups named from DPD1.txt), and into the new
// data file of a FITS picture calibrated by its header.
TEST(SpotReview, TheBatchWritesWhatAcceptAndSaveWrite) {
  const struct {
    std::string picture, data;
    std::vector<std::string> beside;
  } cases[] = {
      {kPicture, "kanz_bband_wl_20030518_0800.dat", {"kanz_bband_wl_20030518_0800.dat", "DPD1.txt"}},
      {"fits_20030518_1000.fits", "fits_20030518_1000.dat", {}},
  };
  const std::string samples = std::string(PELORIN_SOURCE_DIR) + "/samples/";
  for (const auto& c : cases) {
    test::DataApp t;
    for (const std::string& f : c.beside) std::filesystem::copy_file(samples + f, t.folder.File(f));
    std::filesystem::copy_file(samples + c.picture, t.folder.File(c.picture));
    const std::filesystem::path batch = t.folder.path() / "batch";
    std::filesystem::create_directory(batch);
    for (const std::string& f : c.beside) std::filesystem::copy_file(samples + f, batch / f);
    std::filesystem::copy_file(samples + c.picture, batch / c.picture);

    OpenPicture(t.app, t.folder.File(c.picture));
    FindSpots_Click(t.app, 0.9);
    ASSERT_TRUE(t.app.review.has_value()) << c.picture;
    AcceptReview_Click(t.app);
    t.win.saveAnswers.push_back(t.folder.File(c.data));
    ASSERT_TRUE(SaveData(t.app)) << c.picture;

    const SpotBatchResult r =
        WriteSpotsOfPicture((batch / c.picture).string(), SpotBatchOptions{}, decoders::ReadBatchPicture);
    ASSERT_EQ(r.outcome, BatchOutcome::Written) << c.picture << ": " << r.why;
    const std::string spots = SpotsFileNameOf(c.data);
    EXPECT_EQ(test::ReadAll((batch / c.data).string()), test::ReadAll(t.folder.File(c.data))) << c.picture;
    EXPECT_EQ(test::ReadAll((batch / spots).string()), test::ReadAll(t.folder.File(spots))) << c.picture;
    EXPECT_NE(test::ReadAll((batch / spots).string()), "") << c.picture;
  }
}

// File -> Export region summary: refused with a message before any file is
// asked for while nothing was found; after Find sunspots, the review's checked
// groups in the summary that pelorin-cli spots --srs writes; after Accept,
// the recorded groups.
TEST(SpotReview, TheRegionSummaryOfTheWindowIsThatOfTheCli) {
  test::DataApp t;
  CopySample(t, true);
  const test::CliResult cli = test::RunCli(t.folder.path(), std::string("spots --srs cli.txt ") + kPicture);
  ASSERT_EQ(cli.status, 0) << cli.err;
  ExportRegionSummary_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("open a picture first"), std::string::npos) << t.win.messages[0];
  OpenPicture(t.app, t.folder.File(kPicture));
  t.win.messages.clear();
  ExportRegionSummary_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("no sunspots were found"), std::string::npos) << t.win.messages[0];
  EXPECT_TRUE(t.win.dialogCalls.empty());

  FindSpots_Click(t.app, 0.9);
  ASSERT_TRUE(t.app.review.has_value());
  const struct {
    const char* step;
    std::function<void()> before;
  } steps[] = {
      {"review", [] {}},
      {"accepted", [&] { AcceptReview_Click(t.app); }},
  };
  for (const auto& step : steps) {
    step.before();
    const std::string out = t.folder.File(std::string(step.step) + ".txt");
    t.win.saveAnswers.push_back(out);
    t.win.messages.clear();
    ExportRegionSummary_Click(t.app);
    EXPECT_TRUE(t.win.messages.empty()) << step.step;
    EXPECT_EQ(test::ReadAll(out), test::ReadAll(t.folder.File("cli.txt"))) << step.step;
  }
  EXPECT_EQ(t.win.dialogCalls.back().rfind("save|Export region summary|", 0), 0u) << t.win.dialogCalls.back();
  EXPECT_NE(t.win.dialogCalls.back().find("kanz_bband_wl_20030518_0800.srs.txt"), std::string::npos);

  // One group left out of the review: not in the summary.
  FindSpots_Click(t.app, 0.9);
  ASSERT_TRUE(t.app.review.has_value());
  CheckGroup(*t.app.review, 0, false);
  std::string text;
  ASSERT_EQ(RegionSummaryOfPicture(t.app, text), "");
  const std::string cliText = test::ReadAll(t.folder.File("cli.txt"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n') + 1, std::count(cliText.begin(), cliText.end(), '\n'));
}

// pelorin-cli spots --errors gives each spot the errors the window's review
// gives it: from the .cal beside the data file, or without one the errors
// assumed for a data file.
TEST(SpotReview, TheCliGivesTheErrorsOfTheWindow) {
  CalErrors kept = AssumedCalErrors();
  kept.x0_px = 0.08;
  kept.y0_px = 0.11;
  kept.rk_px = 0.05;
  kept.cov_x0rk = 0.001;
  kept.orientation_deg = 0.03;
  kept.discSource = kept.orientationSource = "fit";
  for (const std::string& cal : {std::string(), CalFileText(kept)}) {
    SCOPED_TRACE(cal.empty() ? "no .cal" : "a .cal");
    test::DataApp t;
    CopySample(t, false);
    if (!cal.empty()) test::WriteAll(t.folder.File("kanz_bband_wl_20030518_0800.cal"), cal);
    OpenPicture(t.app, t.folder.File(kPicture));
    SpotProposals p;
    ASSERT_EQ(StartSpotReview(t.app, GreyOfOpenPicture(t.app), SpotSettings{}, p), "");
    const test::CliResult cli = test::RunCli(t.folder.path(), std::string("spots --errors ") + kPicture);
    ASSERT_EQ(cli.status, 0) << cli.err;
    ASSERT_FALSE(p.report.spots.empty());
    for (const FoundSpot& f : p.report.spots) {
      char row[160];
      std::snprintf(row, sizeof row, ",%.2f,%.2f,%.5f,%.5f,%.5f,", f.x, f.y, f.B, f.CMD, f.L);
      const std::size_t at = cli.out.find(row);
      ASSERT_NE(at, std::string::npos) << row << "\n" << cli.out;
      const std::string line = cli.out.substr(at, cli.out.find('\n', at) - at);
      std::snprintf(row, sizeof row, ",%.5f,%.5f,%.5f", f.B_err, f.CMD_err, f.L_err);
      EXPECT_EQ(line.substr(line.size() - std::min(line.size(), std::strlen(row))), row) << line;
    }
  }
}

}  // namespace
}  // namespace pelorin
