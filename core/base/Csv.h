// CSV fields as spreadsheets read them.
#pragma once

#include <string>

namespace pelorin {

// One CSV field: quoted (quotes doubled) when it holds a comma, a quote or a
// line end, else as it is.
std::string CsvField(const std::string& text);

}  // namespace pelorin
