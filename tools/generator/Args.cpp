#include "Args.h"

#include <cstdlib>
#include <stdexcept>

namespace pelorin::gen {

bool ParseKeyValues(int argc, char** argv, std::map<std::string, std::string>& kv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") return false;
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0) throw std::invalid_argument("'" + a + "': expected key=value");
    kv[a.substr(0, eq)] = a.substr(eq + 1);
  }
  return true;
}

double NumberArg(const std::map<std::string, std::string>& kv, const std::string& key, double fallback) {
  const auto it = kv.find(key);
  if (it == kv.end()) return fallback;
  char* end = nullptr;
  const double v = std::strtod(it->second.c_str(), &end);
  if (it->second.empty() || *end != '\0') throw std::invalid_argument(key + "=" + it->second + ": not a number");
  return v;
}

}  // namespace pelorin::gen
