#include "FileBytes.h"
#include "FirmwareModel.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

const QString kSmall = QStringLiteral(KORVEXC_FIXTURES "/small.hex");

// The paths korvexc-sim prints, one a programmer, as it starts.
QStringList Paths(QProcess& simulator, int count)
{
    QStringList paths;
    while (paths.size() < count && simulator.waitForReadyRead(10000)) {
        while (simulator.canReadLine())
            paths << QString::fromLocal8Bit(simulator.readLine()).trimmed();
    }
    return paths;
}

// What korvexc-cli detect says of the programmer on the port.
QString Detected(const QString& port)
{
    QProcess cli;
    cli.start(QStringLiteral(KORVEXC_CLI), {"--port", port, "detect"});
    cli.waitForFinished(30000);
    return QString::fromLocal8Bit(cli.readAllStandardOutput());
}

}  // namespace

// korvexc-sim as a person starts it: what it refuses, a path per programmer,
// and the chip it loads and keeps saved, written once more as it stops.
TEST(SimulatorProgram, RefusesWhatItCannotServeAndKeepsTheChipItLoads)
{
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("chip.hex"));
    for (const QStringList& refused :
         {QStringList{"--count", "2", "--save", saved}, QStringList{"--latency", "soon"}, QStringList{"--stuck-bit", "10:14"}}) {
        QProcess simulator;
        simulator.start(QStringLiteral(KORVEXC_SIM), refused);
        ASSERT_TRUE(simulator.waitForFinished(10000));
        EXPECT_EQ(simulator.exitCode(), 2) << refused.join(u' ').toStdString();
    }

    // Two programmers, a path each; the sockets file takes the second one's chip out.
    const QString sockets = dir.filePath(QStringLiteral("sockets"));
    ASSERT_TRUE(WriteFile(sockets, "1\n0\n"));
    QProcess two;
    two.start(QStringLiteral(KORVEXC_SIM), {"--count", "2", "--paced", "--sockets", sockets});
    const QStringList paths = Paths(two, 2);
    ASSERT_EQ(paths.size(), 2);
    EXPECT_NE(paths[0], paths[1]);
    EXPECT_TRUE(Detected(paths[0]).contains(QStringLiteral("Chip ID 0E20")));
    // The file is read five times a second.
    const QDeadlineTimer deadline(20000);
    while (!Detected(paths[1]).contains(QStringLiteral("No chip answers")) && !deadline.hasExpired())
        QThread::msleep(100);
    EXPECT_FALSE(deadline.hasExpired());
    two.terminate();
    ASSERT_TRUE(two.waitForFinished(10000));
    EXPECT_EQ(two.exitCode(), 0);

    // The chip is saved as soon as a command changes it, while the simulator runs.
    const QString live = dir.filePath(QStringLiteral("live.hex"));
    QProcess running;
    running.start(QStringLiteral(KORVEXC_SIM), {"--save", live});
    const QStringList port = Paths(running, 1);
    ASSERT_EQ(port.size(), 1);
    QProcess erase;
    erase.start(QStringLiteral(KORVEXC_CLI), {"--port", port[0], "erase"});
    ASSERT_TRUE(erase.waitForFinished(30000));
    EXPECT_EQ(erase.exitCode(), 0);
    const QDeadlineTimer written(20000);
    while (!QFile::exists(live) && !written.hasExpired())
        QThread::msleep(50);
    EXPECT_TRUE(QFile::exists(live));
    running.terminate();
    ASSERT_TRUE(running.waitForFinished(10000));

    QProcess one;
    one.start(QStringLiteral(KORVEXC_SIM), {"--load", kSmall, "--save", saved});
    ASSERT_EQ(Paths(one, 1).size(), 1);
    one.terminate();
    ASSERT_TRUE(one.waitForFinished(10000));
    EXPECT_EQ(one.exitCode(), 0);
    FirmwareModel loaded, kept;
    ASSERT_TRUE(loaded.LoadHex(FileBytes(kSmall)));
    ASSERT_TRUE(kept.LoadHex(FileBytes(saved)));
    EXPECT_TRUE(kept.program == loaded.program && kept.eeprom == loaded.eeprom && kept.config == loaded.config);
}
