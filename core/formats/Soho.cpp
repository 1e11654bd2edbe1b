// The SOHO catalogues: nameconv.txt turns a picture name into an 18-character
// key carrying the time of observation; catalog.txt gives the disc of the
// picture with that key.
#include "formats/Soho.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Angles.h"

namespace pelorin {

namespace {

constexpr std::size_t kKeyLength = 18;
constexpr std::size_t kNameColumn = 25;  // 1-based start of the picture name
constexpr std::size_t kNameLength = 8;
constexpr int kLinesBeforeNumbers = 8;
constexpr int kLinesToKey = 20;

// A reader of one file's lines by whole lines and by comma- or
// line-separated numbers, which never reads past the last line.
class LineCursor {
 public:
  explicit LineCursor(const std::vector<std::string>& lines) : lines_(lines) {}

  // The rest of the current line; false at the end of the file.
  bool ReadLine(std::string& out) {
    if (line_ >= lines_.size()) return false;
    out = lines_[line_].substr(std::min(col_, lines_[line_].size()));
    ++line_;
    col_ = 0;
    return true;
  }

  // The next number: blanks and line ends before it are skipped; it ends at
  // a comma, a blank or the end of its line; a comma after it is taken, and
  // a line end right after it moves to the next line. False at the end of
  // the file.
  bool ReadNumber(double& out) {
    for (;;) {
      if (line_ >= lines_.size()) return false;
      const std::string& l = lines_[line_];
      while (col_ < l.size() && (l[col_] == ' ' || l[col_] == '\t')) ++col_;
      if (col_ < l.size()) break;
      ++line_;
      col_ = 0;
    }
    const std::string& l = lines_[line_];
    const std::size_t start = col_;
    while (col_ < l.size() && l[col_] != ',' && l[col_] != ' ' && l[col_] != '\t') ++col_;
    out = LeadingNumber(std::string_view(l).substr(start, col_ - start));
    while (col_ < l.size() && (l[col_] == ' ' || l[col_] == '\t')) ++col_;
    if (col_ < l.size() && l[col_] == ',') ++col_;
    else if (col_ >= l.size()) {
      ++line_;
      col_ = 0;
    }
    return true;
  }

 private:
  const std::vector<std::string>& lines_;
  std::size_t line_ = 0;
  std::size_t col_ = 0;
};

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : (std::filesystem::path(folder) / name).string();
}

// The picture name less its extension (the last four characters); "" when
// nothing is left.
std::string BaseName(const std::string& pictureName) {
  return pictureName.size() > 4 ? pictureName.substr(0, pictureName.size() - 4) : std::string();
}

}  // namespace

bool SohoNameKey(std::string_view nameconv, const std::string& pictureName, std::string& key) {
  const std::string base = BaseName(pictureName);
  if (base.empty()) return false;
  for (const auto& line : SplitLines(nameconv)) {
    if (Mid(line, kNameColumn, kNameLength) == base) {
      key = Left(line, kKeyLength);
      return true;
    }
  }
  return false;
}

bool SohoCatalogEntry(std::string_view catalog, const std::string& key, SohoEntry& out) {
  const std::vector<std::string> lines = SplitLines(catalog);
  LineCursor in(lines);
  std::string line;
  SohoEntry e;
  for (;;) {
    do {
      if (!in.ReadLine(line)) return false;
    } while (line != "&#");
    for (int i = 0; i < kLinesBeforeNumbers; ++i)
      if (!in.ReadLine(line)) return false;
    if (!in.ReadNumber(e.x0) || !in.ReadNumber(e.y0) || !in.ReadNumber(e.rk) || !in.ReadNumber(e.B0)) return false;
    for (int i = 0; i < kLinesToKey; ++i)
      if (!in.ReadLine(line)) return false;
    if (line == key) break;
  }
  e.key = key;
  e.year = LeadingNumber(Mid(key, 4, 4));
  e.month = LeadingNumber(Mid(key, 8, 2));
  e.day = LeadingNumber(Mid(key, 10, 2));
  SexagesimalToDecimal(LeadingNumber(Mid(key, 13, 2)), LeadingNumber(Mid(key, 15, 2)), LeadingNumber(Mid(key, 17, 2)),
                       e.timeUT);
  out = e;
  return true;
}

bool SohoLookup(const std::string& folder, const std::string& pictureName, SohoEntry& out, std::string& error) {
  const std::string nameconvPath = InFolder(folder, "nameconv.txt");
  const std::string catalogPath = InFolder(folder, "catalog.txt");
  const std::string base = BaseName(pictureName);
  if (base.empty()) {
    error = "the picture name \"" + pictureName + "\" has no name before its extension";
    return false;
  }
  std::string key;
  try {
    if (!SohoNameKey(ReadFileBytes(nameconvPath), pictureName, key)) {
      error = nameconvPath + " has no line for the picture name \"" + base + "\"";
      return false;
    }
    if (!SohoCatalogEntry(ReadFileBytes(catalogPath), key, out)) {
      error = catalogPath + " has no entry with the key \"" + key + "\"";
      return false;
    }
  } catch (const FileError& e) {
    error = e.what();
    return false;
  }
  error.clear();
  return true;
}

}  // namespace pelorin
