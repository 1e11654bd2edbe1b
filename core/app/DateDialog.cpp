#include "app/DateDialog.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/Text.h"
#include "base/TextFile.h"
#include "app/WorkFiles.h"
#include "base/Angles.h"
#include "geometry/Ephemeris.h"

namespace pelorin {

namespace {
// Number shown in a box: whole numbers without decimals.
std::string BoxText(double v) { return NumberText(v); }

int SpinValue(double v) {
  const double c = std::clamp(-v, -32768.0, 32767.0);
  return ToInt16(c);
}
}  // namespace

TypedField TypeIntoField(const std::string& text, int lo, int hi) {
  TypedField f{text, 0};
  if (LeadingNumber(f.text) > hi) f.text = BoxText(hi);
  if (LeadingNumber(f.text) < lo) f.text = BoxText(lo);
  f.spin = SpinValue(LeadingNumber(f.text));
  return f;
}

void DateDialog::Form_Load() {
  ProgramState& s = app_.s;
  s.DateKnown = 0;
  s.DateDialogReady = 0;
  const double date[3] = {s.DateDay, s.DateMonth, s.DateYear};
  for (int i = 0; i < 3; ++i) {
    de[static_cast<std::size_t>(i)] = BoxText(date[i]);
    deprom[static_cast<std::size_t>(i)] = SpinValue(date[i]);
  }
  double a = 0, b = 0, c = 0;
  DecimalToSexagesimal(s.TimeUT, a, b, c);
  const double t[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) {
    ra[static_cast<std::size_t>(i)] = BoxText(t[i]);
    raprom[static_cast<std::size_t>(i)] = SpinValue(t[i]);
  }
  s.DateDialogReady = 1;
}

void DateDialog::Change(std::array<std::string, 3>& box, std::array<int, 3>& spin, const std::array<int, 3>& mn,
                        const std::array<int, 3>& mx, int i, const std::string& text) {
  if (i < 0 || i > 2) return;
  const auto k = static_cast<std::size_t>(i);
  box[k] = text;
  if (app_.s.DateDialogReady == 0) return;
  TypedField f = TypeIntoField(text, -mx[k], -mn[k]);
  box[k] = std::move(f.text);
  spin[k] = f.spin;
}

void DateDialog::de_Change(int i, const std::string& text) { Change(de, deprom, kDeMin, kDeMax, i, text); }
void DateDialog::ra_Change(int i, const std::string& text) { Change(ra, raprom, kRaMin, kRaMax, i, text); }

void DateDialog::deprom_Change(int i, int value) {
  if (i < 0 || i > 2) return;
  const auto k = static_cast<std::size_t>(i);
  deprom[k] = std::clamp(value, kDeMin[k], kDeMax[k]);
  de[k] = BoxText(-deprom[k]);
}

void DateDialog::raprom_Change(int i, int value) {
  if (i < 0 || i > 2) return;
  const auto k = static_cast<std::size_t>(i);
  raprom[k] = std::clamp(value, kRaMin[k], kRaMax[k]);
  ra[k] = BoxText(-raprom[k]);
}

void DateDialog::de_KeyPress(int, int keyAscii) {
  if (keyAscii == 13) OK_Click();
}
void DateDialog::ra_KeyPress(int, int keyAscii) {
  if (keyAscii == 13) OK_Click();
}

void DateDialog::OK_Click() {
  ProgramState& s = app_.s;
  double t = 0;
  SexagesimalToDecimal(LeadingNumber(ra[0]), LeadingNumber(ra[1]), LeadingNumber(ra[2]), t);
  s.TimeUT = t;
  s.DateDay = LeadingNumber(de[0]);
  s.DateMonth = LeadingNumber(de[1]);
  s.DateYear = LeadingNumber(de[2]);
  SolarEphemeris(s.DateYear, s.DateMonth, s.DateDay, s.TimeUT, s.P, s.B0, s.L0, s.rho0);
  if (s.NorthUpImage == 1) s.P = 0;
  try {
    WriteDateLines(app_);
    app_.file2.Sync();
  } catch (const FileError& e) {
    app_.win.MessageBox(std::string("The date was not recorded in the working file: ") + e.what());
  }
  s.DateKnown = 1;
  app_.win.SetMenuEnabled(Menu::Ishodiste, false);
  app_.win.SetMenuEnabled(Menu::koor, false);
  Form_Unload();
}

void DateDialog::Cancel_Click() { Form_Unload(); }

void DateDialog::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  app_.win.SetMainEnabled(true);
  if (app_.s.DateKnown == 1) {
    app_.win.SetMenuEnabled(Menu::datum, false);
    app_.win.SetMenuEnabled(Menu::Limb, true);
  }
}

void datum_Click(App& app) {
  app.win.SetMainEnabled(false);
  DateDialog dialog(app);
  dialog.Form_Load();
  app.win.ShowDateDialog(dialog);
  if (!dialog.Unloaded()) dialog.Cancel_Click();
}

}  // namespace pelorin
