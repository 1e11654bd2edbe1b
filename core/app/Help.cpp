#include "app/Help.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace pelorin {

namespace {

// The message box shows a carriage return as a line break; two in a row give
// an empty line. No break after the last line.
std::string JoinLines(std::initializer_list<const char*> lines) {
  std::string text;
  bool first = true;
  for (const char* line : lines) {
    if (!first) text += '\r';
    text += line;
    first = false;
  }
  return text;
}

// Help -> Commands, one block of lines for each part of the program, an
// empty line between blocks. A new command gets its line in the block it
// belongs to, or a block of its own at the end.
const std::vector<std::vector<const char*>> kCommandBlocks = {
    {
        "Tools-Compare - Turns on and off comparation with data in file DPD1.txt (red points)",
        "   o - one record back",
        "   p - one record forward",
        "   j - turns on and off name of Sunspot group",
        "   h - turns one or all names of Sunspot groups",
        "   k - one name back",
        "   l - one name forward",
    },
    {
        "   +/- - change grid density",
        "   c - change grid colour",
    },
    {
        "   a - change autoselect mode",
    },
    {
        "View-Object (u) - Show/hide saved points of current picture (green points)",
    },
    {
        "Shift + Left mouse button - quick picture move",
        "2, 4, 6, 8 - picture move",
        "Mouse wheel / Shift + mouse wheel - scroll up and down / sideways",
    },
    {
        "View-Zoom in (Ctrl++) / Zoom out (Ctrl+-) - zoom about the middle of the view",
        "Ctrl + mouse wheel - zoom about the pointer",
        "View-Fit to window (Ctrl+0) - the whole picture",
        "View-Actual pixels (Ctrl+1) - one picture pixel to one screen pixel",
        "View-Brightness scale - Linear, Square root or Logarithmic grey for FITS and JPEG 2000 data",
    },
    {
        "Settings-Input-Automatic limb - finds the solar disc and enters the limb points; End fits them",
        "   (EUV pictures: the limb-brightening peak; coronagraph pictures have no disc)",
    },
    {
        "Edit-Undo (Ctrl+Z), Redo (Ctrl+Shift+Z or Ctrl+Y) - the end of an object, delete, rename, merge, calibration",
        "View-Measurements (F9) - Show/hide the panel of measured objects and points",
        "   F2 - rename the selected object",
        "   Del - delete the selected objects or points",
        "   Ctrl+C - copy the selected rows for a spreadsheet",
        "File-Export measurements - the records as CSV",
    },
    {
        "Tools-Series - a season of data files: groups followed, the rotation law and its plots",
        "Tools-Monthly report - the day's counts of every measured picture of a folder, saved as CSV",
    },
    {
        "Tools-Find sunspots - propose the spots and groups of a calibrated picture for review; Accept records them",
        "Settings-Observer's k factor - k of R = k (10 g + f)",
        "File-Export region summary - the groups found, in the layout of NOAA's Solar Region Summary",
    },
};

}  // namespace

std::string CommandsText() {
  std::vector<const char*> lines;
  for (const auto& block : kCommandBlocks) {
    if (!lines.empty()) lines.push_back("");
    lines.insert(lines.end(), block.begin(), block.end());
  }
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : "\r") + std::string(lines[i]);
  return text;
}

std::string NoteText() {
  return JoinLines({
      "Important:",
      "Pelorin assumes that if filename begins with 'kanz_bband' or 'kanz_halph'",
      "then the orientation of the Sun is exactly N-up and W-right.",
      "Otherwise assumes that the orientation is mirrored and rotated.",
  });
}

std::string AboutText() {
  return "Pelorin v2.14 for Win9x - measuring sunspot positions on solar pictures; by the Pelorin developers";
}

void naredbe_Click(App& app) { app.win.MessageBox(CommandsText()); }

void uputa_Click(App& app) { app.win.MessageBox(NoteText()); }

void about_Click(App& app) { app.win.MessageBox(AboutText()); }

}  // namespace pelorin
