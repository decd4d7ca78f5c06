#pragma once

#include "ops/SerialPlace.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

class QSqlQuery;

// The production record: one row per chip and command in a SQLite file that
// several threads and processes share. A row is written when the chip's
// command starts, and completed when it ends; a run cut short leaves it
// marked unfinished. Serial numbers are given out from it, in the same
// transaction that writes the starting row, so that none is given twice.
class ProductionRecord {
public:
    // The results the summary counts: a chip that passed, and one whose command has not ended.
    static constexpr QLatin1String kSuccess{"success"};
    static constexpr QLatin1String kUnfinished{"unfinished"};

    struct Start {
        QString port;
        QString command;
        QString file;
        QString sha256;
        std::optional<int> fuse;
        // The sequence to take a serial number from.
        std::optional<SerialSequence> serials;
    };
    struct Row {
        qint64 id = -1;
        std::optional<long long> serial;
    };

    // Creates the file when missing, in WAL mode and with its schema; empty, or why not.
    static QString Create(const QString& path);

    // One connection per thread, to a record made by Create(): connectionName must be unique among them.
    ProductionRecord(const QString& path, const QString& connectionName);
    ~ProductionRecord();
    ProductionRecord(const ProductionRecord&) = delete;
    ProductionRecord& operator=(const ProductionRecord&) = delete;

    // Empty when the file is ready; otherwise why not.
    QString Problem() const { return problem_; }
    // Nothing when the row cannot be written (Problem() says why).
    std::optional<Row> Begin(const Start& start);
    bool Finish(qint64 id, const QString& result, const QString& firstMismatch, double seconds);

    // The column names, then every row, oldest first, as text; nothing when
    // the record cannot be read (Problem() says why).
    struct Table {
        QStringList columns;
        QList<QStringList> rows;
    };
    std::optional<Table> Rows();
    struct Counts {
        int chips = 0;
        int passed = 0;
        int unfinished = 0;
        int Failed() const { return chips - passed - unfinished; }
    };
    // Counted from the rows read, so that a summary always tells of the rows printed beside it.
    static Counts Summary(const Table& table);

private:
    bool Exec(const QString& sql);
    // Runs the prepared query, or sql; on failure Problem() names the statement.
    bool Run(QSqlQuery& query, const QString& sql = QString());

    QString connectionName_;
    QSqlDatabase db_;
    QString problem_;
};
