// Placeholder until opening pictures lands.
#include <stdexcept>

#include "files/PictureLoad.h"

namespace pelorin {
void ucitavanje_Click(App&) {}
void OpenPicture(App& app, const std::string& path) { app.win.MessageBox(path + ": opening pictures is not built yet"); }
void LoadPictureData(App&, std::string&, int& result) { result = 1; }
bool KanzelhoeheDate(const std::string&, double&, double&, double&, double&) { return false; }
}  // namespace pelorin
