#include "production/RecordDialect.h"

#include "production/PostgresDialect.h"
#include "production/ProductionRecord.h"
#include "production/SqliteDialect.h"

std::unique_ptr<RecordDialect> RecordDialect::For(const QString& address)
{
    if (ProductionRecord::IsServer(address))
        return std::make_unique<PostgresDialect>();
    return std::make_unique<SqliteDialect>();
}
