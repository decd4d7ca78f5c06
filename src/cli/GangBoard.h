#pragma once

#include "NoticeWords.h"
#include "ops/PassClock.h"
#include "production/LineEvents.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <vector>

// Several programmers at once: on a terminal one row per port redrawn in
// place, elsewhere plain lines prefixed with the port; after each round its
// table, and with rounds or sockets on their own the running counts.
class GangBoard : public LineEvents {
public:
    struct Options {
        bool quiet = false;
        bool listMismatches = false;
        bool counts = false;  // round after round, or sockets on their own: tell the running counts
    };

    GangBoard(const QStringList& ports, Options options, NoticeWords words);

    void Tell(const LineEvent::Any& event) override;

private:
    void RunStarted(const LineEvent::RunStarted& run);
    void Status(const QString& port, const QString& text);
    void PassProgress(const QString& port, const Progress& progress);
    void MismatchFound(const QString& port, const Mismatch& mismatch);
    void Notice(const QString& port, const LineNotice& notice);
    void SocketChanged(const QString& port, SocketState state);
    void ChipFinished(const QString& port, int round, const ChipResult& result);
    void RoundFinished(int round, const Tally& tally);
    void RunFinished(const Tally& tally);
    struct Row {
        QString port;
        QString pass;
        int percent = -1;
        int lastTenth = -1;
        PassClock clock;
        QString left;
        std::optional<ChipResult> result;  // of the round under way
    };
    Row& RowOf(const QString& port);
    void Redraw();
    void Line(const Row& row, const QString& text);
    // A line above the rows on a terminal, which are then drawn afresh under it.
    void Above(const QString& text, std::FILE* stream);
    void PrintCounts(const Tally& tally);

    std::vector<Row> rows_;
    Options options_;
    NoticeWords words_;
    bool automatic_ = false;
    bool terminal_;
    bool drawn_ = false;
    QElapsedTimer sinceDrawn_;
};
