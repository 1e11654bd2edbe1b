// The .spots.csv beside a data file, kept in step with the records: written
// on Save from the records that came from the detection (those with an
// area), read back when the picture opens, so that the areas and classes
// show again. The data file stays the truth: a .spots.csv that does not
// match its records is only noted.
#pragma once

#include <string>

#include "measure/Records.h"

namespace pelorin {

// The .spots.csv text (SpotsFileText, R with `k`) of the objects among
// `list` that hold a record with an area: every record of such an object is
// one of its spots, at its picture position and recorded B, CMD and L (an
// area not known counts 0); the group's class is its first record's. ""
// when no record has an area.
std::string SpotsTextOfRecords(const RecordList& list, double k);

// After the records were saved to `dataFile`: writes SpotsFileNameOf(dataFile)
// (beside it, then renamed over the old one); with no record of the
// detection, removes an old one, which would no longer match. "" when done,
// otherwise why, naming the file.
std::string SaveSpotsBeside(const RecordList& list, const std::string& dataFile, double k);

// After the picture and its data file opened: the .spots.csv beside
// `dataFile`, where there is one, gives each of its spots' records its area,
// umbra and class. "" when there is none or it matches the records;
// otherwise a note for the user naming the file and the disagreement, the
// records then left without areas.
std::string LoadSpotsBeside(RecordList& list, const std::string& dataFile);

}  // namespace pelorin
