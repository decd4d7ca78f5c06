// The gang's rows on a terminal: redrawn in place, what is told printed above
// them, the tables under them.
#include "cli/CliWords.h"
#include "cli/GangBoard.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <cctype>
#include <cstdio>

namespace {

// The lines a terminal shows, without their trailing blanks. A line the cursor goes up to is drawn afresh whole,
// which is all the model needs to know of the codes.
std::string Screen(const QByteArray& bytes)
{
    QStringList lines{QString()};
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\033') {
            const qsizetype start = i + 2;  // past "\033["
            while (i < bytes.size() && !std::isalpha(uchar(bytes[i])))
                ++i;
            if (i < bytes.size() && bytes[i] == 'A')
                lines.resize(std::max<qsizetype>(1, lines.size() - bytes.mid(start, i - start).toInt()));
            lines.last().clear();
        } else if (bytes[i] == '\n') {
            lines << QString();
        } else if (bytes[i] != '\r') {
            lines.last() += QChar(bytes[i]);
        }
    }
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(u'\n').toStdString();
}

// What a terminal in place of standard output and error shows of a round on two ports and then of sockets on their
// own, as far as the board wrote it out itself: once the sockets have their statuses, after the round, at the end.
std::vector<std::string> Shown(bool quiet)
{
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (::grantpt(terminal) != 0 || ::unlockpt(terminal) != 0)
        return {"no pseudo-terminal"};
    const int screen = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY);
    std::fflush(nullptr);
    const int out = ::dup(STDOUT_FILENO), err = ::dup(STDERR_FILENO);
    ::dup2(screen, STDOUT_FILENO);
    ::dup2(screen, STDERR_FILENO);
    QByteArray bytes;
    std::vector<std::string> shown;
    // A bell rung after what the board wrote: all of that has come through once the bell has.
    const auto take = [&] {
        const char bell = '\a';
        pollfd ready{terminal, POLLIN, 0};
        const bool rung = ::write(screen, &bell, 1) == 1;
        for (char chunk[4096]; rung && !bytes.endsWith(bell) && ::poll(&ready, 1, 30000) > 0;)
            bytes.append(chunk, std::max<ssize_t>(0, ::read(terminal, chunk, sizeof chunk)));
        bytes.replace(bell, "");
        shown.push_back(Screen(bytes));
    };
    GangBoard board({"p1", "p2"}, {quiet, false, false}, NoticeWords({}));
    for (const char* port : {"p1", "p2"})
        board.Tell(LineEvent::StatusShown{port, "Erasing..."});
    board.Tell(LineEvent::StatusShown{"p1", "Done"});
    take();
    board.Tell(LineEvent::MismatchFound{"p2", Mismatch{Memory::ProgramWord, 0x10, 0x3470, 0x2470}});
    // Too soon after the last drawing to be drawn; the round's end draws it.
    board.Tell(LineEvent::PassProgressed{"p2", Progress{Pass::Program, 5, 10}});
    board.Tell(LineEvent::ChipFinished{"p1", 1, ChipResult{}});
    board.Tell(LineEvent::RoundFinished{1, Tally{}});
    take();
    board.Tell(LineEvent::RunStarted{LinePlan{}, {"p1", "p2"}, true});
    board.Tell(LineEvent::ChipFinished{"p2", 1, ChipResult{}});
    board.Tell(LineEvent::RunFinished{Tally{}});
    take();
    std::fflush(nullptr);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    for (const int fd : {out, err, screen, terminal})
        ::close(fd);
    return shown;
}

}  // namespace

TEST(GangBoard, OnATerminalTheRowsAreRedrawnInPlaceUnderWhatIsToldAndAboveTheTables)
{
    const auto lines = [](const QStringList& shown) { return (shown + QStringList{QString()}).join(u'\n').toStdString(); };
    const auto counts = [](const char* p) { return QString::asprintf("%-16s %6d passed %6d failed %6d empty", p, 0, 0, 0); };
    const QStringList rows{"p1" + QString(15, u' ') + "Done", "p2" + QString(15, u' ') + "Erasing..."};
    const QStringList round{"korvexc-cli: p2: program word 0010: expected 3470, read 2470", CliWords::TableHeader(),
                            CliWords::TableRow("p1", ChipResult{}).trimmed()};
    const QStringList end{CliWords::TableRow("p2", ChipResult{}).trimmed(), counts("p1"), counts("p2"),
                          "In all: 0 passed, 0 failed, 0 empty"};
    const QStringList later{rows[0], "p2" + QString(15, u' ') + QStringLiteral("Programming").leftJustified(24) + "  50%"};
    const QStringList drawnRound = round.mid(0, 1) + later + round.mid(1);
    EXPECT_EQ(Shown(false),
              (std::vector{lines(rows), lines(drawnRound), lines(drawnRound + end.mid(0, 1) + later + end.mid(1))}));
    EXPECT_EQ(Shown(true), (std::vector{lines({}), lines(round), lines(round + end)})) << "quiet: no rows";
}
