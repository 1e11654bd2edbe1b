#include "formats/Export.h"

#include <cmath>
#include <cstdio>

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

namespace {

std::string ErrorField(double err_deg) {
  if (!std::isfinite(err_deg)) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", err_deg);
  return buf;
}

}  // namespace

std::string CsvTextWithErrors(const std::vector<DataRecord>& records, const std::vector<PositionErrors>& errors,
                              const std::string& source) {
  std::string out = "name,B,CMD,L,B_err,CMD_err,L_err,err_source\n";
  for (std::size_t i = 0; i < records.size(); ++i) {
    const DataRecord& r = records[i];
    const PositionErrors e = i < errors.size() ? errors[i] : PositionErrors{NAN, NAN, NAN, 0, false};
    out += CsvField(r.name) + "," + NumberText(r.B) + "," + NumberText(r.CMD) + "," + NumberText(r.L) + "," +
           ErrorField(e.B_deg) + "," + ErrorField(e.CMD_deg) + "," + ErrorField(e.L_deg) + "," + source + "\n";
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
