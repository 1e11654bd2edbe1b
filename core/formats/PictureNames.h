// What a picture's file name says: its folder part and its Kanzelhöhe prefix.
#pragma once

#include <string>
#include <string_view>

namespace pelorin {

// The Kanzelhöhe prefixes, compared case-sensitively with the first ten
// characters: "kanz_drawx" (a drawing, mirrored and rotated) and
// "kanz_halph" / "kanz_bband" (north up, west right).
enum class KanzelhoeheName { None, Drawing, NorthUp };
KanzelhoeheName KanzelhoeheKind(std::string_view name);

// The data file of a picture (bare names). Pictures whose extension is
// ".fits", ".tiff" or one of ".fits.gz", ".fit.gz", ".fts.gz" (any case)
// lose that whole extension for "dat" ("x.fits", "x.fits.gz" -> "x.dat");
// every other name has its last three characters replaced by "dat", as
// ever ("x.jpg", "x.jp2", "x.fit" -> "x.dat"; "x.jpeg" -> "x.jdat"; a name
// shorter than three characters gives "dat").
std::string DataFileNameOf(const std::string& pictureName);

// The ending of the names that the keys f and F step through, for the open
// picture `pictureName`: ".jpg" for a JPEG or BMP picture (as ever, exact
// case), otherwise the picture's own extension as written (".fits",
// ".fits.gz", ".jp2", ".png", ".tiff"); ".jpg" for a name without one.
std::string PictureListEnding(const std::string& pictureName);

// Whether a file's name ends as a picture the program reads (any case):
// .bmp, .jpg, .jpeg, .fits, .fit, .fts (also with .gz), .jp2, .j2k. What a
// folder given to a batch is searched for; other files are passed over.
bool IsPictureFileName(const std::string& name);

// The name after its last folder separator ("/" or "\"); the whole name when
// it has none.
std::string BareName(const std::string& path);

}  // namespace pelorin
