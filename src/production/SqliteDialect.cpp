#include "production/SqliteDialect.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace {

constexpr int kBusyMilliseconds = 30000;

}  // namespace

QString SqliteDialect::AddConnection(const QString& address, const QString& connectionName, QSqlDatabase& db) const
{
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(address);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMilliseconds));
    return QString();
}

QString SqliteDialect::SessionSetup() const
{
    // NORMAL still survives a killed process in WAL mode.
    return QStringLiteral("PRAGMA synchronous=NORMAL");
}

QString SqliteDialect::BeforeTables() const
{
    // WAL lets readers and one writer work at once, and is kept in the file.
    return QStringLiteral("PRAGMA journal_mode=WAL");
}

QString SqliteDialect::BeginWrite() const
{
    return QStringLiteral("BEGIN IMMEDIATE");
}

QString SqliteDialect::IdColumn() const
{
    return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
}

QString SqliteDialect::Lock(int) const
{
    return QString();
}

bool SqliteDialect::IsBusy(const QSqlError& error) const
{
    // Where waiting could deadlock, SQLite answers "busy" or "locked" at once instead of waiting out its timeout.
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6");
}
