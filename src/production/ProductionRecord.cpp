#include "production/ProductionRecord.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include "production/ChipResult.h"
#include "production/RecordDialect.h"

#include "Version.h"

namespace {

constexpr int kBusyMilliseconds = 30000;
// How long a chip that is done waits for a server that went away to take its row.
constexpr int kLostMilliseconds = 30000;
// What each version after the first changed, in order: a record is brought up
// to date from the version it holds.
// One step may hold several statements, each ending with a semicolon.
const char* const kUpgrades[] = {
    "ALTER TABLE chips ADD COLUMN device TEXT;",  // 2: the chip's ID word
    // 3: the job that ran, and the program that wrote the row
    ("ALTER TABLE chips ADD COLUMN job TEXT; ALTER TABLE chips ADD COLUMN job_sha256 TEXT;"
     " ALTER TABLE chips ADD COLUMN program_version TEXT;"),
    "ALTER TABLE chips ADD COLUMN lot TEXT;",  // 4: the lot that stood at the station as the chip started
};
constexpr int kSchemaVersion = 1 + int(std::size(kUpgrades));
// Advisory locks on the server: one station at a time creates the tables, or takes a serial number.
constexpr int kTablesLock = 0x4B58;
constexpr int kSerialLock = 0x4B59;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS chips ("
    " id %1,"
    " started TEXT NOT NULL,"
    " host TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " command TEXT NOT NULL,"
    " file TEXT,"
    " sha256 TEXT,"
    " fuse TEXT,"
    " serial BIGINT UNIQUE,"
    " result TEXT NOT NULL DEFAULT '%2',"
    " first_mismatch TEXT,"
    " seconds DOUBLE PRECISION)";

}  // namespace

bool ProductionRecord::IsServer(const QString& address)
{
    return address.startsWith(QLatin1String("postgresql://")) || address.startsWith(QLatin1String("postgres://"));
}

QString ProductionRecord::Shown(const QString& address)
{
    return IsServer(address) ? QUrl(address).toString(QUrl::RemovePassword) : address;
}

ProductionRecord::ProductionRecord(const QString& address, const QString& connectionName)
    : connectionName_(connectionName), dialect_(RecordDialect::For(address))
{
    problem_ = dialect_->AddConnection(address, connectionName, db_);
    if (problem_.isEmpty())
        Connect();
}

bool ProductionRecord::Connect()
{
    if (!db_.open()) {
        problem_ = db_.lastError().text();
        return false;
    }
    problem_.clear();
    return Exec(dialect_->SessionSetup());
}

QString ProductionRecord::Create(const QString& address)
{
    // Once, before the workers connect: SQLite does not wait out its busy
    // timeout for connections that switch the journal or create the table at
    // the same moment, so a gang on a new file lost ports to "database is locked".
    ProductionRecord record(address, QStringLiteral("korvexc-create"));
    if (record.problem_.isEmpty())
        record.MakeTables();
    return record.problem_;
}

bool ProductionRecord::TablesUpToDate()
{
    // Checked before anything that needs the right to create tables, which a
    // station's user need not have once they exist.
    QSqlQuery query(db_);
    return query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) && query.next()
           && query.value(0).toInt() == kSchemaVersion;
}

bool ProductionRecord::MakeTables()
{
    if (TablesUpToDate())
        return true;
    if (!ExecIfAny(dialect_->BeforeTables()) || !Exec(dialect_->BeginWrite()))
        return false;
    auto rollback = qScopeGuard([this] { QSqlQuery(db_).exec(QStringLiteral("ROLLBACK")); });
    QSqlQuery query(db_);
    if (!ExecIfAny(dialect_->Lock(kTablesLock))
        || !Exec(QString::fromLatin1(kSchema).arg(dialect_->IdColumn(), ChipResult::kUnfinished))
        || !Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"))
        || !ExecQuery(query, QStringLiteral("SELECT MAX(version) FROM schema_version")) || !query.next())
        return false;
    // A record from before versions were kept has version 1's tables.
    const int version = std::max(1, query.value(0).toInt());
    const bool stamped = !query.value(0).isNull();
    query.finish();
    if (version > kSchemaVersion) {
        problem_ = QStringLiteral("the record was written by a newer korvexc-cli (tables version %1; this one knows %2)")
                       .arg(version)
                       .arg(kSchemaVersion);
        return false;
    }
    for (int from = version; from < kSchemaVersion; ++from) {
        for (const QString& statement : QString::fromLatin1(kUpgrades[from - 1]).split(u';', Qt::SkipEmptyParts)) {
            if (!statement.trimmed().isEmpty() && !Exec(statement))
                return false;
        }
    }
    const QString stamp = stamped ? QStringLiteral("UPDATE schema_version SET version = %1")
                                  : QStringLiteral("INSERT INTO schema_version VALUES (%1)");
    if ((version < kSchemaVersion || !stamped) && !Exec(stamp.arg(kSchemaVersion)))
        return false;
    if (!Exec(QStringLiteral("COMMIT")))
        return false;
    rollback.dismiss();
    return true;
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
    return ExecQuery(query, sql);
}

