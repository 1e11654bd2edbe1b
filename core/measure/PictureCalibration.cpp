#include "measure/PictureCalibration.h"

#include <cstdint>
#include <filesystem>

#include "base/TextFile.h"

namespace pelorin {

bool CalibrationOfDataFile(const DataFileContents& c, const std::string& pictureName, PictureCalibration& out) {
  if (!c.headerComplete || !(c.rk > 0) || !(c.rho0 > 0)) return false;
  std::int16_t type = 0, northUp = 0;
  float dateKnown = 0;
  ApplyTypeWord(c.typeWord, pictureName, type, northUp, dateKnown);
  PictureCalibration p;
  p.cal.x0 = c.x0;
  p.cal.y0 = c.y0;
  p.cal.rk = c.rk;
  p.cal.northUp = type == 1 || northUp == 1;
  p.cal.P = p.cal.northUp ? 0 : c.P;
  p.cal.B0 = c.B0;
  p.cal.L0 = c.L0;
  p.cal.rho0 = c.rho0;
  p.cal.orientation = c.orientation;
  p.dateKnown = c.year > 0;
  p.year = static_cast<int>(c.year);
  p.month = static_cast<int>(c.month);
  p.day = static_cast<int>(c.day);
  p.hours = c.timeUT;
  out = p;
  return true;
}

CalErrors CalErrorsBeside(const std::string& dataFile) {
  const std::string path = CalFileNameOf(dataFile);
  std::error_code ec;
  CalErrors read;
  std::string error;
  try {
    if (std::filesystem::exists(path, ec) && ParseCalFile(ReadFileBytes(path), read, error)) return read;
  } catch (const FileError&) {
    // Unreadable: the assumed errors, as for none.
  }
  return AssumedCalErrors();
}

PictureCalibration CalibrationOfHeader(const HeaderCalibration& hc) {
  PictureCalibration p;
  p.cal.x0 = hc.x0;
  p.cal.y0 = hc.y0;
  p.cal.rk = hc.rk;
  p.cal.P = hc.P;
  p.cal.B0 = hc.B0;
  p.cal.L0 = hc.L0;
  p.cal.rho0 = hc.rho0;
  p.cal.orientation = hc.orientation;
  p.cal.northUp = hc.northUp == 1;
  p.errors = HeaderCalErrors();
  p.dateKnown = true;
  p.year = hc.time.year;
  p.month = hc.time.month;
  p.day = hc.time.day;
  p.hours = hc.time.hours;
  return p;
}

}  // namespace pelorin
