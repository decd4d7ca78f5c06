#pragma once

#include "PtySimulator.h"

#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// One station of a production line: a gang of simulated programmers and the
// command line that runs them, with settings of its own.
class StationProcess {
public:
    StationProcess(QString cli, int programmers, SimulatorTiming timing = {});

    // Starts one run: with a HEX file, programs a chip on every programmer,
    // numbered into the record (by default with serials from 1 in the ID words); without, erases them.
    void Start(const QString& record, const QString& hex = QString(),
               const QStringList& numbering = {"--serial", "1", "--serial-at", "id"});
    // Its exit code, once it has ended.
    int Finish();
    QString Errors();

    std::vector<std::unique_ptr<PtySimulator>> gang;
    QProcess cli;

private:
    QString program_;
    QTemporaryDir settings_;
};