bool ProductionRecord::ExecIfAny(const QString& sql)
{
    return sql.isEmpty() || Exec(sql);
}

bool ProductionRecord::ExecQuery(QSqlQuery& query, const QString& sql)
{
    QElapsedTimer waited;
    waited.start();
    while (!(sql.isEmpty() ? query.exec() : query.exec(sql))) {
        if (!dialect_->IsBusy(query.lastError()) || waited.elapsed() > kBusyMilliseconds) {
            problem_ = QStringLiteral("%1 (in %2)").arg(query.lastError().text(), query.lastQuery());
            return false;
        }
        QThread::msleep(5);
    }
    return true;
}

std::optional<ProductionRecord::Row> ProductionRecord::Begin(const Start& start)
{
    if (!problem_.isEmpty() || !Exec(dialect_->BeginWrite()))
        return std::nullopt;
    // A failed statement, or a failed COMMIT, must not leave the connection inside the transaction.
    auto rollback = qScopeGuard([this] { QSqlQuery(db_).exec(QStringLiteral("ROLLBACK")); });
    Row row;
    QSqlQuery query(db_);
    const LinePlan& plan = start.plan;
    if (start.numbered && plan.serials) {
        const auto [first, step] = *plan.serials;
        // The write lock is held from here to COMMIT, so two writers never read the same highest number.
        if (!ExecIfAny(dialect_->Lock(kSerialLock)) || !ExecQuery(query, QStringLiteral("SELECT MAX(serial) FROM chips"))
            || !query.next())
            return std::nullopt;
        row.serial = query.value(0).isNull() ? first : std::max(first, query.value(0).toLongLong() + step);
    }
    query.prepare(
        QStringLiteral("INSERT INTO chips (started, host, port, command, file, sha256, fuse, serial, job, job_sha256,"
                       " program_version, lot) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    query.addBindValue(QSysInfo::machineHostName());
    query.addBindValue(start.port);
    query.addBindValue(QString(ChipCommands::Name(plan.command)));
    query.addBindValue(plan.file.isEmpty() ? QVariant() : QVariant(QFileInfo(plan.file).fileName()));
    query.addBindValue(plan.sha256.isEmpty() ? QVariant() : QVariant(plan.sha256));
    query.addBindValue(plan.fuse ? QVariant(QString::number(*plan.fuse, 16).toUpper()) : QVariant());
    query.addBindValue(row.serial ? QVariant(*row.serial) : QVariant());
    query.addBindValue(plan.job.isEmpty() ? QVariant() : QVariant(plan.job));
    query.addBindValue(plan.jobSha256.isEmpty() ? QVariant() : QVariant(plan.jobSha256));
    query.addBindValue(QLatin1String(Version::kText));
    query.addBindValue(start.lot.isEmpty() ? QVariant() : QVariant(start.lot));
    if (!ExecQuery(query) || !query.next())
        return std::nullopt;
    row.id = query.value(0).toLongLong();
    query.finish();
    if (!Exec(QStringLiteral("COMMIT")))
        return std::nullopt;
    rollback.dismiss();
    return row;
}

bool ProductionRecord::Finish(qint64 id, const QString& result, const QString& firstMismatch, double seconds,
                              const QString& device)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery query(db_);
        query.prepare(QStringLiteral("UPDATE chips SET result = ?, first_mismatch = ?, seconds = ?, device = ? WHERE id = ?"));
        query.addBindValue(result);
        query.addBindValue(firstMismatch.isEmpty() ? QVariant() : QVariant(firstMismatch));
        query.addBindValue(seconds);
        query.addBindValue(device.isEmpty() ? QVariant() : QVariant(device));
        query.addBindValue(id);
        if (ExecQuery(query))
            return true;
        // The chip is done and only its row is missing: a server that went away is given time to come back.
        if (!dialect_->MayComeBack() || waited.elapsed() > kLostMilliseconds)
            return false;
        QThread::msleep(1000);
        db_.close();
        Connect();
    }
}

std::optional<ProductionRecord::Table> ProductionRecord::Rows()
{
    QSqlQuery query(db_);
    if (!problem_.isEmpty() || !ExecQuery(query, QStringLiteral("SELECT * FROM chips ORDER BY id")))
        return std::nullopt;
    Table table;
    const QSqlRecord columns = query.record();
    for (int c = 0; c < columns.count(); ++c)
        table.columns << columns.fieldName(c);
    while (query.next()) {
        QStringList fields;
        // A number the row does not have reads empty: PostgreSQL's driver gives a NULL serial as 0.
        for (int c = 0; c < columns.count(); ++c)
            fields << (query.isNull(c) ? QString() : query.value(c).toString());
        table.rows << fields;
    }
    return table;
}

Tally::Counts ProductionRecord::Summary(const Table& table)
{
    const qsizetype result = table.columns.indexOf(QStringLiteral("result"));
    Tally tally;
    for (const QStringList& row : table.rows)
        tally.Add(QString(), Tally::CountOfRecordWord(row.value(result)));
    return tally.Total();
}
