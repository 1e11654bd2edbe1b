// The reference catalogue comparison with DPD1.txt, or without it with the
// day's Solar Region Summary.
#pragma once

#include "app/App.h"

namespace pelorin {

// Tools -> "Compare" (and key 5): switches the comparison on (CompareOn 1,
// CompareCatalogue) or off (CompareOn 0, RefSpotCount and RefGroupCount 0,
// CompareDayOffset 0), then redraws. When CompareCatalogue fails the
// comparison stays off (CompareOn 0, counts 0).
void Compare_Click(App& app);

// Reads block CatalogueBlock of DPD1.txt in the current folder and places its
// groups and spots; sets GroupNameIndex to 1 and the main window's title
// ("<source> Compare date: yyyy-mm-dd-hh:mmUT  DT = ddays & hhhmmmin", DT the
// block's Julian day less the picture's, whole days rounded down, minutes
// rounded and carried).
//
// When CatalogueBlockCount is 0 it first indexes the file: the layout
// (GreenwichFormat True unless the first line begins with "d"), the 1-based
// first line (CatalogueBlockLine) and byte offset (CatalogueBlockOffset) of
// each block, the file's length at CatalogueBlockOffset(count + 1), and
// CatalogueBlock = the first block not earlier than the picture's
// DateYear/DateMonth/DateDay/TimeUT (the last block if none). Afterwards only
// the lines of the block shown are read; a file whose length has changed
// since is indexed again.
//
// Positions are HeliographicToPicture(L, B, -OrientationAngle) rounded half to
// even; a position outside the 16-bit range leaves that mark out. At most
// 1000 groups and 1000 spots are placed (RefGroupCount, RefSpotCount count
// the placed marks); only the first 100 groups are named (RefGroupName).
// Blank lines of the GREENWICH layout are ignored; fields that do not read as
// numbers give the leading-number value.
//
// Without DPD1.txt in the current folder, the picture's day's Solar Region
// Summary there (YYYYMMDDSRS.txt or MMDDSRS.txt, either case) is compared
// instead: its regions carried to the picture's time by differential
// rotation, group marks named by their NOAA numbers, no spots; the title
// "SRS <file> Compare date: <the picture's date and UT>  DT = 00days &
// 00h00min"; o and p place the same marks again.
//
// Returns false, with RefGroupCount and RefSpotCount 0, after a message box
// naming the file: missing or unreadable, empty, without any block, more than
// 10000 blocks (CatalogueBlockCount then 0), or a failure of the geometry.
bool CompareCatalogue(App& app);

}  // namespace pelorin
