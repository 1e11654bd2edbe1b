// Finding the sunspots of the open picture for review: the calibration,
// the catalogue's groups of the day and the picture's object names taken
// from the program state, so that the window asks the core once and gets
// the proposals (spots/Proposals.h) or the reason why not.
#pragma once

#include <string>
#include <vector>

#include "app/App.h"
#include "series/ReferenceGroups.h"
#include "spots/Proposals.h"

namespace pelorin {

// The open picture's calibration as the finder takes it: CalibrationOf the
// state, with P taken as 0 on a north-up picture.
DiscCalibration DiscCalibrationOfState(const ProgramState& s);

// The open picture as grey levels: a picture of measured data by its data
// levels (GreyOfLevels, as pelorin-cli spots reads it, whatever brightness
// scale shows it); any other by (R + G + B) / 3 of each pixel of the clean
// picture, the marks taken off while it is read (they would be dark spots)
// and drawn again.
GreyPicture GreyOfOpenPicture(App& app);

// Why the open picture cannot be searched for spots now ("" when it can):
// no picture, not calibrated (limb and orientation, a SOHO picture or one
// calibrated from its header), an input open, or an EUV picture or a
// magnetogram (the finder's message).
std::string SpotReviewRefusal(const App& app);

// Tools -> "Find sunspots": prepares the finder on `grey` (the picture's
// pixels) with the state's calibration and finds the spots with
// `settings`; the groups take the names of DPD1.txt beside the data file
// for the picture's day where present, else the next free G1, G2, ... clear
// of the picture's object names. "" with `out` set, else why (nothing set).
// The catalogue's lines that could not be read ("FILE:LINE: what") are
// added to `catalogueProblems` when given.
std::string StartSpotReview(const App& app, const GreyPicture& grey, const SpotSettings& settings,
                            SpotProposals& out, std::vector<std::string>* catalogueProblems = nullptr);

// Tools -> "Find sunspots": the proposals of the open picture with the
// contrast threshold given become app.review and are drawn; a refusal is
// said in a message box (nothing changes). What the finder could not do
// whole and the catalogue's unreadable lines are said in one message box.
void FindSpots_Click(App& app, double contrastThreshold);
// The review's Accept: the checked groups recorded (AcceptSpots) and the
// review ended; a refusal is said in a message box and the review stays.
void AcceptReview_Click(App& app);
// Settings -> "Observer's k factor": asks for k (the current one offered);
// a number above 0 and at most 10 becomes app.observerK, anything else is
// said in a message box; Cancel keeps it.
void ObserverK_Click(App& app);
// The day's counts line (CountsLine) of the accepted groups of the records
// and the review's checked proposals, with the observer's k.
std::string DayCountsLine(const App& app);
// Each proposed spot outlined along the pixels measured (the whole spot in
// yellow, its umbra in red; a circle of its area for a spot without
// an outline), each group boxed and named in cyan; grey for the groups not
// checked. Called by the redraw.
void DrawProposals(App& app);

}  // namespace pelorin
