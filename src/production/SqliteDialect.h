#pragma once

#include "production/RecordDialect.h"

// A record in a SQLite file, in WAL mode, that one station's threads and processes share.
class SqliteDialect : public RecordDialect {
public:
    QString AddConnection(const QString& address, const QString& connectionName, QSqlDatabase& db) const override;
    QString SessionSetup() const override;
    QString BeforeTables() const override;
    QString BeginWrite() const override;
    QString IdColumn() const override;
    QString Lock(int key) const override;
    bool IsBusy(const QSqlError& error) const override;
    bool MayComeBack() const override { return false; }
    bool OneWriter() const override { return true; }
};
