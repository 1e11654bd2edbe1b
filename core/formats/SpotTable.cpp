#include "formats/SpotTable.h"

namespace pelorin {

SpotCounts CountSpots(const std::vector<SpotGroup>& groups, double k) {
  SpotCounts c;
  for (const SpotGroup& g : groups) {
    const int f = static_cast<int>(g.spots.size());
    c.groups += 1;
    c.spots += f;
    if (g.north) {
      c.northGroups += 1;
      c.northSpots += f;
    } else {
      c.southGroups += 1;
      c.southSpots += f;
    }
  }
  c.wolf = k * (10.0 * c.groups + c.spots);
  c.northWolf = k * (10.0 * c.northGroups + c.northSpots);
  c.southWolf = k * (10.0 * c.southGroups + c.southSpots);
  return c;
}

}  // namespace pelorin
