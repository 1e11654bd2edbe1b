#include "formats/PictureNames.h"

#include <algorithm>
#include <cctype>

namespace pelorin {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The length of the extension that goes whole for "dat" (with its dot), 0
// when the name keeps the three-character rule.
std::size_t WholeExtension(const std::string& name) {
  const std::string lower = Lower(name);
  for (std::string_view ext : {".fits.gz", ".fit.gz", ".fts.gz", ".fits", ".tiff"})
    if (EndsWith(lower, ext) && lower.size() > ext.size()) return ext.size();
  return 0;
}

}  // namespace

std::string DataFileNameOf(const std::string& pictureName) {
  if (const std::size_t n = WholeExtension(pictureName)) return pictureName.substr(0, pictureName.size() - n) + ".dat";
  return (pictureName.size() >= 3 ? pictureName.substr(0, pictureName.size() - 3) : "") + "dat";
}

std::string PictureListEnding(const std::string& pictureName) {
  const std::string bare = BareName(pictureName);
  const std::size_t dot = bare.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return ".jpg";
  std::string ext = bare.substr(dot);
  const std::string lower = Lower(ext);
  if (lower == ".gz") {
    const std::size_t inner = bare.find_last_of('.', dot - 1);
    if (inner != std::string::npos && inner > 0) ext = bare.substr(inner);
  }
  if (lower == ".jpg" || lower == ".jpeg" || lower == ".bmp") return ".jpg";
  return ext;
}

KanzelhoeheName KanzelhoeheKind(std::string_view name) {
  const std::string_view prefix = name.substr(0, 10);
  if (prefix == "kanz_drawx") return KanzelhoeheName::Drawing;
  if (prefix == "kanz_halph" || prefix == "kanz_bband") return KanzelhoeheName::NorthUp;
  return KanzelhoeheName::None;
}

std::string BareName(const std::string& path) {
  const std::size_t sep = path.find_last_of("/\\");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

bool IsPictureFileName(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const char* ending : {".bmp", ".jpg", ".jpeg", ".fits", ".fit", ".fts", ".fits.gz", ".fit.gz", ".fts.gz",
                             ".jp2", ".j2k"}) {
    const std::string e = ending;
    if (lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0) return true;
  }
  return false;
}

}  // namespace pelorin
