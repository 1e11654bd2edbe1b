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

// The name after its last folder separator ("/" or "\"); the whole name when
// it has none.
std::string BareName(const std::string& path);

}  // namespace pelorin
