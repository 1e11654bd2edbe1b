#include "Fixtures.h"

namespace pelorin::bench {

namespace {
std::string held;
std::function<void()> release;
}  // namespace

void ReleaseFixture() {
  if (release) {
    auto r = std::move(release);
    release = nullptr;
    held.clear();
    r();
  }
}

const std::string& FixtureKey() { return held; }

void HoldFixture(const std::string& key, std::function<void()> r) {
  held = key;
  release = std::move(r);
}

}  // namespace pelorin::bench
