// One prepared program at a time: a benchmark asks for the fixture it needs
// by key; the one held before is released first (pictures of 8192 x 8192
// take half a gigabyte with their clean copy, and every fixture owns the
// current folder while it lives).
#pragma once

#include <benchmark/benchmark.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "BenchScene.h"
#include "app/Dispatcher.h"

namespace pelorin::bench {

// Releases the fixture held now, if any.
void ReleaseFixture();
// Key of the fixture held now ("" for none).
const std::string& FixtureKey();
void HoldFixture(const std::string& key, std::function<void()> release);

// The fixture of type T for `key`, made with `setUp` when it is not the one
// held. Returns nullptr (after telling the benchmark) when set-up fails.
template <class T>
T* Fixture(benchmark::State& state, const std::string& key, const std::function<void(T&)>& setUp) {
  static T* held = nullptr;
  if (held != nullptr && FixtureKey() == key) return held;
  ReleaseFixture();
  try {
    auto made = std::make_unique<T>();
    setUp(*made);
    held = made.release();
    HoldFixture(key, [] {
      delete held;
      held = nullptr;
    });
    return held;
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return nullptr;
  }
}

// One redraw (DoCommand with "*") of a side x side picture in the measuring
// state of SetUpMeasuring, with the pixel grid at `step` (1280: off).
template <class Pic>
void RedrawBenchmark(benchmark::State& state, const std::string& variant, int side, int step) {
  using A = BenchApp<Pic>;
  A* a = Fixture<A>(state, "measuring/" + variant + "/" + std::to_string(side), [side](A& f) {
    f.pic.Fill(side, side, RGB(200, 200, 200));
    SetUpMeasuring(f.app, side, 1280);
  });
  if (a == nullptr) return;
  a->app.s.PixelGridStep = static_cast<std::int16_t>(step);
  Redraw(a->app);
  for (auto _ : state) Redraw(a->app);
}

}  // namespace pelorin::bench
