#include "formats/Catalogue.h"

#include <fstream>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Angles.h"

namespace pelorin {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Reads a catalogue line by line from a byte offset and keeps the byte
// offset of the next line, so that a block can be found again without
// reading what comes before it. FileLines reads a file, TextLines text in
// memory; both cut the lines the same way.
class FileLines {
 public:
  explicit FileLines(const std::string& path) : in_(path, std::ios::binary) {}
  bool IsOpen() const { return static_cast<bool>(in_); }

  bool Seek(std::int64_t offset) {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    pos_ = offset;
    return static_cast<bool>(in_);
  }

  // Byte offset of the line the next Next() returns.
  std::int64_t Position() const { return pos_; }

  bool Next(std::string& line) {
    if (!std::getline(in_, line)) return false;
    const bool atStart = pos_ == 0;
    pos_ += static_cast<std::int64_t>(line.size());
    if (!in_.eof()) pos_ += 1;  // the LF
    Trim(line, atStart);
    return true;
  }

  // A read that stopped for another reason than the end of the file.
  bool Failed() const { return in_.bad(); }

  // The CR before the LF, and a byte-order mark some editors write, are not
  // part of the text.
  static void Trim(std::string& line, bool atStart) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (atStart && line.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) line.erase(0, kByteOrderMark.size());
  }

 private:
  std::ifstream in_;
  std::int64_t pos_ = 0;
};

class TextLines {
 public:
  explicit TextLines(std::string_view text) : text_(text) {}

  bool Seek(std::int64_t offset) {
    pos_ = offset;
    return true;
  }
  std::int64_t Position() const { return pos_; }

  bool Next(std::string& line) {
    if (pos_ < 0 || static_cast<std::size_t>(pos_) >= text_.size()) return false;
    const auto start = static_cast<std::size_t>(pos_);
    const std::size_t lf = text_.find('\n', start);
    const std::size_t stop = lf == std::string_view::npos ? text_.size() : lf;
    line.assign(text_.substr(start, stop - start));
    pos_ = static_cast<std::int64_t>(lf == std::string_view::npos ? stop : stop + 1);
    FileLines::Trim(line, start == 0);
    return true;
  }

  bool Failed() const { return false; }

 private:
  std::string_view text_;
  std::int64_t pos_ = 0;
};

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// Date and time of a block's first line, and its Julian day.
void ReadBlockTime(const std::string& line, bool greenwich, CatalogueBlock& t) {
  if (greenwich) {
    t.year = LeadingNumber(Mid(line, 1, 4));
    t.month = LeadingNumber(Mid(line, 5, 2));
    t.day = LeadingNumber(Mid(line, 7, 2));
    t.hours = LeadingNumber(Mid(line, 9, 4)) * 24;
  } else {
    t.year = LeadingNumber(Mid(line, 3, 4));
    t.month = LeadingNumber(Mid(line, 8, 2));
    t.day = LeadingNumber(Mid(line, 11, 2));
    t.hours = LeadingNumber(Mid(line, 14, 2)) + LeadingNumber(Mid(line, 17, 2)) / 60 +
              LeadingNumber(Mid(line, 20, 2)) / 3600;
  }
  JulianDay(t.year, t.month, t.day, t.hours, t.julianDay);
}

// Whether `line` starts a new block, given the previous non-blank line.
bool StartsBlock(const std::string& line, const std::string& previous, bool first, bool greenwich) {
  if (greenwich) return !IsBlank(line) && (first || line.compare(0, 8, previous, 0, 8) != 0);
  return !line.empty() && line[0] == 'd';
}

template <class Lines>
CatalogueIndex Index(Lines& in, double J0) {
  CatalogueIndex index;
  using Result = CatalogueIndex::Result;
  std::string line, previous;
  if (!in.Next(line)) {
    index.result = in.Failed() ? Result::unreadable : Result::empty;
    return index;
  }
  index.greenwich = line.empty() || line[0] != 'd';
  const bool greenwich = index.greenwich;
  int count = 0;
  bool first = true;
  std::int64_t start = 0;
  CatalogueBlock time;
  do {
    index.lines += 1;
    if (StartsBlock(line, previous, first, greenwich)) {
      if (count == kMaxBlocks) {
        index.result = Result::tooManyBlocks;
        return index;
      }
      ++count;
      index.blockLine.push_back(index.lines);
      index.blockOffset.push_back(start);
      if (index.first == 0) {
        ReadBlockTime(line, greenwich, time);
        if (time.julianDay >= J0) index.first = count;
      }
    }
    if (!greenwich || !IsBlank(line)) {
      previous = line;
      first = false;
    }
    start = in.Position();
  } while (in.Next(line));
  if (in.Failed()) {
    index.result = Result::unreadable;
    return index;
  }
  if (count == 0) {
    index.result = Result::noBlock;
    return index;
  }
  index.blockOffset.push_back(in.Position());
  if (index.first == 0) index.first = count;
  return index;
}

template <class Lines>
bool ReadBlock(Lines& in, std::int64_t offset, std::int64_t end, bool greenwich, CatalogueBlock& out) {
  std::string line;
  if (!in.Seek(offset) || !in.Next(line) || !StartsBlock(line, std::string(), true, greenwich)) return false;
  out = CatalogueBlock{};
  ReadBlockTime(line, greenwich, out);
  out.source = greenwich ? std::string("GREENWICH") : Mid(line, 23, 4);
  // The group name of the GREENWICH layout is read from positions 13 to 24
  // on every line of a block, the block's first line included.
  const auto greenwichGroup = [&](const std::string& l) {
    out.groups.push_back({Mid(l, 13, 12), LeadingNumber(Mid(l, 58, 5)), LeadingNumber(Mid(l, 64, 5))});
  };
  if (greenwich) greenwichGroup(line);
  while (in.Position() < end && in.Next(line)) {
    if (greenwich) {
      if (!IsBlank(line)) greenwichGroup(line);
    } else if (!line.empty() && line[0] == 'g') {
      out.groups.push_back({Mid(line, 23, 6), LeadingNumber(Mid(line, 60, 6)), LeadingNumber(Mid(line, 67, 6))});
    } else if (!line.empty() && line[0] == 's') {
      out.spots.push_back({std::string(), LeadingNumber(Mid(line, 60, 6)), LeadingNumber(Mid(line, 67, 6))});
    }
  }
  return true;
}

}  // namespace

CatalogueIndex IndexCatalogueText(std::string_view text, double pictureJulianDay) {
  TextLines in(text);
  return Index(in, pictureJulianDay);
}

CatalogueIndex IndexCatalogueFile(const std::string& path, double pictureJulianDay) {
  FileLines in(path);
  if (!in.IsOpen()) {
    CatalogueIndex index;
    index.result = CatalogueIndex::Result::unopened;
    return index;
  }
  return Index(in, pictureJulianDay);
}

bool ReadCatalogueBlockText(std::string_view text, std::int64_t offset, std::int64_t end, bool greenwich,
                            CatalogueBlock& out) {
  TextLines in(text);
  return ReadBlock(in, offset, end, greenwich, out);
}

BlockRead ReadCatalogueBlockFile(const std::string& path, std::int64_t length, std::int64_t offset, std::int64_t end,
                                 bool greenwich, CatalogueBlock& out) {
  FileLines in(path);
  if (!in.IsOpen()) return BlockRead::unopened;
  if (FileLength(path) != length) return BlockRead::changed;
  if (!ReadBlock(in, offset, end, greenwich, out)) return BlockRead::changed;
  return in.Failed() ? BlockRead::unreadable : BlockRead::ok;
}

}  // namespace pelorin
