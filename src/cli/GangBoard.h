#pragma once

#include "ops/OperatorFacts.h"
#include "ops/PassClock.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <mutex>
#include <vector>

// The progress of several programmers at once, fed from their worker threads:
// on a terminal one row per port redrawn in place, elsewhere plain lines
// prefixed with the port.
class GangBoard {
public:
    explicit GangBoard(const QStringList& ports, bool quiet);

    void Status(int row, const QString& text);
    void Progress(int row, const ::Progress& progress);
    void Message(int row, const QString& text);
    // Leaves the rows as they stand, so that what follows is printed below them.
    void Close();

private:
    struct Row {
        QString port;
        QString pass;
        int percent = -1;
        int lastTenth = -1;
        PassClock clock;
        QString left;
    };
    void Redraw();
    void Line(const Row& row, const QString& text);

    std::mutex mutex_;
    std::vector<Row> rows_;
    bool terminal_;
    bool quiet_;
    bool drawn_ = false;
    QElapsedTimer sinceDrawn_;
};
