#include "BenchScene.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "base/Text.h"
#include "app/Compare.h"
#include "app/DataFileIO.h"
#include "app/WorkFiles.h"
#include "app/Geometry.h"

namespace pelorin::bench {

namespace {

// A fixed sequence in [0, 1): the same inputs on every run.
class Sequence {
 public:
  double Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

double Reduce360(double a) {
  a = std::fmod(a, 360.0);
  return a < 0 ? a + 360.0 : a;
}

}  // namespace

gen::Scene SquareScene(int side_px) {
  gen::Scene sc;
  sc.year = 2003, sc.month = 5, sc.day = 17, sc.hour = 7, sc.minute = 45, sc.second = 0;
  sc.width_px = side_px;
  sc.height_px = side_px;
  sc.x0_px = side_px / 2.0 + 0.3;
  sc.y0_px = side_px / 2.0 - 0.2;
  sc.rk_px = 0.45 * side_px;
  sc.orientation_deg = 203.5;
  sc.northUp = false;
  sc.style = gen::Style::Drawing;
  sc.limbPointCount = 0;
  sc.linePointCount = 0;
  return sc;
}

void WriteDataFile(App& app, const gen::Truth& truth, const std::string& pictureName, const std::string& dataName,
                   int records) {
  ProgramState& s = app.s;
  s.ImageType = 0;
  gen::ApplyCalibration(truth, s);
  app.file2.Open("temp.dat");
  WriteHeaderStart(app, pictureName);
  WriteDateLines(app);
  WriteDiscLine(app);
  WriteOrientationLine(app);
  Sequence seq;
  for (int i = 1; i <= records; ++i) {
    const double B = -50 + 100 * seq.Next();
    const double cmd = -70 + 140 * seq.Next();
    WriteObjectRecord(app, "g" + std::to_string((i - 1) / 10 + 1), B, cmd, Reduce360(s.L0 + cmd));
  }
  app.file2.Close();
  std::filesystem::copy_file("temp.dat", dataName, std::filesystem::copy_options::overwrite_existing);
}

gen::DpdBlock ReferenceBlock(const gen::Truth& truth, int groups, int spotsPerGroup) {
  gen::DpdBlock block;
  block.year = truth.year, block.month = truth.month, block.day = truth.day;
  block.hour = truth.hour, block.minute = truth.minute, block.second = truth.second;
  Sequence seq;
  for (int g = 1; g <= groups; ++g) {
    gen::DpdGroup group;
    char name[8];
    std::snprintf(name, sizeof name, "G%03d", g % 1000);
    group.name = name;
    group.B_deg = -40 + 80 * seq.Next();
    group.L_deg = Reduce360(truth.eph.L0_deg - 60 + 120 * seq.Next());
    for (int k = 0; k < spotsPerGroup; ++k)
      group.spots.push_back({Reduce360(group.L_deg - 2 + 4 * seq.Next()), group.B_deg - 2 + 4 * seq.Next()});
    block.groups.push_back(group);
  }
  return block;
}

gen::Truth SetUpMeasuring(App& app, int side_px, int pixelGridStep) {
  ProgramState& s = app.s;
  const gen::Truth truth = gen::ComputeTruth(SquareScene(side_px));
  WriteDataFile(app, truth, "x.jpg", "x.dat", 1000);
  const std::string notRead = ReadDataFile(app, "x.dat", "x.jpg");
  if (!notRead.empty() || s.StoredPointCount != 1000) throw std::runtime_error("x.dat was not read back: " + notRead);
  s.ShowObjects = 1;
  ComputeGrid(s);
  s.GridOn = 1;
  gen::WriteDpd("DPD1.txt", {ReferenceBlock(truth, 100, 3)});
  s.CatalogueBlockCount = 0;
  s.CompareOn = 1;
  if (!CompareCatalogue(app)) throw std::runtime_error("the reference block was not read");
  if (s.RefGroupCount != 100 || s.RefSpotCount != 300)
    throw std::runtime_error("the reference block was not placed whole");
  s.ShowGroupNames = kTrue;
  s.AllGroupNames = kTrue;
  s.PixelGridStep = static_cast<std::int16_t>(pixelGridStep);
  return truth;
}

void WriteCatalogue(const gen::Truth& truth, int blocks) {
  using namespace std::chrono;
  const sys_days picture = year_month_day{year{truth.year}, month{static_cast<unsigned>(truth.month)},
                                          day{static_cast<unsigned>(truth.day)}};
  const gen::DpdBlock model = ReferenceBlock(truth, 5, 2);
  std::vector<gen::DpdBlock> all;
  all.reserve(static_cast<std::size_t>(blocks));
  for (int i = 0; i < blocks; ++i) {
    const year_month_day d{picture + days{i - blocks / 2}};
    gen::DpdBlock b = model;
    b.year = static_cast<int>(d.year());
    b.month = static_cast<int>(static_cast<unsigned>(d.month()));
    b.day = static_cast<int>(static_cast<unsigned>(d.day()));
    all.push_back(std::move(b));
  }
  gen::WriteDpd("DPD1.txt", all);
}

}  // namespace pelorin::bench
