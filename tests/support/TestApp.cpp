#include "TestApp.h"

#include <fstream>
#include <random>
#include <sstream>

#include "app/Startup.h"

namespace pelorin::test {

TempFolder::TempFolder() {
  previous_ = std::filesystem::current_path();
  std::random_device rd;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() / ("pelorin-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
  std::filesystem::current_path(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

TestApp::TestApp() { Form_Load(app, 15.0f); }

}  // namespace pelorin::test
