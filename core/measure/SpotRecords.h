// The .spots.csv beside a data file, kept in step with the records: written
// on Save from the records that came from the detection (those with an
// area), read back when the picture opens, so that the areas and classes
// show again. The data file stays the truth: a .spots.csv that does not
// match its records is only noted.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "formats/DataFile.h"
#include "geometry/Transform.h"
#include "measure/Records.h"
#include "spots/Spots.h"

namespace pelorin {

// Accept's records, without the window: the groups of `report` whose
// `checked` entry is true (and that have spots), one record per spot under
// its group's name, its picture position turned into B, CMD and L by
// PixelToHeliographic with `cal` (and cal.orientation) exactly as End of an
// object turns a clicked point, written as measuring writes it. `next` is
// `list` with these records after its lines; each keeps the spot's picture
// position, area, umbra and its group's class. `exact`, when given,
// receives each record's B and CMD before the file's 5 decimals (what the
// point log takes). "" when done; otherwise why (the list's header is not
// whole, a position cannot be converted), `next` then untouched.
std::string AppendFoundSpots(const RecordList& list, const SpotReport& report, const std::vector<bool>& checked,
                             const DiscCalibration& cal, RecordList& next,
                             std::vector<std::pair<double, double>>* exact = nullptr);

// The records of a data file as the window holds them after opening it: the
// 13 header lines written again from the values read (P taken as 0 on a
// north-up picture, the type word as read, the picture line naming
// `pictureName`) and each record written again from its rounded values.
// What Save then writes when nothing was changed.
RecordList RecordListOfDataFile(const DataFileContents& c, const std::string& pictureName);

// The groups of the records that came from the detection (objects holding
// a record with an area) as a report: each record one spot at its picture
// position and recorded B, CMD and L, in the records' order (an area not
// known counts 0); the group's centre, area and extent summarised, its class
// the first record's where known.
SpotReport SpotReportOfRecords(const RecordList& list);

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
