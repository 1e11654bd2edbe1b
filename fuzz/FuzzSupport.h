// What the fuzz targets share: a private working folder, a headless program
// (scripted window, in-memory picture), and a check that stops the run with a
// message when a property of the program does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ScriptedWindow.h"
#include "app/App.h"
#include "base/RasterPicture.h"

namespace pelorin::fuzz {

// Makes the process's working folder (once, under the system's temporary
// folder; removed at exit), empties it and makes it the current folder.
// Every input starts in an empty folder.
void EnterWorkFolder();

// The input as text, and a file of the working folder holding `bytes`.
std::string Text(const std::uint8_t* data, std::size_t size);
void WriteFile(const std::string& name, std::string_view bytes);
// The bytes of a file ("" when it cannot be read).
std::string ReadFile(const std::string& name);

// A small white BMP picture (8 x 8) written under `name`.
void WritePicture(const std::string& name);

// `text` cut at each occurrence of `separator`, into at most `parts` pieces
// (the last piece keeps the rest).
std::vector<std::string> Split(const std::string& text, std::string_view separator, std::size_t parts);

// A whole program without a screen, started (Form_Load) in the current
// folder. Message boxes are recorded, input boxes and dialogs answered from
// the window's queues.
struct Program {
  Program();
  test::ScriptedWindow win;
  RasterPicture pic;
  App app{win, pic};
};

// Stops the run (abort, so that the fuzzer keeps the input) with `what` on
// stderr when `ok` is false. Where a target checks many values per input,
// `if (!ok) Fail(...)` builds the message only when it is needed.
void Check(bool ok, const std::string& what);
void Check(bool ok, const char* what);
[[noreturn]] void Fail(const std::string& what);

}  // namespace pelorin::fuzz
