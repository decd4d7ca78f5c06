#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The record's rows chained by hashes: each completed row carries the SHA-256
// of its own fields and of the hash of the row completed before it, so that a
// row edited, deleted or moved breaks the chain where that happened. Rows
// written before the chain began, and rows never completed, stand outside it.
class RecordChain {
public:
    enum class Break { Changed, Missing, OutOfOrder };
    struct State {
        int rows = 0;  // in the chain, up to the break
        std::optional<Break> broken;
        qint64 brokenRow = -1;  // the id of the row where it broke
        QString head;  // the last row's hash
        qint64 headRow = -1;
    };

    // The columns the chain keeps beside a row's own fields.
    static constexpr QLatin1String kHashColumn{"hash"};
    static constexpr QLatin1String kChainColumn{"chain"};

    // The row's hash, over every field but the chain's own, NULL told from empty.
    static QString RowHash(const QStringList& columns, const QStringList& fields, const QString& previous);
    // Walks the rows, as the record reads them, in the chain's order.
    static State Walk(const QStringList& columns, const QList<QStringList>& rows);
};
