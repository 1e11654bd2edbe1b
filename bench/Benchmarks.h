// The benchmarks of the program, registered under the names results.json
// and RESULTS.md use ("redraw_all/qt/4096", "readout/core", ...).
#pragma once

#include <array>

namespace pelorin::bench {

// Sides of the square pictures where the size matters.
inline constexpr std::array<int, 4> kSizes = {1024, 2048, 4096, 8192};

// Benchmarks on the core's in-memory picture.
void RegisterCore();
// The series: a season of data files read, tracked and fitted.
void RegisterSeries();
// Finding sunspots (spots_bench.cpp).
void RegisterSpots();
// pelorin-cli spots --write over 40 pictures, one and two at once
// (batch_bench.cpp).
void RegisterBatch();
// Pictures in the folder of the batch benchmark, for files per second.
inline constexpr int kBatchPictures = 40;
// Benchmarks on the program's Qt picture (decoding, text rendering).
void RegisterGui();
// Benchmarks of the program's view (painting at a zoom, the display cache).
void RegisterView();
// Both, where the Qt part was built.
void RegisterAll();

}  // namespace pelorin::bench
