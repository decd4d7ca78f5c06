#pragma once

#include <QString>
#include <memory>

class QSqlDatabase;
class QSqlError;

// What differs between a record in a SQLite file and one on a PostgreSQL
// server: the connection, the transaction that writes, the locks, and whether
// a lost connection is worth waiting for.
class RecordDialect {
public:
    // The dialect for the address: a server's URL, or else a file.
    static std::unique_ptr<RecordDialect> For(const QString& address);
    virtual ~RecordDialect() = default;

    // Adds the connection under that name, set up for the address; empty, or why it cannot be.
    virtual QString AddConnection(const QString& address, const QString& connectionName, QSqlDatabase& db) const = 0;
    // Run once on every connection, right after it opens.
    virtual QString SessionSetup() const = 0;
    // Run once before the tables are made; empty when nothing is needed.
    virtual QString BeforeTables() const = 0;
    // Opens a transaction that holds the write lock from its start.
    virtual QString BeginWrite() const = 0;
    virtual QString IdColumn() const = 0;
    // Held to the end of the transaction, so that one writer at a time passes; empty when BeginWrite holds it already.
    virtual QString Lock(int key) const = 0;
    // Whether the statement may simply be tried again at once.
    virtual bool IsBusy(const QSqlError& error) const = 0;
    // Whether a connection that failed may come back, so a finished chip's row is worth waiting for.
    virtual bool MayComeBack() const = 0;
    // Whether the record takes one writer at a time: a process's writers then queue among themselves,
    // rather than in the record's busy waits.
    virtual bool OneWriter() const = 0;
};
