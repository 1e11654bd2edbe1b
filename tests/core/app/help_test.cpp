// The Help menu's texts: lines joined by a carriage return, blank lines where
// the commands list has them, no line break at the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestApp.h"
#include "app/Help.h"

namespace pelorin {
namespace {

std::vector<std::string> SplitCr(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\r')
      lines.emplace_back();
    else
      lines.back() += c;
  }
  return lines;
}

// Source: the commands, note and about texts of the Help menu.
TEST(Help, TextsLineByLine) {
  const std::vector<std::string> commands = SplitCr(CommandsText());
  ASSERT_EQ(41u, commands.size());
  EXPECT_EQ("Tools-Compare - Turns on and off comparation with data in file DPD1.txt (red points)", commands[0]);
  EXPECT_EQ("   l - one name forward", commands[6]);
  EXPECT_EQ("   a - change autoselect mode", commands[11]);
  EXPECT_EQ("View-Object (u) - Show/hide saved points of current picture (green points)", commands[13]);
  EXPECT_EQ("2, 4, 6, 8 - picture move", commands[16]);
  EXPECT_EQ(0u, commands[28].rfind("Edit-Undo (Ctrl+Z), Redo (Ctrl+Shift+Z or Ctrl+Y)", 0));
  EXPECT_EQ(0u, commands[29].rfind("View-Measurements (F9)", 0));
  EXPECT_EQ("   Del - delete the selected objects or points", commands[31]);
  EXPECT_EQ(0u, commands[36].rfind("Tools-Monthly report - ", 0));
  EXPECT_EQ(0u, commands[38].rfind("Tools-Find sunspots - ", 0));
  EXPECT_EQ("Settings-Observer's k factor - k of R = k (10 g + f)", commands[39]);
  EXPECT_EQ(0u, commands[40].rfind("File-Export region summary - ", 0));
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const bool blank = i == 7 || i == 10 || i == 12 || i == 14 || i == 18 || i == 24 || i == 27 || i == 34 || i == 37;
    EXPECT_EQ(blank, commands[i].empty()) << "line " << i + 1;
  }
  // Every View key and menu item of the window, and Automatic limb.
  for (const char* has : {"Zoom in (Ctrl++)", "Zoom out (Ctrl+-)", "Ctrl + mouse wheel", "Fit to window (Ctrl+0)",
                          "Actual pixels (Ctrl+1)", "Brightness scale", "Shift + mouse wheel", "Automatic limb", "Tools-Series",
                          "Tools-Monthly report"}) {
    EXPECT_NE(CommandsText().find(has), std::string::npos) << has;
  }

  const std::vector<std::string> note = SplitCr(NoteText());
  ASSERT_EQ(4u, note.size());
  EXPECT_EQ("Important:", note[0]);
  EXPECT_EQ("Otherwise assumes that the orientation is mirrored and rotated.", note[3]);

  EXPECT_EQ(0u, AboutText().rfind("Pelorin v2.14 for Win9x", 0));
  EXPECT_EQ(1u, SplitCr(AboutText()).size());

  for (const std::string& text : {CommandsText(), NoteText(), AboutText()})
    EXPECT_EQ(std::string::npos, text.find('\n'));
}

// Each command shows its text in one message box and changes nothing else.
TEST(Help, CommandsShowTheirTexts) {
  struct Case {
    void (*handler)(App&);
    std::string text;
  };
  const std::vector<Case> cases = {
      {naredbe_Click, CommandsText()}, {uputa_Click, NoteText()}, {about_Click, AboutText()}};
  for (const Case& c : cases) {
    test::TestApp t;
    const std::string title = t.win.title;
    c.handler(t.app);
    ASSERT_EQ(1u, t.win.messages.size());
    EXPECT_EQ(c.text, t.win.messages[0]);
    EXPECT_EQ(title, t.win.title);
  }
}

}  // namespace
}  // namespace pelorin
