// The sample pictures that come with the program (the folder samples/): a
// Kanzelhöhe drawing measured before, with its data file; a north-up
// Kanzelhöhe H-alpha picture; a Kanzelhöhe broadband photo; a SOHO picture
// with the catalogues that calibrate it; a picture of another type; and the
// reference catalogue DPD1.txt for their days. All show the same sunspot
// groups, which keep their Carrington positions from day to day.
//
// The set is defined here once, so that the folder can be made again byte
// for byte (pelorin-samples) and tests can check the folder against it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Catalogues.h"
#include "DataPictures.h"
#include "MeasuredFile.h"
#include "SpotPictures.h"
#include "SunPicture.h"

namespace pelorin::gen {

// A sunspot group: its spots at fixed heliographic latitude B and Carrington
// longitude L. Spot names are the group name followed by a letter.
struct SampleGroup {
  std::string name;  // 1..6 characters (the reference catalogue's column)
  std::vector<Spot> spots;
};

struct SamplePicture {
  std::string fileName;  // bare picture name in the folder
  int imageType = 0;     // the answer to "Type of image": 0 scan, 1 SOHO, 2 other, 3 photo
  std::string what;      // one line for the folder's README
  Scene scene;           // its spots are every spot of the groups that faces the observer
  // Objects of the picture's data file; empty: the picture has none.
  std::vector<MeasuredObject> measured;
};

struct SampleSet {
  std::vector<SampleGroup> groups;
  std::vector<SamplePicture> pictures;
  std::vector<DpdBlock> reference;  // DPD1.txt: one block per day around the pictures' dates
  // A FITS picture with a whole header (16-bit, Rice-compressed).
  std::string fitsName;
  SolarFits fits;
  // A white-light photograph whose spots are modelled on the sphere (groups
  // of known McIntosh class at the groups' positions), with its data file
  // (the calibration, no records) and its truth (`<name>.truth.csv`).
  std::string whiteLightName;
  WlScene whiteLight;
};

// The bundled set.
SampleSet BundledSamples();

// The data file name the program gives a picture: its name with the last
// three characters replaced by "dat".
std::string DataFileNameOf(const std::string& pictureName);

// Writes the text files of the set into `folder` (which must exist): the
// data files of the measured pictures, nameconv.txt and catalog.txt for the
// SOHO pictures, DPD1.txt and README.md (what each file is, the type to enter,
// the true positions of the spots). Returns their bare names. Throws
// FileError naming a file that cannot be written, std::invalid_argument for
// a set that cannot be written (as the writers it calls).
std::vector<std::string> WriteSampleTexts(const SampleSet& set, const std::string& folder);

// Renders every picture of the set and hands it to `savePicture` with the
// path it belongs at (folder + "/" + fileName), writes the FITS picture
// (WriteSolarFits), then the text files.
// Returns the bare names of all files. Throws as WriteSampleTexts, and
// whatever `savePicture` throws.
std::vector<std::string> WriteSampleSet(const SampleSet& set, const std::string& folder,
                                        const std::function<void(const std::string&, const Rendered&)>& savePicture);

}  // namespace pelorin::gen
