// The spots of the open picture proposed for review before they become
// records: the found groups and spots, which groups are checked, and the
// observer's corrections (removing, merging, making and renaming groups,
// adding a missed spot, a new threshold). Plain data and the finder; the
// records are taken in by core/measure (AcceptSpots) and nothing here sees
// the program state.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "geometry/PositionErrors.h"
#include "spots/Spots.h"

namespace pelorin {

struct SpotProposals {
  std::shared_ptr<SpotFinder> finder;   // prepared on the picture; kept across threshold changes
  SpotSettings settings;
  SpotReport report;                    // the proposed spots and groups
  std::vector<bool> checked;            // one per group of report.groups
  std::vector<ReferenceGroup> references;  // the catalogue's groups of the day
  std::set<std::string> existingNames;  // the picture's object names, never given to a new group
  // The calibration the finder was prepared with and its errors, which the
  // positions' errors are propagated with (AttachPositionErrors) after every
  // change of the spots; no errors without.
  DiscCalibration calibration;
  std::optional<CalibrationErrors> errors;
};

// Finds the spots with `settings` on the prepared `finder` and names the
// groups: a catalogue group within 5 degrees, else the next free G1, G2, ...
// that is neither a catalogue name nor one of `existingNames`. Every group
// checked.
SpotProposals ProposeSpots(std::shared_ptr<SpotFinder> finder, const SpotSettings& settings,
                           std::vector<ReferenceGroup> references, std::set<std::string> existingNames);

// The positions' errors of the proposals, on calibration `cal` (the
// finder's) with its `errors`, now and after every later change.
void SetProposalErrors(SpotProposals& p, const DiscCalibration& cal, const CalibrationErrors& errors);

// The threshold changed: the spots found again (the finder's preparation,
// which does not depend on it, is kept), the groups named again.
void ChangeThreshold(SpotProposals& p, double contrastThreshold);

// The review's operations. Each returns "" when done, otherwise why
// nothing changed. Spot and group numbers are indices into report.spots and
// report.groups, which change with every operation. A group left without
// spots goes; each changed group's centre, area and class are computed again.
std::string RemoveSpots(SpotProposals& p, std::vector<int> spots);
std::string RemoveGroups(SpotProposals& p, std::vector<int> groups);
// Two or more groups become the first one, under its name, checked.
std::string MergeGroups(SpotProposals& p, std::vector<int> groups);
// The spots leave their groups and make a new one, named the next free G<n>,
// checked.
std::string NewGroupOfSpots(SpotProposals& p, std::vector<int> spots);
// New object's rules: not empty, no double quote, no comma; nor the name of
// another proposed group.
std::string RenameGroup(SpotProposals& p, int group, const std::string& name);
// A missed spot: grown from the clicked pixel (picture pixels) with the
// current thresholds; it joins the group whose centre lies within 10 degrees
// in longitude and 5 in latitude, else it is a new group. Refused where
// nothing darker than the threshold is there, or the spot is proposed
// already.
std::string AddSpotAt(SpotProposals& p, double x_px, double y_px);
void CheckGroup(SpotProposals& p, int group, bool checked);

// The next G1, G2, ... not among the proposals' names, the catalogue's or
// the existing ones.
std::string NextFreeGroupName(const SpotProposals& p);

// The day's counts: the groups already accepted (objects whose records come
// from the detection, each with its number of spots and mean latitude)
// together with the checked proposals; R with the observer's k.
struct CountedGroup {
  int spots = 0;
  double B = 0;
};
SpotCounts ReviewCounts(const SpotProposals* p, const std::vector<CountedGroup>& accepted, double k);

// "g=3 f=11 R=41 (N: g=2 f=8 R=28; S: g=1 f=3 R=13)"
std::string CountsLine(const SpotCounts& c);

}  // namespace pelorin
