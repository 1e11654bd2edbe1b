// Unsaved work is asked about before it could go, working files a session
// left behind are offered back, and two windows in one folder keep apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataFiles.h"
#include "TestApp.h"
#include "app/Dispatcher.h"
#include "base/RasterPicture.h"
#include "app/Startup.h"
#include "base/Text.h"
#include "app/LimbInput.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/WorkGuard.h"
#include "app/WorkSlot.h"
#include "app/DateDialog.h"
#include "app/Points.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::ScriptedWindow;
using test::TestApp;
using test::WriteAll;

const std::string kQuestion = "Unsaved measurements|The measurements of b.jpg are not saved.|Save,Discard,Cancel";

void WritePicture(const std::string& name) {
  std::vector<std::uint32_t> px(1024 * 1024, 0xFFFFFFFFu);
  std::string error;
  ASSERT_TRUE(WriteBmp(name, 1024, 1024, px.data(), error)) << error;
}

// A second window of the program in the current folder.
struct Window {
  Window() { Form_Load(app, 15.0f); }
  ScriptedWindow win;
  test::HeaderedPicture pic;
  App app{win, pic};
};

// One object of one point, clicked and ended as the user does.
void Measure(App& app, ScriptedWindow& win, const std::string& name, double x, double y) {
  app.s.ManualSelection = kTrue;
  win.inputAnswers.push_back(name);
  Objekt_Click(app);
  Picture1_MouseDown(app, kLeftButton, 0, x, y);
  Objektend_Click(app);
}

std::string Saved(const std::string& picture, const std::vector<std::string>& records) {
  return test::DataFile("v2.0", "scan", "-21.4512", records, picture);
}

// a.jpg, b.jpg and c.jpg, each with a data file of one record; b.jpg open
// with one object measured since.
struct Folder {
  Folder() {
    for (const char* p : {"a", "b", "c"}) {
      WritePicture(std::string(p) + ".jpg");
      WriteAll(std::string(p) + ".dat", Saved(std::string(p) + ".jpg", {"\"a\",1,2,3"}));
    }
    OpenPicture(t.app, t.folder.File("b.jpg"));
    baseline = ReadAll("temp.dat");
    Measure(t.app, t.win, "G3", 600, 450);
    measured = ReadAll("temp.dat");
  }
  TestApp t;
  std::string baseline, measured;
};

TEST(Unsaved, EveryRoadAwayFromThePictureAsksAndHonoursTheAnswer) {
  const struct Road {
    const char* name;
    std::function<void(TestApp&)> go;
    const char* next;  // the picture open after the road, "" for the end
  } roads[] = {
      {"File -> Open", [](TestApp& t) {
         t.win.openAnswers.push_back(t.folder.File("a.jpg"));
         ucitavanje_Click(t.app);
       }, "a.jpg"},
      {"f", [](TestApp& t) { std::int16_t k = 'f'; DoCommand(t.app, k); }, "c.jpg"},
      {"F", [](TestApp& t) { std::int16_t k = 'F'; DoCommand(t.app, k); }, "a.jpg"},
      {"end of the program", [](TestApp& t) {
         if (ConfirmLeavePicture(t.app)) form_unload(t.app);
       }, ""},
  };
  for (const Road& road : roads) {
    for (const std::string answer : {"Save", "Discard", "Cancel", ""}) {
      SCOPED_TRACE(std::string(road.name) + " / " + (answer.empty() ? "Escape" : answer));
      Folder f;
      ASSERT_NE(f.measured, f.baseline);
      f.t.win.questionAnswers.push_back(answer);
      road.go(f.t);
      ASSERT_EQ(f.t.win.questions.size(), 1u);
      EXPECT_EQ(f.t.win.questions[0], kQuestion);
      const bool goesOn = answer == "Save" || answer == "Discard";
      EXPECT_EQ(ReadAll("b.dat"), answer == "Save" ? f.measured : f.baseline);
      if (goesOn) {
        EXPECT_EQ(f.t.app.pictureName, std::string(road.next).empty() ? "b.jpg" : road.next);
        if (std::string(road.next).empty()) {
          EXPECT_FALSE(fs::exists("temp.dat"));
        }
      } else {
        // Everything as it was: the picture, its list place, its working file.
        EXPECT_EQ(f.t.app.pictureName, "b.jpg");
        EXPECT_EQ(f.t.app.s.PictureList[static_cast<std::size_t>(f.t.app.s.PictureIndex)], "b.jpg");
        EXPECT_EQ(ReadAll("temp.dat"), f.measured);
        for (const std::string& call : f.t.win.dialogCalls) EXPECT_EQ(call.rfind("open|", 0), std::string::npos);
      }
    }
  }
}

TEST(Unsaved, AFailedSaveCancelsTheStep) {
  Folder f;
  f.t.win.questionAnswers.push_back("Save");
  f.t.win.saveAnswers.push_back(f.t.folder.File("no-such-folder/b.dat"));
  std::int16_t k = 'f';
  DoCommand(f.t.app, k);
  ASSERT_EQ(f.t.win.messages.size(), 1u);
  EXPECT_NE(f.t.win.messages[0].find("no-such-folder"), std::string::npos);
  EXPECT_EQ(f.t.app.pictureName, "b.jpg");
  EXPECT_EQ(ReadAll("temp.dat"), f.measured);
  EXPECT_EQ(ReadAll("b.dat"), f.baseline);
}

