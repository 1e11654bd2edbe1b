#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "app/Startup.h"

namespace fs = std::filesystem;

namespace pelorin::fuzz {

namespace {

fs::path& WorkFolder() {
  static fs::path folder;
  return folder;
}

void RemoveWorkFolder() {
  std::error_code ec;
  if (!WorkFolder().empty()) fs::remove_all(WorkFolder(), ec);
}

}  // namespace

void EnterWorkFolder() {
  fs::path& folder = WorkFolder();
  std::error_code ec;
  if (folder.empty()) {
    std::random_device rd;
    for (;;) {
      folder = fs::temp_directory_path() / ("pelorin-fuzz-" + std::to_string(rd()));
      if (fs::create_directory(folder, ec)) break;
      Check(!ec, "cannot create a working folder: " + ec.message());
    }
    std::atexit(RemoveWorkFolder);
  }
  fs::current_path(folder, ec);
  Check(!ec, "cannot enter the working folder " + folder.string());
  for (const auto& entry : fs::directory_iterator(folder, ec)) fs::remove_all(entry.path(), ec);
}

std::string Text(const std::uint8_t* data, std::size_t size) {
  return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

void WriteFile(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check(static_cast<bool>(out), "cannot write " + name);
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WritePicture(const std::string& name) {
  static RasterPicture picture = [] {
    RasterPicture p;
    p.Fill(8, 8, 0xFFFFFF);
    return p;
  }();
  std::string error;
  Check(picture.SaveBmp(name, error), "cannot write the picture " + name + ": " + error);
}

std::vector<std::string> Split(const std::string& text, std::string_view separator, std::size_t parts) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (out.size() + 1 < parts) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string::npos) break;
    out.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  out.push_back(text.substr(start));
  return out;
}

Program::Program() { Form_Load(app, 15.0f); }

void Check(bool ok, const std::string& what) {
  if (!ok) Fail(what);
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "pelorin fuzz check failed: %s\n", what.c_str());
  std::abort();
}

}  // namespace pelorin::fuzz
