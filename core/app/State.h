// The program state: the one set of variables through which every part of the
// program communicates. Member names are those the whole program uses.
//
// Units: picture positions are pixels of the picture, x to the right, y
// downwards, (0, 0) at the top-left corner. Angles are degrees. Values that
// were free-typed in the original design (dates, the ephemeris, the zero
// point, points) are doubles here; an unset one is 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/PointStore.h"
#include "formats/Catalogue.h"  // kMaxBlocks
#include "geometry/Grid.h"

namespace pelorin {

inline constexpr int kMaxPictures = 1000;     // PictureList indices 1..1000
inline constexpr int kMaxGroupNames = 100;    // named reference groups per block
inline constexpr int kMaxRefMarks = 1000;     // reference spots/groups placed

struct ProgramState {
  // Picture and files.
  std::string DataFileName;            // data file of the picture (full picture path while opening)
  std::int16_t ImageType = 0;          // 0 scan, 1 SOHO, 2 other, 3 photo
  std::int16_t NorthUpImage = 0;       // 1: north up, west right
  float DateKnown = 0;                 // 1 once date and time are known
  std::string PictureFolder;           // folder of the picture, with trailing separator
  std::array<std::string, kMaxPictures + 1> PictureList{};  // *.jpg names, from index 1
  std::int16_t PictureCount = 0;
  std::int16_t PictureIndex = 0;
  std::int16_t OpenFromList = 0;       // Boolean: next Open takes PictureList(PictureIndex)
  std::string DirEntry;

  // Observation time and ephemeris.
  double DateDay = 1, DateMonth = 1, DateYear = 1995;
  double TimeUT = 0;                   // UT, decimal hours
  double P = 0;                        // position angle of the rotation axis, deg
  double B0 = 0;                       // heliographic latitude of the disc centre, deg
  double L0 = 0;                       // Carrington longitude of the disc centre, deg
  double rho0 = 0;                     // Sun-Earth distance, AU
  double DateDialogReady = 0;

  // Calibration and coordinate systems.
  float CalibrationState = 0;          // 0 nothing, 1 limb, 2 orientation, 3 both
  float CoordSystem = 0;               // 0..7 rectangular, 8/9 polar
  double ZeroPointX = 0, ZeroPointY = 0;  // picture pixels
  float ZeroPointPending = 0;
  double LimbRadius = 0;               // disc radius, picture pixels
  double OrientationAngle = 0;         // deg
  double DirectionChoice = 0;          // frame 0..3, +4 for perpendicular
  std::int16_t AxisInput = 0;          // Boolean: rotation-axis input

  // Clicked points and objects (index 0 unused).
  PointArray PointX{};
  PointArray PointY{};
  std::int16_t PointCount = 0;
  std::int16_t StoredPointCount = 0;
  std::string ObjectName;

  // Point selection.
  std::int16_t ManualSelection = 0;    // Boolean: clicks taken as they are
  std::int16_t AutoselectMode = 0;     // 0 Nearest, 1 Darkest, 2 Weighted
  std::array<std::string, 3> AutoselectNames{};
  std::string SelectModeText;

  // Display and overlays.
  std::int16_t PixelGridStep = 1280;   // 10..1280, 1280 = no pixel grid
  std::uint8_t GridOn = 0;
  GridArray GridPointX{};
  GridArray GridPointY{};
  std::int16_t GridColour = 0;         // palette index 0 or 14
  std::uint8_t ShowObjects = 0;
  float TwipsPerPixel = 15;
  std::int16_t QuickMoveX = 0, QuickMoveY = 0;
  std::uint8_t QuickMoveActive = 0;
  // Scroll values in twips; 32 bits so that pictures beyond 32767 twips
  // (about 2200 pixels) can be dragged to their far edge.
  std::int32_t QuickMoveValueH = 0, QuickMoveValueV = 0;

  // Reference comparison.
  std::uint8_t CompareOn = 0;
  float CatalogueBlock = 0;
  std::int16_t CatalogueBlockCount = 0;
  std::array<double, kMaxBlocks + 1> CatalogueBlockLine{};      // first line of each block (1-based)
  std::array<std::int64_t, kMaxBlocks + 2> CatalogueBlockOffset{};  // byte offset of each block's first line
  std::int16_t GreenwichFormat = 0;
  double CompareDayOffset = 0;
  std::array<std::int16_t, kMaxRefMarks + 1> RefSpotX{}, RefSpotY{};
  std::int16_t RefSpotCount = 0;
  std::array<std::int16_t, kMaxRefMarks + 1> RefGroupX{}, RefGroupY{};
  std::array<std::string, kMaxGroupNames + 1> RefGroupName{};
  std::int16_t RefGroupCount = 0;
  std::int16_t ShowGroupNames = 0;
  std::int16_t AllGroupNames = -1;
  std::int16_t GroupNameIndex = 1;

  // Scratch of the autoselect routines.
  float SampleX = 0, SampleY = 0;
  std::int32_t SampleColor = 0;
  std::int32_t SampleRed = 0, SampleGreen = 0, SampleBlue = 0;
};

}  // namespace pelorin
