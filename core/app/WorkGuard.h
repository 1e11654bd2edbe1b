// Nothing measured is lost without a word: the question before a picture's
// unsaved work is left, and the working files that a session ended without
// saving (a crash, a kill, a power cut) brought back when their picture is
// opened again.
#pragma once

#include <string>
#include <vector>

#include "app/App.h"

namespace pelorin {

// The bytes of the open working file; "" when none is open or it cannot be
// read.
std::string WorkingFileBytes(const App& app);

// The working file now agrees with the data file (the picture was just set
// up from it, or saved): remembers its bytes.
void MarkWorkSaved(App& app);

// True when the working file holds anything the picture's data file does not
// hold yet: records, or the date, limb or orientation lines of a new
// calibration.
bool HasUnsavedWork(const App& app);

// Asked before the open picture is left (another picture opened, the program
// ended). With unsaved work, the question "Unsaved measurements": Save saves
// as File -> Save does, Discard goes on, Cancel (or a box closed without a
// choice) stays. True when the caller may go on: nothing unsaved, Discard, or
// a Save that succeeded; false after Cancel or a failed Save.
bool ConfirmLeavePicture(App& app);

// A working file that an earlier session left in the current folder.
struct Leftover {
  std::string path;                // where it lies now (absolute)
  std::vector<std::string> lines;  // its lines, without their ends
  std::string picture;             // the bare picture name of its line 4
};

// Collects, before `pictureName` (bare) is opened, the working files that
// earlier sessions left in the current folder: the files of slots that no
// window holds, and the ones kept aside before ("temp*.kept*"). The
// window's own slot file is moved aside (to "<name>.kept", numbered when
// taken) so that the picture's working file can start afresh; when it is
// unreadable or belongs to another picture, a message box names where it
// was kept. Never throws.
std::vector<Leftover> TakeLeftovers(App& app, const std::string& pictureName);

enum class Restored { None, Whole, Partial };

// After the picture `pictureName` (bare) has been set up from its data file
// or as a new picture: the first left-over of this picture that holds work
// the fresh working file lacks is offered with "Restore measurements".
// Restore puts its lines into the working file as they were and the program
// state where that session stopped (Whole: a complete header, calibrated,
// its records stored; Partial: the date, or the date and limb, of a new
// calibration, with the menus of the next step). Discard deletes it. A box
// closed without a choice leaves the left-over where it is. Never throws.
Restored OfferRestore(App& app, const std::vector<Leftover>& leftovers, const std::string& pictureName);

// The menus of the step after a partly restored calibration: Sun's limb
// after the date, Orientation after the limb.
void EnableRestoredStep(App& app);

}  // namespace pelorin
