// The undo history of the open picture: what each step changed, as the
// states before and after it. Plain data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Ports.h"
#include "geometry/Grid.h"
#include "measure/Records.h"

namespace pelorin {

// What a limb or orientation calibration changes besides the working file:
// the calibration in the program state, the grid drawn from it, the inputs'
// End buttons and the menu items enabled.
struct CalibrationState {
  float calibration = 0;
  double zeroX = 0, zeroY = 0, radius = 0, orientation = 0, direction = 0;
  std::int16_t axisInput = 0, autoselectMode = 0;
  float coordSystem = 0;
  std::string selectModeText;
  std::uint8_t gridOn = 0;
  GridArray gridX{}, gridY{};
  std::array<bool, static_cast<std::size_t>(Menu::Count)> menus{};
  bool limbEnd = false, dirEnd = false;
};

// A state the history can return to: the working file's lines (with the
// picture positions of the records) and, for a calibration, the rest.
struct EditSnapshot {
  RecordList records;
  std::optional<CalibrationState> calibration;
};

struct EditStep {
  std::string what;  // "Delete G3", "Limb calibration", ...
  EditSnapshot before, after;
};

// The per-picture book of records: the list in step with the working file,
// the undo and redo stacks, the calibration under way and the records the
// panel has selected (shown highlighted on the picture).
struct RecordBook {
  RecordList list;
  std::vector<EditStep> undo;  // last done at the back
  std::vector<EditStep> redo;  // last undone at the back
  std::optional<EditSnapshot> calibrationStart;
  std::vector<std::size_t> highlighted;  // indices into list.lines
  // Counts the changes of `list`, so that a view of it knows when to read
  // it again.
  std::uint64_t generation = 0;
};

}  // namespace pelorin
