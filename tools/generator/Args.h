// The generator tools' arguments: key=value words, and numbers among them.
#pragma once

#include <map>
#include <string>

namespace pelorin::gen {

// The key=value words of argv[1..]; false when one of them is -h or --help
// (the caller prints its usage). Throws std::invalid_argument for a word
// without '=' or with an empty key.
bool ParseKeyValues(int argc, char** argv, std::map<std::string, std::string>& kv);

// The number under `key`, `fallback` when it is absent; throws
// std::invalid_argument ("key=value: not a number") for anything else.
double NumberArg(const std::map<std::string, std::string>& kv, const std::string& key, double fallback);

}  // namespace pelorin::gen
