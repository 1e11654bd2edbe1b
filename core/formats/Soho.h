// The SOHO catalogues nameconv.txt and catalog.txt.
#pragma once

#include <string>
#include <string_view>

namespace pelorin {

// What the catalogues give for one picture.
struct SohoEntry {
  double year = 0, month = 0, day = 0;  // from key positions 4-7, 8-9, 10-11
  double timeUT = 0;                    // UT, decimal hours, from key positions 13-18 (hhmmss)
  double x0 = 0, y0 = 0;                // disc centre, picture pixels (x right, y down)
  double rk = 0;                        // disc radius, picture pixels
  double B0 = 0;                        // the catalogue's B0, degrees
  std::string key;                      // the 18-character key
};

// Looks the bare picture name up in `folder`/nameconv.txt ("" for the
// current folder): the first line whose characters 25 to 32 equal the name
// less its last four characters (case-sensitive) gives the key, its first 18
// characters. Then in `folder`/catalog.txt: each entry starts at a line that
// is exactly "&#"; 8 lines are skipped, 4 numbers follow as comma- or
// line-separated items (x0, y0, rk, B0), and the 20th line read after the
// fourth number is the entry's key, compared as a whole line (trailing blanks
// do not match). The first entry with the key wins.
// Returns true and fills `out`; false with `error` naming the file and the
// name or key not found, or the file that cannot be read. Never reads past
// the end of a file; `out` is changed only on success.
bool SohoLookup(const std::string& folder, const std::string& pictureName, SohoEntry& out, std::string& error);

// The two steps of SohoLookup on the files' texts (lines as ReadLines cuts
// them). SohoNameKey: the key nameconv.txt gives for the bare picture name;
// false when the name has nothing before its extension or no line has it
// (`key` is then left alone). SohoCatalogEntry: the entry of catalog.txt
// with `key`, the date and time taken from the key; false when there is none
// (`out` is then left alone). Neither reads past the end of its text.
bool SohoNameKey(std::string_view nameconv, const std::string& pictureName, std::string& key);
bool SohoCatalogEntry(std::string_view catalog, const std::string& key, SohoEntry& out);

}  // namespace pelorin
