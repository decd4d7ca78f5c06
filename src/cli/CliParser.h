#pragma once

#include "CliCommand.h"
#include "production/LineSetup.h"
#include "production/NumberFile.h"
#include "production/ProductionJob.h"

#include <QStringList>
#include <variant>

class QCommandLineParser;
struct Options;

// What the command line asks for, checked against every rule of usage.
struct Invocation {
    enum class Repeat { Once, Rounds, Auto };

    CliCommand command = CliCommand::Detect;
    QString argument;  // the command's file or value
    bool csv = false;
    bool check = false;  // record: walk the chain
    bool head = false;  // record: the chain's head
    bool probe = false;  // list-ports: ping each port
    bool watch = false;  // program again each time the file is written
    QStringList ports;
    bool trace = false;
    bool json = false;
    bool quiet = false;
    Repeat repeat = Repeat::Once;
    LinePlan line;  // a command on programmers
    QString serialAt;  // as given, for the notice when it covers the file's data
    ProductionJob::Settings job;  // job create: what the job locks
    // serials make: the lines to write.
    struct SerialsToMake {
        int count = 0;
        std::optional<SerialPlace> place;
        NumberFile::Numbering numbering;
    } serials;
};

namespace CliParser {
// The invocation, or the usage problem that stops it.
std::variant<Invocation, QString> Parse(const QCommandLineParser& parser, const Options& given);
}  // namespace CliParser
