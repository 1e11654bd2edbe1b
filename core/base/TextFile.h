// Sequential text files of the working set: lines end with CR LF and every
// line reaches the disk as soon as it is written, so a crash loses nothing
// already written.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pelorin {

// A file or input error that names the file and what failed.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One item of a write line: a string (written in double quotes) or a number
// (written in the general text form of a Double).
using WriteItem = std::variant<std::string, double>;

// The write-line form: items separated by commas, no spaces, strings quoted.
std::string WriteLineText(std::initializer_list<WriteItem> items);

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Opens `path` for output, emptying it. Throws FileError naming the path.
  void Open(const std::string& path);
  // Opens `path` for appending, keeping what it holds (after the file was
  // replaced whole). Throws FileError naming the path.
  void OpenAppend(const std::string& path);
  // Closes the file if open; never throws.
  void Close() noexcept;
  bool IsOpen() const { return f_ != nullptr; }
  // Absolute path of the open (or last opened) file.
  const std::string& Path() const { return path_; }

  // Writes `text` and CR LF, then flushes. Throws FileError when the file is
  // not open or the write fails.
  void PrintLine(std::string_view text);
  void WriteLine(std::initializer_list<WriteItem> items) { PrintLine(WriteLineText(items)); }
  // Asks the system to put what was written on the disc itself (fsync), so
  // that a power cut keeps it too. Throws FileError when the file is not
  // open or the system reports a failure.
  void Sync();

 private:
  std::FILE* f_ = nullptr;
  std::string path_;
};

// The whole file as bytes. Throws FileError naming the path when it cannot
// be opened or read (a folder is refused on its first read).
std::string ReadFileBytes(const std::string& path);

// Text cut into lines: CR LF, LF or CR ends a line; a last line without an
// end counts; the line ends are not kept. Never fails.
std::vector<std::string> SplitLines(std::string_view text);

// Reads a whole text file into lines, as SplitLines cuts them. Throws
// FileError naming the path when the file cannot be opened or read (a folder
// included).
std::vector<std::string> ReadLines(const std::string& path);

// Size of a file in bytes, -1 when it does not exist or cannot be examined.
long long FileLength(const std::string& path);

}  // namespace pelorin
