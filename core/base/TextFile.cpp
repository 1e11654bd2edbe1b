#include "base/TextFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "base/Text.h"

namespace pelorin {

std::string WriteLineText(std::initializer_list<WriteItem> items) {
  std::string line;
  bool first = true;
  for (const auto& item : items) {
    if (!first) line += ',';
    first = false;
    if (const auto* s = std::get_if<std::string>(&item)) line += Quoted(*s);
    else line += NumberText(std::get<double>(item));
  }
  return line;
}

OutputFile::~OutputFile() { Close(); }

void OutputFile::Open(const std::string& path) {
  Close();
  std::error_code ec;
  auto abs = std::filesystem::absolute(path, ec);
  path_ = ec ? path : abs.string();
  f_ = std::fopen(path_.c_str(), "wb");
  if (!f_) throw FileError("Cannot open " + path_ + " for writing: " + std::strerror(errno));
}

void OutputFile::OpenAppend(const std::string& path) {
  Close();
  path_ = path;
  f_ = std::fopen(path_.c_str(), "ab");
  if (!f_) throw FileError("Cannot open " + path_ + " for appending: " + std::strerror(errno));
}

void OutputFile::Close() noexcept {
  if (f_) std::fclose(f_);
  f_ = nullptr;
}

void OutputFile::PrintLine(std::string_view text) {
  if (!f_) throw FileError("File " + (path_.empty() ? std::string("(none)") : path_) + " is not open");
  bool ok = std::fwrite(text.data(), 1, text.size(), f_) == text.size();
  ok = ok && std::fwrite("\r\n", 1, 2, f_) == 2;
  ok = ok && std::fflush(f_) == 0;
  if (!ok) throw FileError("Cannot write to " + path_ + ": " + std::strerror(errno));
}

void OutputFile::Sync() {
  if (!f_) throw FileError("File " + (path_.empty() ? std::string("(none)") : path_) + " is not open");
  bool ok = std::fflush(f_) == 0;
#if defined(__unix__) || defined(__APPLE__)
  ok = ok && ::fsync(::fileno(f_)) == 0;
#endif
  if (!ok) throw FileError("Cannot write " + path_ + " to the disc: " + std::strerror(errno));
}

std::string ReadFileBytes(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw FileError("Cannot open " + path + ": " + std::strerror(errno));
  std::string data;
  char buf[65536];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  // A folder opens like a file and fails on the first read: that is an error,
  // not an empty file.
  const bool failed = std::ferror(f) != 0;
  const int readErrno = errno;
  std::fclose(f);
  if (failed) throw FileError("Cannot read " + path + ": " + std::strerror(readErrno));
  return data;
}

std::vector<std::string> SplitLines(std::string_view data) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < data.size()) {
    const std::size_t end = data.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(data.substr(start));
      break;
    }
    lines.emplace_back(data.substr(start, end - start));
    start = end + 1;
    if (data[end] == '\r' && start < data.size() && data[start] == '\n') ++start;
  }
  return lines;
}

std::vector<std::string> ReadLines(const std::string& path) { return SplitLines(ReadFileBytes(path)); }

long long FileLength(const std::string& path) {
  std::error_code ec;
  auto n = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<long long>(n);
}

}  // namespace pelorin
