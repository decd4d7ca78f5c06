#include "ProductionRecord.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QThread>
#include <QVariant>

namespace {

constexpr int kBusyMilliseconds = 30000;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS chips ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " started TEXT NOT NULL,"
    " host TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " command TEXT NOT NULL,"
    " file TEXT,"
    " sha256 TEXT,"
    " fuse TEXT,"
    " serial INTEGER UNIQUE,"
    " result TEXT NOT NULL DEFAULT '%1',"
    " first_mismatch TEXT,"
    " seconds REAL)";

}  // namespace

ProductionRecord::ProductionRecord(const QString& path, const QString& connectionName) : connectionName_(connectionName)
{
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db_.setDatabaseName(path);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMilliseconds));
    if (!db_.open()) {
        problem_ = db_.lastError().text();
        return;
    }
    // NORMAL still survives a killed process in WAL mode.
    Exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

QString ProductionRecord::Create(const QString& path)
{
    // Once, before the workers connect: SQLite does not wait out its busy
    // timeout for connections that switch the journal or create the table at
    // the same moment, so a gang on a new file lost ports to "database is locked".
    ProductionRecord record(path, QStringLiteral("korvexc-create"));
    // WAL lets readers and one writer work at once, and is kept in the file.
    if (record.problem_.isEmpty() && record.Exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        record.Exec(QString::fromLatin1(kSchema).arg(kUnfinished));
    return record.problem_;
}

ProductionRecord::~ProductionRecord()
{
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

bool ProductionRecord::Exec(const QString& sql)
{
    QSqlQuery query(db_);
    return Run(query, sql);
}

bool ProductionRecord::Run(QSqlQuery& query, const QString& sql)
{
    QElapsedTimer waited;
    waited.start();
    // Where waiting could deadlock, SQLite answers "busy" or "locked" at once
    // instead of waiting out its timeout: the statement is tried again.
    while (!(sql.isEmpty() ? query.exec() : query.exec(sql))) {
        const QString code = query.lastError().nativeErrorCode();
        if ((code != QLatin1String("5") && code != QLatin1String("6")) || waited.elapsed() > kBusyMilliseconds) {
            problem_ = QStringLiteral("%1 (in %2)").arg(query.lastError().text(), query.lastQuery());
            return false;
        }
        QThread::msleep(5);
    }
    return true;
}

std::optional<ProductionRecord::Row> ProductionRecord::Begin(const Start& start)
{
    // IMMEDIATE takes the write lock before the serial number is read, so two
    // writers never read the same highest number.
    if (!problem_.isEmpty() || !Exec(QStringLiteral("BEGIN IMMEDIATE")))
        return std::nullopt;
    // A failed statement, or a failed COMMIT, must not leave the connection inside the transaction.
    auto rollback = qScopeGuard([this] { QSqlQuery(db_).exec(QStringLiteral("ROLLBACK")); });
    Row row;
    QSqlQuery query(db_);
    if (start.serials) {
        const auto [first, step] = *start.serials;
        if (!Run(query, QStringLiteral("SELECT MAX(serial) FROM chips")) || !query.next())
            return std::nullopt;
        row.serial = query.value(0).isNull() ? first : std::max(first, query.value(0).toLongLong() + step);
    }
    query.prepare(
        QStringLiteral("INSERT INTO chips (started, host, port, command, file, sha256, fuse, serial)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    query.addBindValue(QSysInfo::machineHostName());
    query.addBindValue(start.port);
    query.addBindValue(start.command);
    query.addBindValue(start.file.isEmpty() ? QVariant() : QVariant(QFileInfo(start.file).fileName()));
    query.addBindValue(start.sha256.isEmpty() ? QVariant() : QVariant(start.sha256));
    query.addBindValue(start.fuse ? QVariant(QString::number(*start.fuse, 16).toUpper()) : QVariant());
    query.addBindValue(row.serial ? QVariant(*row.serial) : QVariant());
    if (!Run(query))
        return std::nullopt;
    row.id = query.lastInsertId().toLongLong();
    if (!Exec(QStringLiteral("COMMIT")))
        return std::nullopt;
    rollback.dismiss();
    return row;
}

bool ProductionRecord::Finish(qint64 id, const QString& result, const QString& firstMismatch, double seconds)
{
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("UPDATE chips SET result = ?, first_mismatch = ?, seconds = ? WHERE id = ?"));
    query.addBindValue(result);
    query.addBindValue(firstMismatch.isEmpty() ? QVariant() : QVariant(firstMismatch));
    query.addBindValue(seconds);
    query.addBindValue(id);
    return Run(query);
}

std::optional<ProductionRecord::Table> ProductionRecord::Rows()
{
    QSqlQuery query(db_);
    if (!problem_.isEmpty() || !Run(query, QStringLiteral("SELECT * FROM chips ORDER BY id")))
        return std::nullopt;
    Table table;
    const QSqlRecord columns = query.record();
    for (int c = 0; c < columns.count(); ++c)
        table.columns << columns.fieldName(c);
    while (query.next()) {
        QStringList fields;
        for (int c = 0; c < columns.count(); ++c)
            fields << query.value(c).toString();
        table.rows << fields;
    }
    return table;
}

ProductionRecord::Counts ProductionRecord::Summary(const Table& table)
{
    const qsizetype result = table.columns.indexOf(QStringLiteral("result"));
    Counts counts;
    for (const QStringList& row : table.rows) {
        ++counts.chips;
        counts.passed += row.value(result) == kSuccess;
        counts.unfinished += row.value(result) == kUnfinished;
    }
    return counts;
}
