// Kanzelhöhe picture names on their own: the prefix decides the kind, the
// date and time come from their fixed positions (and nothing after them),
// always finite, and the folder part of a path never reaches the bare name.
// run-fuzz: -max_len=256
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/PictureLoad.h"
#include "formats/PictureNames.h"

using namespace pelorin;

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name = fuzz::Text(data, size);
  const KanzelhoeheName kind = KanzelhoeheKind(name);
  const KanzelhoeheName expected = StartsWith(name, "kanz_drawx")                                    ? KanzelhoeheName::Drawing
                                   : StartsWith(name, "kanz_halph") || StartsWith(name, "kanz_bband") ? KanzelhoeheName::NorthUp
                                                                                                      : KanzelhoeheName::None;
  if (kind != expected) fuzz::Fail("the kind of \"" + name + "\"");

  double year = -1, month = -1, day = -1, hours = -1;
  const bool dated = KanzelhoeheDate(name, year, month, day, hours);
  fuzz::Check(dated == (kind != KanzelhoeheName::None), "a date without the prefix, or none with it");
  if (dated) {
    if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(day) || !std::isfinite(hours))
      fuzz::Fail("a non-finite date from \"" + name + "\"");
    // The date ends at position 27: what follows does not change it.
    double y = 0, m = 0, d = 0, h = 0;
    fuzz::Check(KanzelhoeheDate(name.substr(0, 27), y, m, d, h) && y == year && m == month && d == day && h == hours,
                "the characters after the time changed the date");
  } else {
    fuzz::Check(year == -1 && month == -1 && day == -1 && hours == -1, "an undated name changed the date");
  }

  // The bare name of a path: what follows the last separator.
  const std::string bare = BareName(name);
  fuzz::Check(bare.find_first_of("/\\") == std::string::npos, "a separator in the bare name");
  fuzz::Check(name.size() >= bare.size() && name.compare(name.size() - bare.size(), bare.size(), bare) == 0,
              "the bare name is not the end of the path");
  fuzz::Check(BareName("folder/" + name) == bare && BareName("C:\\pictures\\" + name) == bare,
              "a folder before the path changed its bare name");
  return 0;
}
