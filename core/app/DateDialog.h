// The date and time dialog "vrijeme": the behaviour of its fields, spin
// buttons and buttons. The toolkit's widget only shows this model.
#pragma once

#include <array>
#include <string>

#include "app/App.h"

namespace pelorin {

// What a box of the dialog shows, and its spin button holds, once `text` has
// been typed into it: text whose leading number is above `hi` or below `lo`
// becomes that bound's text, other text stays as typed; the spin button
// holds the negated leading number, rounded, within the 16-bit range.
struct TypedField {
  std::string text;
  int spin = 0;
};
TypedField TypeIntoField(const std::string& text, int lo, int hi);

class DateDialog {
 public:
  explicit DateDialog(App& app) : app_(app) {}

  // Fills the fields from the program state (DateKnown = 0 first).
  void Form_Load();

  // Text typed into de(i) (day, month, year) or ra(i) (hours, minutes,
  // seconds): clamped to the field's range; the spin button follows.
  void de_Change(int i, const std::string& text);
  void ra_Change(int i, const std::string& text);
  // A spin button moved to `value` (the negated number): the box follows.
  void deprom_Change(int i, int value);
  void raprom_Change(int i, int value);
  // A key in a box; 13 (Enter) confirms as OK does.
  void de_KeyPress(int i, int keyAscii);
  void ra_KeyPress(int i, int keyAscii);

  // OK: computes the ephemeris, stores date, time and ephemeris, appends the
  // header lines to temp.dat and unloads. A write failure is reported in a
  // message box; the values stay stored.
  void OK_Click();
  // Cancel (or the close box): unloads, nothing stored.
  void Cancel_Click();

  bool Unloaded() const { return unloaded_; }

  std::array<std::string, 3> de, ra;       // box texts
  std::array<int, 3> deprom{}, raprom{};   // spin values (negated numbers)
  static constexpr std::array<int, 3> kDeMin{-31, -12, -3000}, kDeMax{-1, -1, -1};
  static constexpr std::array<int, 3> kRaMin{-23, -59, -59}, kRaMax{0, 0, 0};

 private:
  void Change(std::array<std::string, 3>& box, std::array<int, 3>& spin, const std::array<int, 3>& mn,
              const std::array<int, 3>& mx, int i, const std::string& text);
  void Form_Unload();
  App& app_;
  bool unloaded_ = false;
};

// Settings -> "Date and Time": disables the main window, shows the dialog,
// and when it closes enables the main window and, once the date is known,
// moves the menus on to the limb.
void datum_Click(App& app);

}  // namespace pelorin
