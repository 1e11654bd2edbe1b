#include "app/ExportMeasurements.h"

#include <optional>

#include "app/Errors.h"
#include "base/AtomicFile.h"
#include "base/TextFile.h"
#include "formats/DataFile.h"
#include "formats/Export.h"

namespace pelorin {

std::string ExportMeasurements(const App& app, const std::string& path) {
  if (!app.file2.IsOpen()) return "no working file is open for this picture";
  std::string csv;
  try {
    const std::vector<DataRecord> records = ParseDataFile(ReadLines(app.file2.Path())).records;
    if (app.s.CalibrationState != 3) {
      csv = CsvText(records);
    } else {
      std::vector<PositionErrors> errors;
      errors.reserve(records.size());
      // The list in step with the working file gives each record its own
      // errors (a found spot's, an autoselected point's); a record it does
      // not hold at that place, a click's.
      std::vector<const RecordLine*> listed;
      for (const RecordLine& l : app.book.list.lines)
        if (l.record) listed.push_back(&l);
      for (std::size_t i = 0; i < records.size(); ++i) {
        const DataRecord& r = records[i];
        const RecordLine* l = i < listed.size() ? listed[i] : nullptr;
        const bool same = l && l->name == r.name && l->B_deg == r.B && l->L_deg == r.L;
        errors.push_back(same ? RecordErrors(app, *l) : RecordErrors(app, r.B, r.L));
      }
      csv = CsvTextWithErrors(records, errors, ErrorSource(app));
    }
  } catch (const FileError& e) {
    return e.what();
  }
  return WriteFileAtomically(path, csv);
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
