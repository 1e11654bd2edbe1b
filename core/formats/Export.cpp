#include "formats/Export.h"


#include "base/Csv.h"
#include "base/Text.h"

namespace pelorin {

std::string CsvText(const std::vector<DataRecord>& records) {
  std::string out = "name,B,CMD,L\n";
  for (const DataRecord& r : records) {
    out += CsvField(r.name) + "," + NumberText(r.B) + "," + NumberText(r.CMD) + "," + NumberText(r.L) + "\n";
  }
  return out;
}

std::string TsvText(const std::vector<TsvRow>& rows, bool withArea) {
  std::string out = withArea ? "name\tB\tCMD\tL\tarea\tclass\n" : "name\tB\tCMD\tL\n";
  for (const TsvRow& r : rows) {
    std::string name = r.name;
    for (char& c : name) {
      if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    out += name + "\t" + NumberText(r.B) + "\t" + NumberText(r.CMD) + "\t" + NumberText(r.L);
    if (withArea) out += "\t" + (r.area_msh >= 0 ? NumberText(r.area_msh) : std::string()) + "\t" + r.spotClass;
    out += "\n";
  }
  return out;
}

}  // namespace pelorin
