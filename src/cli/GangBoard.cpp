#include "GangBoard.h"

#include "ExitCode.h"
#include "ops/SharedWords.h"

#include <unistd.h>
#include <cstdio>

namespace {

// A terminal is redrawn at most this often: eight ports report far faster.
constexpr qint64 kRedrawMilliseconds = 100;

}  // namespace

GangBoard::GangBoard(const QStringList& ports, bool quiet) : terminal_(isatty(STDOUT_FILENO) == 1), quiet_(quiet)
{
    for (const QString& port : ports)
        rows_.push_back(Row{port, {}, -1, -1, {}, {}});
    sinceDrawn_.start();
}

void GangBoard::Line(const Row& row, const QString& text)
{
    std::printf("%s: %s\n", qPrintable(row.port), qPrintable(text));
    std::fflush(stdout);
}

void GangBoard::Redraw()
{
    if (drawn_)
        std::printf("\033[%zuA", rows_.size());
    for (const Row& row : rows_) {
        std::printf("\r\033[K%-16s %-20s %s %s\n", qPrintable(row.port), qPrintable(row.pass),
                    row.percent >= 0 ? qPrintable(QStringLiteral("%1%").arg(row.percent, 3)) : "    ", qPrintable(row.left));
    }
    std::fflush(stdout);
    drawn_ = true;
    sinceDrawn_.restart();
}

void GangBoard::Status(int row, const QString& text)
{
    const std::lock_guard lock(mutex_);
    Row& r = rows_[row];
    r.pass = text;
    r.percent = -1;
    r.clock.Reset();
    r.left.clear();
    if (quiet_)
        return;
    if (terminal_)
        Redraw();
    else
        Line(r, text);
}

void GangBoard::Progress(int row, const ::Progress& progress)
{
    const std::lock_guard lock(mutex_);
    Row& r = rows_[row];
    const QString pass = SharedWords::PassLabel(progress.pass);
    if (r.clock.Take(progress)) {
        r.pass = pass;
        r.lastTenth = -1;
    }
    r.percent = r.clock.Percent();
    r.left = SharedWords::TimeLeft(r.clock);
    if (quiet_)
        return;
    if (terminal_) {
        if (!drawn_ || sinceDrawn_.elapsed() >= kRedrawMilliseconds)
            Redraw();
    } else if (r.percent / 10 != r.lastTenth) {
        r.lastTenth = r.percent / 10;
        Line(r, QStringLiteral("%1 %2%").arg(pass).arg(r.percent));
    }
}

void GangBoard::Message(int row, const QString& text)
{
    const std::lock_guard lock(mutex_);
    // Below the rows on a terminal, which are then drawn afresh under it.
    if (terminal_ && drawn_)
        std::printf("\033[%zuA\r\033[J", rows_.size());
    std::fflush(stdout);
    Complain(rows_[row].port + QStringLiteral(": ") + text);
    drawn_ = false;
    if (terminal_ && !quiet_)
        Redraw();
}

void GangBoard::Close()
{
    const std::lock_guard lock(mutex_);
    if (terminal_ && !quiet_)
        Redraw();
}
