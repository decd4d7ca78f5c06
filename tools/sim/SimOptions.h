#pragma once

#include "SimulatorFaults.h"
#include "SimulatorTiming.h"

#include <QCommandLineOption>
#include <QString>
#include <optional>

class QCommandLineParser;

// Every option of korvexc-sim, with its help.
struct SimOptions {
    const QCommandLineOption load{QStringLiteral("load"), QStringLiteral("Fill the chip from an Intel HEX file at start."),
                                  QStringLiteral("file")};
    const QCommandLineOption save{QStringLiteral("save"),
                                  QStringLiteral(
                                      "Keep the chip's memory in this Intel HEX file, rewritten after every change and at exit."),
                                  QStringLiteral("file")};
    const QCommandLineOption never{QStringLiteral("never-answer"), QStringLiteral("Answer nothing at all.")};
    const QCommandLineOption ping{QStringLiteral("answer-ping"), QStringLiteral("Answer only from the Nth ping on."),
                                  QStringLiteral("N")};
    const QCommandLineOption silent{QStringLiteral("silent-after"),
                                    QStringLiteral("Go silent after N received bytes, as if unplugged."), QStringLiteral("N")};
    const QCommandLineOption stuck{QStringLiteral("stuck-bit"),
                                   QStringLiteral("A program word whose bit is stuck: hex word address, bit, level (default 0)."),
                                   QStringLiteral("addr:bit[:level]")};
    const QCommandLineOption latency{QStringLiteral("latency"),
                                     QStringLiteral("Extra delay before every reply, in milliseconds."), QStringLiteral("ms")};
    const QCommandLineOption paced{QStringLiteral("paced"),
                                   QStringLiteral("Send and take one byte every 10/19200 s, as a real 19200-baud line.")};
    const QCommandLineOption
        count{QStringLiteral("count"),
              QStringLiteral("Simulate N programmers, each on a pseudo-terminal of its own, one path a line. --save takes one."),
              QStringLiteral("N"), QStringLiteral("1")};
    const QCommandLineOption deviceId{QStringLiteral("device-id"),
                                      QStringLiteral(
                                          "The chip's device ID word, in hexadecimal (default 0E20: 8K words, 40 pins)."),
                                      QStringLiteral("HEX")};
    const QCommandLineOption noChip{QStringLiteral("no-chip"),
                                    QStringLiteral("An empty socket: every read answers 3FFF, and nothing is written.")};
    const QCommandLineOption sockets{QStringLiteral("sockets"),
                                     QStringLiteral("Seat and take out chips while running: the file holds a line per "
                                                    "programmer, 1 for a chip seated (a fresh one), 0 for an empty socket; "
                                                    "it is read five times a second."),
                                     QStringLiteral("file")};

    void AddTo(QCommandLineParser& parser) const;
};

// What korvexc-sim was asked for.
struct SimSettings {
    SimulatorFaults faults;
    SimulatorTiming timing;
    int programmers = 1;
    std::optional<QString> load;  // none: a blank chip
    QString save;
    QString sockets;

    // Nothing when a value given to an option is not valid.
    static std::optional<SimSettings> Read(const QCommandLineParser& parser, const SimOptions& options);
};
