#pragma once

#include <QString>
#include <QStringList>
#include <map>

// Chips passed, failed and found empty, per port and in total: what the
// rounds, the record's summary and the line's counters all count alike. An
// empty socket counts as neither passed nor failed.
class Tally {
public:
    enum class Count { Passed, Failed, Empty, Unfinished };
    struct Counts {
        int passed = 0;
        int failed = 0;
        int empty = 0;
        int unfinished = 0;  // chips whose command never ended: stopped, or cut off in a record
        int Chips() const { return passed + failed + empty + unfinished; }
        void Add(Count count);
    };

    // How the record's result word counts: "success", "empty", "unfinished", or any other word a failure.
    static Count CountOfRecordWord(const QString& word);

    void Add(const QString& port, Count count);
    Counts Of(const QString& port) const;
    Counts Total() const { return total_; }
    // In the order they were first counted.
    const QStringList& Ports() const { return ports_; }

private:
    QStringList ports_;
    std::map<QString, Counts> byPort_;
    Counts total_;
};
