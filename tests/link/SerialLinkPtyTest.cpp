#include "ChipBench.h"
#include "FileBytes.h"
#include "link/PortFailure.h"
#include "link/PortName.h"
#include "link/ProgrammerProtocol.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <future>

TEST(SerialLinkPty, OpenFailuresNameThePortAndTheReason)
{
    QtSerialLink missing;
    missing.SetPort(QStringLiteral("/dev/ttyKORVEXC-none"));
    const QString text = missing.Open();
    EXPECT_TRUE(text.contains(QStringLiteral("/dev/ttyKORVEXC-none"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("no such device"))) << text.toStdString();
    EXPECT_FALSE(missing.IsOpen());

    ChipBench bench;
    ASSERT_EQ(bench.link.Open(), QString());
    QtSerialLink second;
    second.SetPort(bench.simulator.Path());
    const QString held = second.Open();
    EXPECT_TRUE(held.contains(QStringLiteral("another program"))) << held.toStdString();
    // The group to join is the one that owns the device, where it is not root's.
    QTemporaryFile device;
    ASSERT_TRUE(device.open());
    const group* uucp = ::getgrnam("uucp");
    if (uucp && ::chown(qPrintable(device.fileName()), ::geteuid(), uucp->gr_gid) == 0) {
        const QString denied =
            QtSerialLink::DescribeOpenFailure(device.fileName(), QSerialPort::PermissionError, "Permission denied");
        EXPECT_TRUE(denied.contains("usermod -aG uucp $USER")) << denied.toStdString();
    }
    EXPECT_TRUE(QtSerialLink::DescribeOpenFailure("/dev/korvexc-none", QSerialPort::PermissionError, "Permission denied")
                    .contains("-aG dialout"));
    bench.link.Close();

    // A stable link, as /dev/serial/by-id/ holds them, takes the lock of the device it names.
    const QString link = QStringLiteral("/dev/korvexc-test-%1").arg(QCoreApplication::applicationPid());
    if (!QFile::link(bench.simulator.Path(), link))
        GTEST_SKIP() << "cannot make a link under /dev";
    QtSerialLink viaLink;
    viaLink.SetPort(PortName::Resolve(link).device);
    QFile::remove(link);
    ASSERT_EQ(viaLink.Open(), QString());
    EXPECT_TRUE(ChipBench::HasLockFile(bench.simulator.Path()));
}

TEST(SerialLinkPty, LowLatencyIsAskedForAndTheDriversFlagsPutBackOnClose)
{
    // The driver of a USB adapter, in memory: a pseudo-terminal has no such flags.
    struct FakeDriver : LowLatency::Driver {
        std::optional<serial_struct> Get(int) override
        {
            serial_struct info{};
            info.flags = 0x1234;
            return info;
        }
        bool Set(int fd, const serial_struct& info) override
        {
            // Only a port still open can take its flags back.
            set.push_back(fcntl(fd, F_GETFD) == -1 ? -1 : info.flags);
            return true;
        }
        std::vector<int> set;
    } driver;
    PtySimulator simulator;
    ASSERT_EQ(simulator.Start(), QString());
    QtSerialLink link(driver);
    link.SetPort(simulator.Path());
    ASSERT_EQ(link.Open(), QString());
    EXPECT_TRUE(link.LowLatencyGranted());
    EXPECT_EQ(driver.set, std::vector<int>{0x1234 | ASYNC_LOW_LATENCY});
    link.Close();
    EXPECT_EQ(driver.set.back(), 0x1234);

    // The adapter's timer, found through a stable link to its device.
    QTemporaryDir sys;
    QDir(sys.path()).mkpath(QStringLiteral("bus/usb-serial/devices/ttyUSB7"));
    WriteFile(sys.filePath(QStringLiteral("bus/usb-serial/devices/ttyUSB7/latency_timer")), "16\n");
    WriteFile(sys.filePath(QStringLiteral("ttyUSB7")), "");
    QFile::link(sys.filePath(QStringLiteral("ttyUSB7")), sys.filePath(QStringLiteral("by-id")));
    EXPECT_EQ(LowLatency::AdapterTimer(sys.filePath(QStringLiteral("by-id")), sys.path()), 16);
    EXPECT_EQ(LowLatency::AdapterTimer(sys.filePath(QStringLiteral("ttyUSB7")), sys.filePath(QStringLiteral("no"))),
              std::nullopt);
}

// A megabyte goes through a line its peer drains; once the peer stops reading, the write gives up within its
// limit rather than waiting for ever.
TEST(SerialLinkPty, AWriteGoesThroughADrainedLineAndStopsOnOneNeverDrained)
{
    int peer = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(peer >= 0 && ::grantpt(peer) == 0 && ::unlockpt(peer) == 0);
    QtSerialLink link;
    link.SetPort(QString::fromLocal8Bit(::ptsname(peer)));
    ASSERT_EQ(link.Open(), QString());
    const auto writeAMegabyte = [&link]() -> QString {
        try {
            link.Write(QByteArray(1 << 20, 'x'));
            return QStringLiteral("all written");
        } catch (const PortFailure& failure) {
            return failure.Cause();
        }
    };
    auto drained = std::async(std::launch::async, [peer] {
        char chunk[4096];
        for (ssize_t got = 0, total = 0; total < (1 << 20) && (got = ::read(peer, chunk, sizeof chunk)) > 0;)
            total += got;
    });
    const QString first = writeAMegabyte();
    if (first != QStringLiteral("all written"))
        link.Close();  // the reader then sees the line end instead of waiting for the rest
    drained.get();
    ASSERT_EQ(first, QStringLiteral("all written"));
    auto written = std::async(std::launch::async, writeAMegabyte);
    // Closing the peer ends a write stuck for ever, and the test fails on the reason it then gives.
    if (written.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
        ::close(std::exchange(peer, -1));
    EXPECT_TRUE(written.get().endsWith(QLatin1String("took no data")));
    if (peer >= 0)
        ::close(peer);
}
