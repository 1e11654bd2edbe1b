// The two narrow ports through which the core reaches the platform: the main
// window (menus, End buttons, status line, title, scroll bars, boxes, file
// dialogs and the four modal dialogs) and the picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Brightness.h"
#include "base/PictureHeader.h"

namespace pelorin {

class DateDialog;
class CoordDialog;
class DirectionDialog;

// Menu items of the main window, named as the program names them.
enum class Menu {
  File, ucitavanje, spremi, spremisliku, ExportMeasurements, ExportRegionSummary, Close,
  Edit, Undo, Redo,
  Setings, koor, Ishodiste, datum, Ulaz, Limb, AutoLimb, orient, dnevnihod, ossunca, Objekt, ObserverK,
  Tools, Selectmode, Compare, Series, MonthlyReport, FindSpots,
  View, mreza, objectview, Measurements,
  Help, uputa, naredbe, about,
  Count
};

// Caption of each menu item at start-up.
const char* MenuCaption(Menu m);
// Name of each menu item ("ucitavanje", "spremi", ...).
const char* MenuName(Menu m);

// The three "End" buttons of the main window.
enum class EndButton { limbend, dirend, Objektend };

enum class ScrollBar { H, V };

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // Enables or disables a menu item. "Automatic limb" (AutoLimb) starts the
  // limb input as "Sun's limb" (Limb) does, so it follows Limb's state.
  // "Find sunspots" (FindSpots) needs what "New object" (Objekt) needs, a
  // calibrated picture and no input open, so it follows Objekt's state.
  void SetMenuEnabled(Menu m, bool enabled) {
    SetItemEnabled(m, enabled);
    if (m == Menu::Limb) SetItemEnabled(Menu::AutoLimb, enabled);
    if (m == Menu::Objekt) SetItemEnabled(Menu::FindSpots, enabled);
  }
  virtual bool MenuEnabled(Menu m) const = 0;
  virtual void SetMenuCaption(Menu m, const std::string& caption) = 0;

  virtual void SetEndVisible(EndButton b, bool visible) = 0;
  virtual bool EndVisible(EndButton b) const = 0;
  // Top of the button, twips of the window.
  virtual void SetEndTop(EndButton b, int topTwips) = 0;

  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetTitle(const std::string& text) = 0;

  // Scroll values are twips of the window; minimum 0.
  virtual int ScrollValue(ScrollBar b) const = 0;
  virtual int ScrollMax(ScrollBar b) const = 0;
  // Sets a value inside 0..max; the core clamps before it calls.
  virtual void SetScrollValue(ScrollBar b, int value) = 0;
  virtual void SetScrollMax(ScrollBar b, int max) = 0;

  // The main window accepts input (false while a modal dialog is open).
  virtual void SetMainEnabled(bool enabled) = 0;

  // A modal message box with an OK button.
  virtual void MessageBox(const std::string& text) = 0;
  // A modal question titled `title` with one button per caption, left to
  // right. Returns the index of the button chosen, or -1 when the box was
  // closed without a choice (Escape, its close box).
  virtual int Question(const std::string& title, const std::string& text,
                       const std::vector<std::string>& buttons) = 0;
  // An input box; Cancel returns the empty text.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText) = 0;
  // File dialogs; std::nullopt on Cancel. `filter` is "Label|*.a;*.b|Label|*.*".
  virtual std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter) = 0;
  // The save dialog asks before an existing file is replaced, except for
  // `replaceWithoutAsking` (a full path; empty: none), a file the program
  // itself created empty and may overwrite unasked.
  virtual std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                                    const std::string& presetName,
                                                    const std::string& replaceWithoutAsking) = 0;

  // The modal dialogs. Each call shows the dialog, lets the user drive the
  // model, and returns once the model says it was unloaded.
  virtual void ShowDateDialog(DateDialog& dialog) = 0;
  virtual void ShowCoordDialog(CoordDialog& dialog) = 0;
  virtual void ShowDirectionDialog(DirectionDialog& dialog) = 0;

 protected:
  // The one item's state, as SetMenuEnabled decides it.
  virtual void SetItemEnabled(Menu m, bool enabled) = 0;
};

// Colours are 24-bit values with red in the low byte: 0x00BBGGRR.
constexpr std::uint32_t RGB(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}
// The 16-colour palette entries the marks use.
std::uint32_t QBColor(int index);

class PicturePort {
 public:
  virtual ~PicturePort() = default;

  // Size of the picture in pixels; 0 x 0 before a picture is loaded.
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Colour of the pixel at (x, y), positions rounded to the nearest pixel;
  // -1 outside the picture.
  virtual std::int32_t Point(double x, double y) const = 0;
  // Set one pixel; outside the picture nothing happens.
  virtual void PSet(double x, double y, std::uint32_t colour) = 0;
  // A 3 x 3 mark: the nine pixels PSet sets at (x + i, y + j), i and j in
  // -1..1. A picture shown at another scale may draw it larger or smaller
  // than nine pixels; saved, it is those nine.
  virtual void Mark3x3(double x, double y, std::uint32_t colour);
  // A measured point (limb, direction or object point being entered): the
  // pixel PSet sets at (x, y), which is all a saved picture holds of it. A
  // picture shown on screen draws a mark around it as well that shows on
  // any background at every zoom.
  virtual void PointMark(double x, double y, std::uint32_t colour);
  // A line between two points, both ends included, clipped to the picture.
  virtual void Line(double x1, double y1, double x2, double y2, std::uint32_t colour) = 0;
  // One line of text with its top-left corner at (x, y).
  virtual void Print(double x, double y, const std::string& text, int sizePoints, bool bold,
                     std::uint32_t colour) = 0;

  // Puts the untouched copy of the loaded picture back (removes every mark).
  virtual void RestoreClean() = 0;
  // Shows the current picture on screen.
  virtual void Refresh() = 0;

  // Loads a BMP or JPEG file (decided by content) as the new picture and its
  // clean copy. On failure returns false, leaves the picture as it was and
  // says why in `error`.
  virtual bool Load(const std::string& path, std::string& error) = 0;
  // Writes the picture with its marks as a BMP file; false with `error` set
  // when it cannot be written.
  virtual bool SaveBmp(const std::string& path, std::string& error) const = 0;

  // The header of the loaded picture (FITS keywords); empty for pictures
  // without one. Replaced by every successful Load.
  virtual const PictureHeader& Header() const = 0;

  // Something to tell the user about the picture just loaded (a FITS cube
  // shown by its first plane); empty when there is nothing. Replaced by
  // every successful Load.
  virtual std::string Note() const { return {}; }

  // Pictures of measured data (FITS, grey JPEG 2000) keep their data levels
  // and are shown under a brightness scale; other pictures have none.
  virtual bool HasDataLevels() const { return false; }
  // The data levels of such a picture, as read (before any brightness
  // scale); nullptr for other pictures.
  virtual const DataLevels* MeasuredLevels() const { return nullptr; }
  // The scale pictures of data are shown under (it holds for the next such
  // picture too).
  virtual BrightnessScale Brightness() const { return BrightnessScale::Linear; }
  // Chooses the scale and shows the picture's data under it: the clean
  // picture is made again and every mark goes, so the caller redraws. False
  // when the picture has no data levels (the scale is still chosen).
  virtual bool SetBrightness(BrightnessScale) { return false; }
};

}  // namespace pelorin
