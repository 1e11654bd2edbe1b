#include "measure/Export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "app/Text.h"
#include "files/TextFile.h"

namespace pelorin {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

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

std::string ExportMeasurements(const App& app, const std::string& path) {
  if (!app.file2.IsOpen()) return "no working file is open for this picture";
  std::string csv;
  try {
    csv = CsvText(ParseDataFile(ReadLines(app.file2.Path())).records);
  } catch (const FileError& e) {
    return e.what();
  }
  const std::string part = path + ".part";
  std::FILE* f = std::fopen(part.c_str(), "wb");
  if (!f) return "cannot create " + part + ": " + std::strerror(errno);
  bool ok = std::fwrite(csv.data(), 1, csv.size(), f) == csv.size();
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  std::error_code ec;
  if (!ok) {
    std::filesystem::remove(part, ec);
    return "cannot write " + part;
  }
  std::filesystem::rename(part, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return ec.message();
  }
  return {};
}

void ExportMeasurements_Click(App& app) {
  if (!app.file2.IsOpen()) {
    app.win.MessageBox("There are no measurements to export: no picture with a working file is open.");
    return;
  }
  const std::string& data = app.s.DataFileName;
  const std::size_t dot = data.find_last_of('.');
  const std::string preset = (dot == std::string::npos ? data : data.substr(0, dot)) + ".csv";
  std::optional<std::string> chosen;
  chosen = app.win.SaveFileDialog("Export measurements", "CSV files(*.csv)|*.csv|All files(*.*)|*.*", preset, "");
  if (!chosen || chosen->empty()) return;
  if (std::string e = ExportMeasurements(app, *chosen); !e.empty()) {
    app.win.MessageBox("The measurements were not exported to " + *chosen + ": " + e);
  }
}

}  // namespace pelorin
