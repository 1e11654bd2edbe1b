// A whole program for headless tests: scripted window, in-memory picture, the
// program started in a fresh temporary folder that becomes the current one.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "ScriptedWindow.h"
#include "app/App.h"
#include "base/RasterPicture.h"

namespace pelorin::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// Reads a whole file as bytes ("" when missing).
std::string ReadAll(const std::string& path);
// Writes bytes to a file.
void WriteAll(const std::string& path, const std::string& bytes);

// The calibrated picture of the geometry notes' examples: a disc of radius
// 400 px about (500, 500), P = 10, B0 = 5, L0 = 100 (degrees), rho0 = 0.99 AU.
// The orientation is left as it is.
inline void CalibrateExample(ProgramState& s) {
  s.ZeroPointX = 500;
  s.ZeroPointY = 500;
  s.LimbRadius = 400;
  s.P = 10;
  s.B0 = 5;
  s.L0 = 100;
  s.rho0 = 0.99;
  s.CalibrationState = 3;
}

// The in-memory picture, which can also give a header to the pictures it
// loads, as the FITS and JPEG 2000 readers do: `headers` by the file's bare
// name.
class HeaderedPicture : public RasterPicture {
 public:
  std::map<std::string, PictureHeader> headers;
  bool Load(const std::string& path, std::string& error) override {
    if (!RasterPicture::Load(path, error)) return false;
    const auto it = headers.find(std::filesystem::path(path).filename().string());
    if (it != headers.end()) SetHeader(it->second);
    return true;
  }
};

struct TestApp {
  TestApp();  // runs Form_Load in a fresh temporary folder
  TempFolder folder;
  ScriptedWindow win;
  HeaderedPicture pic;
  App app{win, pic};
};

}  // namespace pelorin::test
