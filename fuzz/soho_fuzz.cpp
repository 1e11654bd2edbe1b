// The SOHO catalogues read in memory: the key nameconv.txt gives a picture
// name, and catalog.txt's entry for that key. A key is the first 18
// characters of a line holding the name, an entry's values are finite, and a
// lookup that fails changes nothing.
//
// Input: the picture name on the first line, then nameconv.txt, a line
// "&&&&", and catalog.txt.
// run-fuzz: -max_len=16384
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "formats/Soho.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts = fuzz::Split(fuzz::Text(data, size), "\n", 2);
  const std::string name = parts[0];
  parts = fuzz::Split(parts.size() > 1 ? parts[1] : std::string(), "\n&&&&\n", 2);
  const std::string& nameconv = parts[0];
  const std::string catalog = parts.size() > 1 ? parts[1] : std::string();

  std::string key = "unchanged";
  if (!SohoNameKey(nameconv, name, key)) {
    fuzz::Check(key == "unchanged", "a failed name lookup changed the key");
    // Any key may be looked up in the catalogue: the first line of the
    // name file stands for one.
    key = nameconv.substr(0, std::min<std::size_t>(18, nameconv.find_first_of("\r\n")));
  } else {
    fuzz::Check(name.size() > 4, "a key for a name without a name before its extension");
    fuzz::Check(key.size() <= 18 && nameconv.find(key) != std::string::npos, "a key not from the name file");
  }

  SohoEntry e;
  e.x0 = -77;
  if (SohoCatalogEntry(catalog, key, e)) {
    fuzz::Check(e.key == key, "an entry for another key");
    fuzz::Check(std::isfinite(e.x0) && std::isfinite(e.y0) && std::isfinite(e.rk) && std::isfinite(e.B0) &&
                    std::isfinite(e.timeUT) && std::isfinite(e.year) && std::isfinite(e.month) &&
                    std::isfinite(e.day),
                "a non-finite catalogue value");
    fuzz::Check(catalog.find("&#") != std::string::npos, "an entry without its start line");
  } else {
    fuzz::Check(e.x0 == -77, "a failed lookup changed its result");
  }
  return 0;
}
