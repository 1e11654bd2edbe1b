// Placeholders until the data files land; each is removed as its real
// definition is written.
#include <stdexcept>

#include "files/DataFile.h"
#include "files/Soho.h"

namespace pelorin {
DataFileContents ParseDataFile(const std::vector<std::string>&) { throw std::logic_error("not built yet"); }
void ReadDataFile(App&, const std::string&, const std::string&) { throw std::logic_error("not built yet"); }
void spremi_Click(App&) { throw std::logic_error("not built yet"); }
bool SohoLookup(const std::string&, const std::string&, SohoEntry&, std::string& error) {
  error = "not built yet";
  return false;
}
}  // namespace pelorin
