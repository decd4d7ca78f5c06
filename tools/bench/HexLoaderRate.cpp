// Loads 100 MB of HEX records and prints the loader's rate and the peak
// memory of the process, to show that the loader streams.
#include "image/HexLoader.h"
#include "image/MemoryImage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

long PeakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.hex"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray block;
        for (int address = 0; address < 0x4000; address += 16)
            block += QStringLiteral(":10%1000102030405060708090A0B0C0D0E0F00\n")
                         .arg(address, 4, 16, QLatin1Char('0'))
                         .toUpper()
                         .toLatin1();
        while (file.size() < 100LL * 1024 * 1024)
            file.write(block);
    }
    const double megabytes = double(QFile(path).size()) / (1024.0 * 1024.0);
    const long peakBefore = PeakKilobytes();
    MemoryImage image;
    long notices = 0;
    QElapsedTimer clock;
    clock.start();
    const bool loaded = HexLoader::LoadHexFile(path, image, [&notices](const HexNotice&) { ++notices; });
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("loaded %.1f MB in %.2f s: %.0f MB/s (result %s, %ld notices)\n", megabytes, seconds, megabytes / seconds,
                loaded ? "true" : "false", notices);
    std::printf("peak memory %ld kB before the load, %ld kB after\n", peakBefore, PeakKilobytes());
    return loaded ? 0 : 1;
}
