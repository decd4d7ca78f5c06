#include "RecordReport.h"

#include "ExitCode.h"
#include "production/ProductionRecord.h"
#include "production/RecordChain.h"

#include <QFileInfo>
#include <cstdio>

namespace {

QString CsvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

void PrintLines(QList<QStringList> lines, bool csv, const QList<qsizetype>& hashColumns)
{
    // A table shows a hash's head, enough to tell files and rows apart; a CSV keeps it whole.
    for (QStringList& fields : lines) {
        for (qsizetype c = 0; c < fields.size(); ++c)
            fields[c] = csv ? CsvField(fields[c]) : hashColumns.contains(c) ? fields[c].left(12) : fields[c];
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

// The record's rows; nothing when there are none to read, after saying why.
std::optional<ProductionRecord::Table> Read(const QString& path)
{
    if (!ProductionRecord::IsServer(path) && !QFileInfo::exists(path)) {
        Complain(QStringLiteral("there is no record %1").arg(path));
        return std::nullopt;
    }
    ProductionRecord record(path, QStringLiteral("korvexc-print"));
    std::optional<ProductionRecord::Table> table = record.Rows();
    if (!table)
        Complain(QStringLiteral("cannot read %1: %2").arg(ProductionRecord::Shown(path), record.Problem()));
    return table;
}

}  // namespace

int RecordReport::Check(const QString& path)
{
    const std::optional<ProductionRecord::Table> table = Read(path);
    if (!table)
        return kFileError;
    const RecordChain::State chain = RecordChain::Walk(table->columns, table->rows);
    if (!chain.broken) {
        std::printf("intact: %d rows\n", chain.rows);
        return kSuccess;
    }
    const char* how = *chain.broken == RecordChain::Break::Changed   ? "changed since it was written"
                      : *chain.broken == RecordChain::Break::Missing ? "a row before it is missing"
                                                                     : "out of order";
    std::printf("broken at row %lld: %s (%d rows intact before it)\n", chain.brokenRow, how, chain.rows);
    return kMismatch;
}

int RecordReport::Head(const QString& path)
{
    const std::optional<ProductionRecord::Table> table = Read(path);
    if (!table)
        return kFileError;
    const RecordChain::State chain = RecordChain::Walk(table->columns, table->rows);
    if (chain.broken) {
        Complain(QStringLiteral("the chain is broken at row %1: see record --check").arg(chain.brokenRow));
        return kMismatch;
    }
    if (chain.head.isEmpty())
        std::printf("no row in the chain yet\n");
    else
        std::printf("row %lld, %d rows: %s\n", chain.headRow, chain.rows, qPrintable(chain.head));
    return kSuccess;
}

int RecordReport::Print(const QString& path, bool csv)
{
    const std::optional<ProductionRecord::Table> table = Read(path);
    if (!table)
        return kFileError;
    PrintLines(QList<QStringList>{table->columns} + table->rows, csv,
               {table->columns.indexOf(QStringLiteral("sha256")), table->columns.indexOf(RecordChain::kHashColumn)});
    const Tally::Counts counts = ProductionRecord::Summary(*table);
    // Beside a CSV, not in it, so that a spreadsheet reads the rows alone.
    std::fprintf(csv ? stderr : stdout, "%d chips, %d passed, %d failed, %d empty, %d unfinished\n", counts.Chips(),
                 counts.passed, counts.failed, counts.empty, counts.unfinished);
    return kSuccess;
}
