#include "production/RecordChain.h"

#include "production/ChipResult.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

struct Link {
    qint64 id;
    qint64 position;
    const QStringList* fields;
};

}  // namespace

QString RecordChain::RowHash(const QStringList& columns, const QStringList& fields, const QString& previous)
{
    // A JSON object keeps its keys in order, so the text does not depend on the order of the columns.
    QJsonObject content{{QStringLiteral("previous"), previous}};
    for (qsizetype c = 0; c < columns.size(); ++c) {
        if (columns[c] != kHashColumn && columns[c] != kChainColumn)
            content.insert(QLatin1String("row.") + columns[c], fields[c].isNull() ? QJsonValue() : QJsonValue(fields[c]));
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(QJsonDocument(content).toJson(QJsonDocument::Compact), QCryptographicHash::Sha256).toHex());
}

RecordChain::State RecordChain::Walk(const QStringList& columns, const QList<QStringList>& rows)
{
    const qsizetype id = columns.indexOf(QStringLiteral("id")), chain = columns.indexOf(kChainColumn),
                    hash = columns.indexOf(kHashColumn), result = columns.indexOf(QStringLiteral("result"));
    State state;
    if (chain < 0 || hash < 0)
        return state;
    std::vector<Link> links;
    for (const QStringList& row : rows) {
        if (!row[chain].isNull())
            links.push_back({row[id].toLongLong(), row[chain].toLongLong(), &row});
    }
    std::sort(links.begin(), links.end(), [](const Link& a, const Link& b) { return a.position < b.position; });
    const auto broken = [&state](Break how, qint64 row) {
        state.broken = how;
        state.brokenRow = row;
        return state;
    };
    QString previous;
    for (const Link& link : links) {
        const QStringList& fields = *link.fields;
        if (link.position != state.rows + 1)
            return broken(Break::Missing, link.id);
        if (RowHash(columns, fields, previous) != fields[hash]) {
            // Whole in itself, the row was hashed after another row than the one now before it.
            const bool moved =
                std::any_of(links.begin(), links.end(),
                            [&](const Link& other) { return RowHash(columns, fields, (*other.fields)[hash]) == fields[hash]; })
                || RowHash(columns, fields, QString()) == fields[hash];
            return broken(moved ? Break::OutOfOrder : Break::Changed, link.id);
        }
        previous = fields[hash];
        ++state.rows;
        state.head = previous;
        state.headRow = link.id;
    }
    // A row completed after the chain began is in it: one outside it has been altered.
    for (const QStringList& row : rows) {
        if (row[chain].isNull() && !links.empty() && row[id].toLongLong() > links.front().id
            && row[result] != ChipResult::kUnfinished)
            return broken(Break::Changed, row[id].toLongLong());
    }
    return state;
}
