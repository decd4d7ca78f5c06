#include "RecordReport.h"

#include "ExitCode.h"
#include "production/ProductionRecord.h"

#include <QFileInfo>
#include <cstdio>

namespace {

QString CsvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

void PrintLines(QList<QStringList> lines, bool csv, int shaColumn)
{
    // A table shows the hash's head, enough to tell files apart; a CSV keeps it whole.
    for (QStringList& fields : lines) {
        for (qsizetype c = 0; c < fields.size(); ++c)
            fields[c] = csv ? CsvField(fields[c]) : c == shaColumn ? fields[c].left(12) : fields[c];
    }
    // A table's columns as wide as their widest field.
    QList<qsizetype> widths(lines.front().size(), 0);
    for (const QStringList& fields : lines) {
        for (qsizetype c = 0; c < fields.size(); ++c)
            widths[c] = std::max(widths[c], fields[c].size());
    }
    for (const QStringList& fields : lines) {
        QStringList cells;
        for (qsizetype c = 0; c < fields.size(); ++c)
            cells << (csv || c + 1 == fields.size() ? fields[c] : fields[c].leftJustified(widths[c]));
        std::printf("%s\n", qPrintable(cells.join(csv ? QStringLiteral(",") : QStringLiteral("  "))));
    }
}

}  // namespace

int RecordReport::Print(const QString& path, bool csv)
{
    if (!ProductionRecord::IsServer(path) && !QFileInfo::exists(path)) {
        Complain(QStringLiteral("there is no record %1").arg(path));
        return kFileError;
    }
    ProductionRecord record(path, QStringLiteral("korvexc-print"));
    const std::optional<ProductionRecord::Table> table = record.Rows();
    if (!table) {
        Complain(QStringLiteral("cannot read %1: %2").arg(ProductionRecord::Shown(path), record.Problem()));
        return kFileError;
    }
    PrintLines(QList<QStringList>{table->columns} + table->rows, csv, int(table->columns.indexOf(QStringLiteral("sha256"))));
    const Tally::Counts counts = ProductionRecord::Summary(*table);
    // Beside a CSV, not in it, so that a spreadsheet reads the rows alone.
    std::fprintf(csv ? stderr : stdout, "%d chips, %d passed, %d failed, %d empty, %d unfinished\n", counts.Chips(),
                 counts.passed, counts.failed, counts.empty, counts.unfinished);
    return kSuccess;
}
