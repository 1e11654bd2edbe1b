// Editing the open picture's records and undoing it: the list of records
// kept in step with the working data file (app.book), deleting, renaming and
// merging, and the undo history of the picture, which also holds the End of
// each object and each limb or orientation calibration.
//
// Every change rewrites the working file whole: the new bytes go to a file
// beside it, reach the disk, and are renamed over it, so the file is never
// half written. The bytes are those that measuring the same records directly
// would have written; the data-file layout is unchanged. An edit that cannot
// be written changes nothing and says why.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/App.h"
#include "spots/Proposals.h"

namespace pelorin {

// A picture was opened (with its data file or new): the list is read from
// the working file, each record i at PointX/PointY(i); the history is
// emptied, so nothing before the opening can be undone.
void BookOpened(App& app);

// The End of an object wrote its last `written` lines to the working file:
// they join the list (their picture positions the top `written` stored
// points) and "Measure <name>" is recorded for undo.
void BookObjectEnded(App& app, std::size_t written, const std::string& name);

// Reads the working file into the list again, keeping the picture
// positions of the lines that did not change; lines added at the end take
// the top stored points. Nothing when the working file is not open.
void SyncBook(App& app);

// Why the records cannot be edited now ("" when they can): no working file
// open, or an input open (limb, orientation, object), which must be ended
// first.
std::string EditRefusal(const App& app);

// The edits. Each returns "" when done, otherwise why nothing changed.
// Lines are indices into app.book.list.lines; deleting every line of an
// object deletes the object ("Delete G3"), fewer its points ("Delete 2
// points of G3").
std::string DeleteLines(App& app, std::vector<std::size_t> lines);
// All records of object `from` get the name `to` ("Rename G3 to G4"). A name
// holding a double quote or a comma, or empty, is refused.
std::string RenameObject(App& app, const std::string& from, const std::string& to);
// Two or more objects become one under the first one's name: their records
// move to follow the first object's, in the order given ("Merge G1, G2").
std::string MergeObjects(App& app, const std::vector<std::string>& names);

// Accept: the checked proposed groups become objects, one record per spot
// under its group's name, each spot's picture position turned into B, CMD
// and L exactly as End of an object measured by hand does, so the working
// file holds the lines clicking the spots would have written; the records
// keep the spot's area and its group's class; the point log gets each
// spot's "B, CMD" line as End logs a clicked point. One step of the history,
// "Accept G1, G2" (undo takes the records back; the log keeps what was
// done, as it does for End). Refused (nothing changes) when no group is
// checked.
std::string AcceptSpots(App& app, const SpotProposals& proposals);
// The objects of the records that came from the detection (a record with an
// area), each with its number of records and mean latitude, for the counts.
std::vector<CountedGroup> AcceptedGroups(const RecordList& list);

// Undo and Redo. Refused (with the reason) when there is nothing to undo:
// the picture is as it was opened, or nothing was undone.
std::string UndoEdit(App& app);
std::string RedoEdit(App& app);
// The Edit menu's captions: "Undo" / "Redo" alone when there is nothing,
// else followed by what ("Undo Delete G3").
std::string UndoCaption(const App& app);
std::string RedoCaption(const App& app);
// Sets the Edit menu's captions and enabled states from the history.
void UpdateEditMenus(App& app);

// Edit -> Undo / Redo: a refusal is said in a message box.
void Undo_Click(App& app);
void Redo_Click(App& app);
// The panel's "Rename object…": asks for the new name (the old one offered)
// with New object's rules, asking again after a name holding a double quote
// or a comma; Cancel or an unchanged name does nothing. A refusal is said in
// a message box.
void RenameObject_Click(App& app, const std::string& from);

// A limb or orientation calibration as one step of the history: `start`
// (Limb_Click, AutoLimb_Click, dnevnihod_Click, ossunca_Click) runs after
// the state before it was kept; `end` (limbend_Click, dirend_Click) runs,
// and when it closed its input the calibration is recorded as `what`.
void CalibrationStart(App& app, void (*start)(App&));
void CalibrationEnd(App& app, void (*end)(App&), EndButton input, const std::string& what);

// The lines the panel has selected; drawn highlighted on the picture
// (DrawHighlights) and redrawn now.
void SetHighlighted(App& app, std::vector<std::size_t> lines);
// Each highlighted record with a picture position: a magenta 3 x 3 mark
// inside a black square of 7 x 7 pixels, seen on dark and light pictures.
void DrawHighlights(App& app);

}  // namespace pelorin
