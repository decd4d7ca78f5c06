#include "production/ProductionRecord.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include "production/ChipResult.h"
#include "production/RecordChain.h"
#include "production/RecordDialect.h"

#include "Version.h"

#include <cmath>

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
    // 5: the line of a serial number file each chip got, and the hash chain
    ("ALTER TABLE chips ADD COLUMN serial_file TEXT; ALTER TABLE chips ADD COLUMN serial_line INTEGER;"
     " ALTER TABLE chips ADD COLUMN serial_data TEXT; ALTER TABLE chips ADD COLUMN chain BIGINT;"
     " ALTER TABLE chips ADD COLUMN hash TEXT; CREATE UNIQUE INDEX chips_chain ON chips (chain);"
     " CREATE UNIQUE INDEX chips_serial_line ON chips (serial_file, serial_line);"),
};
constexpr int kSchemaVersion = 1 + int(std::size(kUpgrades));
// Advisory locks on the server: one station at a time creates the tables, or takes a serial number.
constexpr int kTablesLock = 0x4B58;
constexpr int kSerialLock = 0x4B59;
constexpr int kChainLock = 0x4B5A;

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

QList<std::pair<QString, QVariant>> ProductionRecord::StartFields(const Start& start, const Row& row)
{
    const LinePlan& plan = start.plan;
    const auto optional = [](const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); };
    return {{QStringLiteral("started"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
            {QStringLiteral("host"), QSysInfo::machineHostName()},
            {QStringLiteral("port"), start.port},
            {QStringLiteral("command"), QString(ChipCommands::Name(plan.command))},
            {QStringLiteral("file"), optional(plan.file.isEmpty() ? QString() : QFileInfo(plan.file).fileName())},
            {QStringLiteral("sha256"), optional(plan.sha256)},
            {QStringLiteral("fuse"), plan.fuse ? QVariant(QString::number(*plan.fuse, 16).toUpper()) : QVariant()},
            {QStringLiteral("serial"), row.serial ? QVariant(*row.serial) : QVariant()},
            {QStringLiteral("job"), optional(plan.job)},
            {QStringLiteral("job_sha256"), optional(plan.jobSha256)},
            {QStringLiteral("program_version"), QString::fromLatin1(Version::kText)},
            {QStringLiteral("lot"), optional(start.lot)},
            {QStringLiteral("serial_file"), row.line ? QVariant(NumberFile::NameOf(plan.serialFile)) : QVariant()},
            {QStringLiteral("serial_line"), row.line ? QVariant(row.line->number) : QVariant()},
            {QStringLiteral("serial_data"), row.line ? QVariant(QString::fromLatin1(':' + row.line->text.mid(1))) : QVariant()}};
}

bool ProductionRecord::IsServer(const QString& address)
{
    return address.startsWith(QLatin1String("postgresql://")) || address.startsWith(QLatin1String("postgres://"));
}

QString ProductionRecord::Shown(const QString& address)
{
    return IsServer(address) ? QUrl(address).toString(QUrl::RemovePassword) : address;
}

ProductionRecord::ProductionRecord(const QString& address, const QString& connectionName)
    : address_(address), connectionName_(connectionName), dialect_(RecordDialect::For(address))
{
    problem_ = dialect_->AddConnection(address, connectionName, db_);
    if (problem_.isEmpty())
        Connect();
}

bool ProductionRecord::Connect()
{
    append_.reset();
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
    append_.reset();
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

bool ProductionRecord::TakeNumber(const LinePlan& plan, Row& row)
{
    // The write lock is held from here to COMMIT, so two writers never take the same number or line.
    QSqlQuery query(db_);
    if (!ExecIfAny(dialect_->Lock(kSerialLock)))
        return false;
    if (plan.serialFile.isEmpty()) {
        const auto [first, step] = *plan.serials;
        if (!ExecQuery(query, QStringLiteral("SELECT MAX(serial) FROM chips")) || !query.next())
            return false;
        row.serial = query.value(0).isNull() ? first : std::max(first, query.value(0).toLongLong() + step);
        return true;
    }
    query.prepare(QStringLiteral("SELECT MAX(serial_line) FROM chips WHERE serial_file = ?"));
    query.addBindValue(NumberFile::NameOf(plan.serialFile));
    if (!ExecQuery(query) || !query.next())
        return false;
    // Read again each time: another station may have marked lines in a file they share.
    const std::variant<NumberFile, QString> file = NumberFile::Read(plan.serialFile);
    if (const QString* problem = std::get_if<QString>(&file)) {
        problem_ = *problem;
        return false;
    }
    row.line = std::get<NumberFile>(file).NextAfter(query.value(0).toInt());
    row.usedUp = !row.line;
    return true;
}

std::optional<ProductionRecord::Row> ProductionRecord::Begin(const Start& start)
{
    std::unique_lock<std::mutex> writers =
        dialect_->OneWriter() ? std::unique_lock(ChainTips::Shared().mutex) : std::unique_lock<std::mutex>();
    if (!problem_.isEmpty() || !Exec(dialect_->BeginWrite()))
        return std::nullopt;
    // A failed statement, or a failed COMMIT, must not leave the connection inside the transaction.
    auto rollback = qScopeGuard([this] { QSqlQuery(db_).exec(QStringLiteral("ROLLBACK")); });
    Row row;
    const LinePlan& plan = start.plan;
    if (start.numbered && (plan.serials || !plan.serialFile.isEmpty()) && !TakeNumber(plan, row))
        return std::nullopt;
    if (row.usedUp)
        return row;
    row.fields = StartFields(start, row);
    QStringList names;
    for (const auto& [name, value] : row.fields)
        names << name;
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("INSERT INTO chips (%1) VALUES (?%2) RETURNING id")
                      .arg(names.join(QLatin1String(", ")), QStringLiteral(", ?").repeated(names.size() - 1)));
    for (const auto& [name, value] : row.fields)
        query.addBindValue(value);
    if (!ExecQuery(query) || !query.next())
        return std::nullopt;
    row.id = query.value(0).toLongLong();
    row.fields.append({QStringLiteral("id"), query.value(0)});
    query.finish();
    if (!Exec(QStringLiteral("COMMIT")))
        return std::nullopt;
    rollback.dismiss();
    if (row.line)
        row.markProblem = NumberFile::MarkUsed(plan.serialFile, *row.line);
    return row;
}

bool ProductionRecord::Finish(const Row& row, const End& end)
{
    QElapsedTimer waited;
    waited.start();
    while (!Complete(row, end)) {
        // The chip is done and only its row is missing: a server that went away is given time to come back.
        if (!dialect_->MayComeBack() || waited.elapsed() > kLostMilliseconds)
            return false;
        QThread::msleep(1000);
        db_.close();
        Connect();
    }
    return true;
}

bool ProductionRecord::Complete(const Row& row, const End& end)
{
    // This process's writers join the chain one at a time, each knowing the link before it.
    ChainTips& tips = ChainTips::Shared();
    const std::lock_guard lock(tips.mutex);
    const auto known = tips.last.find(address_);
    if (known != tips.last.end() && Append(row, end, known->second, false))
        return true;
    // Another station wrote since, or this process never did: the link is read under the record's lock.
    if (!Exec(dialect_->BeginWrite()))
        return false;
    auto rollback = qScopeGuard([this] { QSqlQuery(db_).exec(QStringLiteral("ROLLBACK")); });
    QSqlQuery last(db_);
    if (!ExecIfAny(dialect_->Lock(kChainLock))
        || !ExecQuery(last, QStringLiteral("SELECT chain, hash FROM chips WHERE chain = (SELECT MAX(chain) FROM chips)")))
        return false;
    ChainTips::Link link;
    if (last.next())
        link = {last.value(0).toLongLong(), last.value(1).toString()};
    last.finish();
    if (!Append(row, end, link, true) || !Exec(QStringLiteral("COMMIT")))
        return false;
    rollback.dismiss();
    tips.last[address_] = link;
    return true;
}

bool ProductionRecord::Append(const Row& row, const End& end, ChainTips::Link& link, bool reportFailure)
{
    // Whole seconds to the millisecond, written as the record reads them back, so that the hash holds on reading.
    const QString seconds = QString::number(std::round(end.seconds * 1000.0) / 1000.0, 'g', QLocale::FloatingPointShortest);
    QList<std::pair<QString, QVariant>> fields = row.fields;
    fields << std::pair(QStringLiteral("result"), QVariant(end.result))
           << std::pair(QStringLiteral("first_mismatch"), end.firstMismatch.isEmpty() ? QVariant() : QVariant(end.firstMismatch))
           << std::pair(QStringLiteral("seconds"), QVariant(seconds))
           << std::pair(QStringLiteral("device"), end.device.isEmpty() ? QVariant() : QVariant(end.device));
    QStringList columns, texts;
    for (const auto& [name, value] : fields) {
        columns << name;
        texts << FieldText(value, value.isNull());
    }
    const QString hash = RecordChain::RowHash(columns, texts, link.hash);
    // Only after the link this writer knows: a row that another writer put in the same place since is refused by the
    // unique chain index.
    // Prepared once a connection: the statement a chip's completion always runs.
    if (!append_) {
        append_ = std::make_unique<QSqlQuery>(db_);
        append_->prepare(QStringLiteral(
            "UPDATE chips SET result = ?, first_mismatch = ?, seconds = ?, device = ?, chain = ?, hash = ?"
            " WHERE id = ? AND chain IS NULL AND COALESCE((SELECT hash FROM chips WHERE chain = ?), '') = COALESCE(?, '')"));
    }
    QSqlQuery& query = *append_;
    int bound = 0;
    for (qsizetype f = fields.size() - 4; f < fields.size(); ++f)
        query.bindValue(bound++, fields[f].second);
    for (const QVariant& value :
         {QVariant(link.position + 1), QVariant(hash), QVariant(row.id), QVariant(link.position), QVariant(link.hash)})
        query.bindValue(bound++, value);
    const bool appended = (reportFailure ? ExecQuery(query) : query.exec()) && query.numRowsAffected() == 1;
    query.finish();
    if (appended)
        link = {link.position + 1, hash};
    return appended;
}

QString ProductionRecord::FieldText(const QVariant& value, bool null)
{
    if (null)
        return QString();
    // Empty, but not NULL: a driver may give an empty text as a null string.
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

QStringList ProductionRecord::Fields(const QSqlQuery& query, int columns)
{
    QStringList fields;
    // A number the row does not have reads NULL: PostgreSQL's driver gives a NULL serial as 0.
    for (int c = 0; c < columns; ++c)
        fields << FieldText(query.value(c), query.isNull(c));
    return fields;
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
    while (query.next())
        table.rows << Fields(query, columns.count());
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
