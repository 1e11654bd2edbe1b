#include "files/PictureNames.h"

namespace pelorin {

KanzelhoeheName KanzelhoeheKind(std::string_view name) {
  const std::string_view prefix = name.substr(0, 10);
  if (prefix == "kanz_drawx") return KanzelhoeheName::Drawing;
  if (prefix == "kanz_halph" || prefix == "kanz_bband") return KanzelhoeheName::NorthUp;
  return KanzelhoeheName::None;
}

std::string BareName(const std::string& path) {
  const std::size_t sep = path.find_last_of("/\\");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace pelorin
