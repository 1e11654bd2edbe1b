// Placeholders until the date and coordinate dialogs land.
#include <stdexcept>

#include "geometry/CoordDialog.h"
#include "geometry/DateDialog.h"

namespace pelorin {
void DateDialog::Form_Load() {}
void DateDialog::de_Change(int, const std::string&) {}
void DateDialog::ra_Change(int, const std::string&) {}
void DateDialog::deprom_Change(int, int) {}
void DateDialog::raprom_Change(int, int) {}
void DateDialog::de_KeyPress(int, int) {}
void DateDialog::ra_KeyPress(int, int) {}
void DateDialog::OK_Click() { unloaded_ = true; }
void DateDialog::Cancel_Click() { unloaded_ = true; }
void datum_Click(App&) {}
void CoordDialog::Picture_Click(int) { unloaded_ = true; }
void CoordDialog::Label1_Click(int) { unloaded_ = true; }
void CoordDialog::Cancel_Click() { unloaded_ = true; }
void koor_Click(App&) {}
void Ishodiste_Click(App&) {}
}  // namespace pelorin
