// One round through the line window, shown on whatever platform Qt is given
// (offscreen in the benchmark): it confirms the job's checksum, presses Start,
// and prints the round's wall time and the process's CPU time once every tile
// has its result.
//   korvexc-line-rate JOB CHECKSUM PORTS RECORD
#include "ui/LineWindow.h"

#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 5) {
        std::fprintf(stderr, "usage: korvexc-line-rate JOB CHECKSUM PORTS RECORD\n");
        return 2;
    }
    LineWindow window({arguments[1], arguments[3], arguments[4]});
    window.show();
    auto* start = window.findChild<QPushButton*>(QStringLiteral("Start"));
    window.findChild<QLineEdit*>(QStringLiteral("Checksum"))->setText(arguments[2]);
    QElapsedTimer wall;
    double cpuBefore = 0;
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!wall.isValid() && start->isEnabled()) {
            cpuBefore = CpuSeconds();
            wall.start();
            start->click();
        } else if (wall.isValid() && !window.Running()) {
            const double cpu = CpuSeconds() - cpuBefore;
            const double seconds = double(wall.elapsed()) / 1000;
            std::printf("line window: wall %.2f s, CPU %.2f s (%.1f%% of one core)\n", seconds, cpu, 100 * cpu / seconds);
            QApplication::exit(0);
        }
    });
    watch.start();
    return QApplication::exec();
}
