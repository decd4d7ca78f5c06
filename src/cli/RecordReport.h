#pragma once

#include <QString>

// korvexc-cli record: the production record's rows, as an aligned table or as
// CSV, then the summary line.
namespace RecordReport {
// The exit code: success, or the file error when there is no record to read.
int Print(const QString& path, bool csv);
}  // namespace RecordReport