TEST(Unsaved, NothingIsAskedWhenNothingIsUnsaved) {
  const struct {
    const char* name;
    std::function<void(Folder&)> before;
  } cases[] = {
      {"saved since", [](Folder& f) { spremi_Click(f.t.app); }},
      {"nothing measured", [](Folder& f) {
         f.t.win.questionAnswers.push_back("Discard");
         std::int16_t k = 'F';  // to a.jpg, measuring nothing there
         DoCommand(f.t.app, k);
         f.t.win.questions.clear();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder f;
    c.before(f);
    EXPECT_FALSE(HasUnsavedWork(f.t.app));
    std::int16_t k = 'f';
    DoCommand(f.t.app, k);
    EXPECT_TRUE(f.t.win.questions.empty());
  }
  // A new picture whose date was given has unsaved work: the date lines.
  TestApp t;
  WritePicture("kanz_drawx_fi_20030517_0745.jpg");
  t.win.inputAnswers.push_back("0");
  OpenPicture(t.app, t.folder.File("kanz_drawx_fi_20030517_0745.jpg"));
  EXPECT_FALSE(HasUnsavedWork(t.app));
  t.win.dateScripts.push_back([](DateDialog& d) { d.OK_Click(); });
  datum_Click(t.app);
  EXPECT_TRUE(HasUnsavedWork(t.app));
}

// A session that ends without its own end (killed): its files stay as they
// were, its locks go with it.
void Crash(std::unique_ptr<Window>& w) {
  w->app.file1.Close();
  w->app.file2.Close();
  w.reset();
}

TEST(Restore, WorkLeftByAKilledSessionIsOfferedBackWhole) {
  for (const std::string answer : {"Restore", "Discard", ""}) {
    SCOPED_TRACE(answer.empty() ? "Escape" : answer);
    TestApp t;  // the folder, and a window that stays on another picture
    WritePicture("b.jpg");
    WriteAll("b.dat", Saved("b.jpg", {"\"a\",1,2,3"}));
    auto first = std::make_unique<Window>();
    OpenPicture(first->app, t.folder.File("b.jpg"));
    const std::string fresh = ReadAll(first->app.file2.Path());
    Measure(first->app, first->win, "G3", 600, 450);
    Measure(first->app, first->win, "G4", 400, 520);
    const std::string work = ReadAll(first->app.file2.Path());
    const std::string log = ReadAll(first->app.file1.Path());
    ASSERT_FALSE(log.empty());
    Crash(first);

    Window again;
    EXPECT_EQ(ReadAll(KeptLogName(again.app.slot)), log);  // the killed session's point log is kept
    again.win.questionAnswers.push_back(answer);
    OpenPicture(again.app, t.folder.File("b.jpg"));
    ASSERT_EQ(again.win.questions.size(), 1u);
    EXPECT_EQ(again.win.questions[0],
              "Restore measurements|b.jpg has measurements from a session that ended without saving them: "
              "3 records.|Restore,Discard");
    EXPECT_EQ(ReadAll(again.app.file2.Path()), answer == "Restore" ? work : fresh);
    EXPECT_EQ(again.app.s.StoredPointCount, answer == "Restore" ? 3 : 1);
    EXPECT_EQ(HasUnsavedWork(again.app), answer == "Restore");
    // Discarded work goes; work neither restored nor discarded is kept.
    EXPECT_EQ(fs::exists(WorkFileName(again.app.slot) + ".kept"), answer.empty());
    if (answer == "Restore") {
      spremi_Click(again.app);
      EXPECT_EQ(ReadAll("b.dat"), work);
    }
  }
}

TEST(Restore, ACalibrationCutShortContinuesWhereItStopped) {
  const struct {
    const char* name;
    std::function<void(Window&)> steps;
    float calibration;
    Menu next;
  } cases[] = {
      {"date given", [](Window&) {}, 0, Menu::Limb},
      {"date and limb", [](Window& w) {
         w.app.s.LimbRadius = 0;
         w.win.SetMenuEnabled(Menu::Limb, true);
         Limb_Click(w.app);
         for (auto [x, y] : {std::pair{112.0, 512.0}, {912.0, 512.0}, {512.0, 112.0}, {512.0, 912.0}})
           Picture1_MouseDown(w.app, kLeftButton, 0, x, y);
         limbend_Click(w.app);
       }, 1, Menu::orient},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    const std::string name = "kanz_drawx_fi_20030517_0745.jpg";
    WritePicture(name);
    auto first = std::make_unique<Window>();
    first->win.inputAnswers.push_back("0");
    OpenPicture(first->app, t.folder.File(name));
    first->win.dateScripts.push_back([](DateDialog& d) { d.OK_Click(); });
    datum_Click(first->app);
    c.steps(*first);
    const std::string work = ReadAll(first->app.file2.Path());
    const ProgramState before = first->app.s;
    Crash(first);

    Window again;
    again.win.inputAnswers.push_back("0");
    again.win.questionAnswers.push_back("Restore");
    OpenPicture(again.app, t.folder.File(name));
    ASSERT_EQ(again.win.questions.size(), 1u);
    EXPECT_EQ(ReadAll(again.app.file2.Path()), work);
    const ProgramState& s = again.app.s;
    EXPECT_EQ(s.DateKnown, 1);
    EXPECT_EQ(s.CalibrationState, c.calibration);
    EXPECT_EQ(s.L0, before.L0);
    EXPECT_NEAR(s.ZeroPointX, before.ZeroPointX, 1e-9);
    EXPECT_NEAR(s.LimbRadius, before.LimbRadius, 1e-9);
    EXPECT_FALSE(again.win.MenuEnabled(Menu::datum));
    EXPECT_TRUE(again.win.MenuEnabled(c.next));
  }
}

TEST(Restore, AWorkingFileOfAnotherPictureIsKeptAsideAndNeverApplied) {
  TestApp t;
  for (const char* p : {"a", "b"}) {
    WritePicture(std::string(p) + ".jpg");
    WriteAll(std::string(p) + ".dat", Saved(std::string(p) + ".jpg", {"\"a\",1,2,3"}));
  }
  auto first = std::make_unique<Window>();
  OpenPicture(first->app, t.folder.File("a.jpg"));
  Measure(first->app, first->win, "G3", 600, 450);
  const std::string work = ReadAll(first->app.file2.Path());
  Crash(first);

  Window again;
  OpenPicture(again.app, t.folder.File("b.jpg"));
  EXPECT_TRUE(again.win.questions.empty());
  ASSERT_EQ(again.win.messages.size(), 1u);
  const std::string kept = WorkFileName(again.app.slot) + ".kept";
  EXPECT_NE(again.win.messages[0].find("holds measurements of a.jpg, not of b.jpg"), std::string::npos);
  EXPECT_NE(again.win.messages[0].find(kept), std::string::npos);
  EXPECT_EQ(ReadAll(kept), work);
  EXPECT_EQ(again.app.s.StoredPointCount, 1);
  // Its own picture gets it back later.
  again.win.questionAnswers.push_back("Restore");
  std::int16_t k = 'F';
  DoCommand(again.app, k);
  EXPECT_EQ(again.app.pictureName, "a.jpg");
  EXPECT_EQ(ReadAll(WorkFileName(again.app.slot)), work);
  EXPECT_FALSE(fs::exists(kept));
}

TEST(TwoWindows, OneFolderTwoPicturesKeepApart) {
  TestApp t;  // the first window, on a.jpg
  for (const char* p : {"a", "c"}) {
    WritePicture(std::string(p) + ".jpg");
    WriteAll(std::string(p) + ".dat", Saved(std::string(p) + ".jpg", {"\"a\",1,2,3"}));
  }
  OpenPicture(t.app, t.folder.File("a.jpg"));
  Window second;
  OpenPicture(second.app, t.folder.File("c.jpg"));
  EXPECT_EQ(t.app.slot, 1);
  EXPECT_EQ(second.app.slot, 2);
  EXPECT_TRUE(second.win.questions.empty());  // the first window's temp.dat is not a left-over

  Measure(t.app, t.win, "A1", 600, 450);
  Measure(second.app, second.win, "C1", 400, 520);
  Measure(t.app, t.win, "A2", 610, 460);
  const std::string logA = ReadAll("a.tmp"), logC = ReadAll("a2.tmp");
  EXPECT_EQ(std::count(logA.begin(), logA.end(), '\n'), 2);  // a line per object point, each its own
  EXPECT_EQ(std::count(logC.begin(), logC.end(), '\n'), 1);
  spremi_Click(t.app);
  spremi_Click(second.app);
  const DataFileContents a = ParseDataFile(SplitLines(ReadAll("a.dat")));
  const DataFileContents c = ParseDataFile(SplitLines(ReadAll("c.dat")));
  ASSERT_EQ(a.records.size(), 3u);
  ASSERT_EQ(c.records.size(), 2u);
  EXPECT_EQ(a.records[1].name + a.records[2].name, "A1A2");
  EXPECT_EQ(c.records[1].name, "C1");

  // The same picture in a second window is refused, and nothing changes.
  second.win.messages.clear();
  OpenPicture(second.app, t.folder.File("a.jpg"));
  ASSERT_EQ(second.win.messages.size(), 1u);
  EXPECT_NE(second.win.messages[0].find("a.jpg is open in another Pelorin window"), std::string::npos);
  EXPECT_EQ(second.app.pictureName, "c.jpg");
  // Closing one window leaves the other's files alone.
  form_unload(second.app);
  EXPECT_FALSE(fs::exists("temp2.dat"));
  EXPECT_TRUE(fs::exists("temp.dat"));
  EXPECT_EQ(ReadAll("a.tmp"), logA);
}

}  // namespace
}  // namespace pelorin
