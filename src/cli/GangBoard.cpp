#include "GangBoard.h"

#include "CliWords.h"
#include "ExitCode.h"
#include "ops/SharedWords.h"

#include <unistd.h>
#include <cstdio>

namespace {

// A terminal is redrawn at most this often: eight ports report far faster.
constexpr qint64 kRedrawMilliseconds = 100;

QString StateText(SocketState state)
{
    switch (state) {
    case SocketState::WaitingForChip:
        return QStringLiteral("waiting for a chip");
    case SocketState::WaitingForRemoval:
        return QStringLiteral("done: take the chip out");
    case SocketState::NoProgrammer:
        break;
    }
    return QStringLiteral("no programmer answers");
}

}  // namespace

GangBoard::GangBoard(const QStringList& ports, Options options, NoticeWords words)
    : options_(options), words_(std::move(words)), terminal_(isatty(STDOUT_FILENO) == 1)
{
    for (const QString& port : ports)
        rows_.push_back(Row{port, {}, -1, -1, {}, {}, {}});
    sinceDrawn_.start();
}

GangBoard::Row& GangBoard::RowOf(const QString& port)
{
    for (Row& row : rows_) {
        if (row.port == port)
            return row;
    }
    return rows_.front();
}

void GangBoard::Tell(const LineEvent::Any& event)
{
    std::visit(Overloaded{
                   [this](const LineEvent::RunStarted& e) { RunStarted(e); },
                   [this](const LineEvent::StatusShown& e) { Status(e.port, e.text); },
                   [this](const LineEvent::PassProgressed& e) { PassProgress(e.port, e.progress); },
                   [this](const LineEvent::MismatchFound& e) { MismatchFound(e.port, e.mismatch); },
                   [this](const LineEvent::NoticeGiven& e) { Notice(e.port, e.notice); },
                   [this](const LineEvent::SocketChanged& e) { SocketChanged(e.port, e.state); },
                   [this](const LineEvent::ChipFinished& e) { ChipFinished(e.port, e.chipNumber, e.result); },
                   [this](const LineEvent::RoundFinished& e) { RoundFinished(e.round, e.tally); },
                   [this](const LineEvent::RunFinished& e) { RunFinished(e.tally); },
                   [](const auto&) {},  // a row tells a chip by its passes and its end
               },
               event);
}

void GangBoard::RunStarted(const LineEvent::RunStarted& run)
{
    automatic_ = run.automatic;
    if (run.plan.command == ChipCommand::Program && run.plan.fuse && !options_.quiet)
        CliWords::PrintFuseReading(*run.plan.fuse);
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
        std::printf("\r\033[K%-16s %-24s %s %s\n", qPrintable(row.port), qPrintable(row.pass),
                    row.percent >= 0 ? qPrintable(QStringLiteral("%1%").arg(row.percent, 3)) : "    ", qPrintable(row.left));
    }
    std::fflush(stdout);
    drawn_ = true;
    sinceDrawn_.restart();
}

void GangBoard::Status(const QString& port, const QString& text)
{
    Row& row = RowOf(port);
    row.pass = text;
    row.percent = -1;
    row.clock.Reset();
    row.left.clear();
    if (options_.quiet)
        return;
    if (terminal_)
        Redraw();
    else
        Line(row, text);
}

void GangBoard::PassProgress(const QString& port, const Progress& progress)
{
    Row& row = RowOf(port);
    const QString pass = SharedWords::PassLabel(progress.pass);
    if (row.clock.Take(progress)) {
        row.pass = pass;
        row.lastTenth = -1;
    }
    row.percent = row.clock.Percent();
    row.left = SharedWords::TimeLeft(row.clock);
    if (options_.quiet)
        return;
    if (terminal_) {
        if (!drawn_ || sinceDrawn_.elapsed() >= kRedrawMilliseconds)
            Redraw();
    } else if (row.percent / 10 != row.lastTenth) {
        row.lastTenth = row.percent / 10;
        Line(row, QStringLiteral("%1 %2%").arg(pass).arg(row.percent));
    }
}

void GangBoard::Above(const QString& text, std::FILE* stream)
{
    if (terminal_ && drawn_)
        std::printf("\033[%zuA\r\033[J", rows_.size());
    std::fflush(stdout);
    if (stream == stderr)
        Complain(text);
    else
        std::printf("%s\n", qPrintable(text));
    drawn_ = false;
    if (terminal_ && !options_.quiet)
        Redraw();
}

void GangBoard::MismatchFound(const QString& port, const Mismatch& mismatch)
{
    if (mismatch.memory == Memory::ConfigurationWord)
        Above(port + QStringLiteral(": ") + SharedWords::FuseVerifyFailure(), stderr);
    else if (!options_.listMismatches)
        Above(port + QStringLiteral(": ") + SharedWords::MismatchLine(mismatch), stderr);
}

void GangBoard::Notice(const QString& port, const LineNotice& notice)
{
    if (const std::optional<QString> line = words_.Line(notice))
        Above(port.isEmpty() ? *line : port + QStringLiteral(": ") + *line, stderr);
}

void GangBoard::SocketChanged(const QString& port, SocketState state)
{
    Status(port, StateText(state));
}

void GangBoard::ChipFinished(const QString& port, int, const ChipResult& result)
{
    Row& row = RowOf(port);
    row.result = result;
    // Sockets on their own have no round to wait for: each chip's row is printed as it ends.
    if (automatic_)
        Above(CliWords::TableRow(port, result), stdout);
}

void GangBoard::PrintCounts(const Tally& tally)
{
    for (const Row& row : rows_) {
        const Tally::Counts counts = tally.Of(row.port);
        std::printf("%-16s %6d passed %6d failed %6d empty\n", qPrintable(row.port), counts.passed, counts.failed, counts.empty);
    }
}

void GangBoard::RoundFinished(int round, const Tally& tally)
{
    if (terminal_ && !options_.quiet)
        Redraw();
    std::printf("%s\n", qPrintable(CliWords::TableHeader()));
    for (Row& row : rows_) {
        if (row.result)
            std::printf("%s\n", qPrintable(CliWords::TableRow(row.port, *row.result)));
        row.result.reset();
    }
    if (options_.counts) {
        PrintCounts(tally);
        const Tally::Counts total = tally.Total();
        std::printf("After round %d: %d passed, %d failed, %d empty. Enter starts the next round, q ends.\n", round, total.passed,
                    total.failed, total.empty);
    }
    std::fflush(stdout);
    drawn_ = false;
}

void GangBoard::RunFinished(const Tally& tally)
{
    if (!automatic_)
        return;
    PrintCounts(tally);
    const Tally::Counts total = tally.Total();
    std::printf("In all: %d passed, %d failed, %d empty\n", total.passed, total.failed, total.empty);
    std::fflush(stdout);
}
