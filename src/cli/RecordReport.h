#pragma once

#include <QString>

// korvexc-cli record: the production record's rows, as an aligned table or as
// CSV, then the summary line.
namespace RecordReport {
// The exit code: success, or the file error when there is no record to read.
int Print(const QString& path, bool csv);
// --check: "intact: N rows" and success, or the row where the chain breaks and how, and the mismatch code.
int Check(const QString& path);
// --head: the chain's last row and its hash.
int Head(const QString& path);
}  // namespace RecordReport
