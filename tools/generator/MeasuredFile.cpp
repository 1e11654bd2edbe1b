#include "MeasuredFile.h"

#include <memory>
#include <stdexcept>

#include "SilentWindow.h"
#include "app/App.h"
#include "base/RasterPicture.h"
#include "app/WorkFiles.h"
#include "app/Geometry.h"

namespace pelorin::gen {

namespace {

const SpotTruth& FindSpot(const Truth& truth, const std::string& name) {
  for (const SpotTruth& s : truth.spots)
    if (s.name == name) return s;
  throw std::invalid_argument("measured object: the truth has no spot '" + name + "'");
}

void CheckType(int imageType) {
  if (imageType != 0 && imageType != 1 && imageType != 3)
    throw std::invalid_argument("measured data file: the image type must be 0, 1 or 3, not " +
                                std::to_string(imageType));
}

}  // namespace

std::vector<MeasuredRecord> MeasuredRecords(const Truth& truth, int imageType,
                                            const std::vector<MeasuredObject>& objects) {
  CheckType(imageType);
  auto s = std::make_unique<ProgramState>();
  ApplyCalibration(truth, *s);
  s->ImageType = static_cast<std::int16_t>(imageType);
  std::vector<MeasuredRecord> records;
  for (const MeasuredObject& o : objects) {
    if (o.name.find_first_of("\",") != std::string::npos)
      throw std::invalid_argument("measured object: the name '" + o.name + "' holds a double quote or a comma");
    for (const std::string& spot : o.spots) {
      const SpotTruth& st = FindSpot(truth, spot);
      MeasuredRecord r{o.name, 0, 0, 0};
      PixelToHeliographic(*s, static_cast<float>(st.x_px), static_cast<float>(st.y_px), s->OrientationAngle, r.B_deg,
                          r.CMD_deg, r.L_deg);
      records.push_back(r);
    }
  }
  return records;
}

void WriteMeasuredDataFile(const std::string& path, const Truth& truth, int imageType, const std::string& pictureName,
                           const std::vector<MeasuredObject>& objects) {
  const std::vector<MeasuredRecord> records = MeasuredRecords(truth, imageType, objects);
  SilentWindow window;
  RasterPicture picture;
  auto app = std::make_unique<App>(window, picture);
  ApplyCalibration(truth, app->s);
  app->s.ImageType = static_cast<std::int16_t>(imageType);
  app->file2.Open(path);
  WriteHeaderStart(*app, pictureName);
  WriteDateLines(*app);
  WriteDiscLine(*app);
  WriteOrientationLine(*app);
  for (const MeasuredRecord& r : records) WriteObjectRecord(*app, r.name, r.B_deg, r.CMD_deg, r.L_deg);
  app->file2.Close();
}

}  // namespace pelorin::gen
