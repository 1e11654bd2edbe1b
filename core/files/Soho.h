// The SOHO catalogues nameconv.txt and catalog.txt.
#pragma once

#include <string>

namespace pelorin {

struct SohoEntry {
  double year = 0, month = 0, day = 0, timeUT = 0;
  double x0 = 0, y0 = 0, rk = 0, B0 = 0;
  std::string key;
};

// Looks the bare picture name up in `folder`/nameconv.txt and the key it
// gives in `folder`/catalog.txt. Returns false with `error` naming the file
// and the name or key not found (or the file that cannot be read).
bool SohoLookup(const std::string& folder, const std::string& pictureName, SohoEntry& out, std::string& error);

}  // namespace pelorin
