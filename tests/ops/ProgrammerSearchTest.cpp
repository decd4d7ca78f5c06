// Finding the programmer among several ports: real links to simulated
// programmers and to pseudo-terminals where nothing answers.
#include "PtySimulator.h"
#include "link/QtSerialLink.h"
#include "ops/ProgrammerSearch.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

namespace {

// A port with a device behind it that never answers.
struct SilentPort {
    SilentPort() { ::openpty(&master, &slave, nullptr, nullptr, nullptr); }
    ~SilentPort()
    {
        ::close(slave);
        ::close(master);
    }
    QString Path() const { return QString::fromLocal8Bit(::ttyname(slave)); }
    int master = -1;
    int slave = -1;
};

ProgrammerSearch::Found Search(const QStringList& ports)
{
    // A budget that a loaded machine keeps to; the command line's is 200 ms.
    return ProgrammerSearch::Among(
        ports, [] { return std::make_unique<QtSerialLink>(); }, std::chrono::milliseconds(1000));
}

}  // namespace

TEST(ProgrammerSearch, TakesTheOnePortThatAnswersAndNamesNoneOrSeveralAndLeavesAHeldOneAlone)
{
    PtySimulator first, second;
    first.Start();
    second.Start();
    const SilentPort quiet, other;
    const QString a = first.Path(), b = second.Path(), x = quiet.Path(), y = other.Path();

    ProgrammerSearch::Found found = Search({x, a, y});
    EXPECT_EQ(found.answered, QStringList{a});
    EXPECT_EQ(found.tried, (QStringList{x, a, y}));
    EXPECT_EQ(Search({x, y}).answered, QStringList());
    EXPECT_EQ(Search({b, x, a}).answered, (QStringList{b, a}));

    // A port that another program holds is skipped, and nothing is sent to it.
    QtSerialLink holder;
    holder.SetPort(a);
    ASSERT_EQ(holder.Open(), QString());
    const qint64 sent = first.BytesFromProgram();
    found = Search({a, b});
    EXPECT_EQ(found.busy, QStringList{a});
    EXPECT_EQ(found.answered, QStringList{b});
    EXPECT_EQ(first.BytesFromProgram(), sent);
}
