#include "CliParser.h"

#include "CliOptions.h"
#include "image/HexLoader.h"
#include "ops/AppSettings.h"
#include "ops/FuseAnswer.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <set>

namespace {

QStringList PortsGiven(const QStringList& values)
{
    QStringList ports;
    for (const QString& value : values) {
        for (const QString& port : value.split(u',', Qt::SkipEmptyParts))
            ports << port.trimmed();
    }
    return ports;
}

// --fuse's value into value, when given; the problem when it is no value.
QString ReadFuse(const QCommandLineParser& parser, const Options& given, std::optional<int>& value)
{
    if (!parser.isSet(given.fuse))
        return QString();
    const FuseAnswer::Reading reading = FuseAnswer::Read(parser.value(given.fuse));
    value = reading.value;
    return reading.value ? QString() : reading.refusal;
}

// --serial with --serial-at, or --serial-file alone; the problem when they are not.
QString ReadSerial(const QCommandLineParser& parser, const Options& given, LinePlan& line)
{
    if (parser.isSet(given.serialFile)) {
        if (parser.isSet(given.serial) || parser.isSet(given.serialAt))
            return QStringLiteral("--serial-file goes without --serial and --serial-at");
        // Kept whole, so that a job names the same file wherever it runs from.
        line.serialFile = QFileInfo(parser.value(given.serialFile)).absoluteFilePath();
        return QString();
    }
    if (!parser.isSet(given.serial) && !parser.isSet(given.serialAt))
        return QString();
    line.serials = SerialSequence::Parse(parser.value(given.serial));
    line.serialPlace = SerialPlace::Parse(parser.value(given.serialAt));
    return line.serials && line.serialPlace ? QString()
                                            : QStringLiteral(
                                                "--serial takes START[:STEP] and --serial-at takes id, "
                                                "eeprom:ADDR[:BYTES], retlw:ADDR[:BYTES[:lsb]] or "
                                                "words:ADDR[:COUNT], both together");
}

// serials make: how many lines, where, and how numbered; the problem, if any.
QString ParseSerials(const QCommandLineParser& parser, const Options& given, Invocation& run)
{
    using Kind = NumberFile::Numbering::Kind;
    Invocation::SerialsToMake& make = run.serials;
    bool countOk = false;
    make.count = parser.value(given.count).toInt(&countOk);
    make.place = SerialPlace::Parse(parser.value(given.at));
    if (!countOk || make.count < 1 || !make.place)
        return QStringLiteral("serials make takes --count N and --at PLACE, as --serial-at takes it");
    const int ways =
        int(parser.isSet(given.sequential)) + int(parser.isSet(given.random)) + int(parser.isSet(given.pseudoRandom));
    bool seedOk = true;
    if (parser.isSet(given.sequential)) {
        const std::optional<SerialSequence> sequence = SerialSequence::Parse(parser.value(given.sequential));
        seedOk = sequence.has_value();
        make.numbering = {Kind::Sequential, sequence.value_or(SerialSequence{}), 0};
    } else if (parser.isSet(given.pseudoRandom)) {
        make.numbering = {Kind::PseudoRandom, {}, parser.value(given.pseudoRandom).toULongLong(&seedOk)};
    } else {
        make.numbering.kind = Kind::Random;
    }
    if (ways != 1 || !seedOk)
        return QStringLiteral("serials make takes one of --sequential START[:STEP], --random and --pseudo-random SEED");
    return QString();
}

// record: --check, --head or --csv, one at a time; the problem, if any.
QString ReadRecordWays(const QCommandLineParser& parser, const Options& given, Invocation& run)
{
    run.csv = parser.isSet(given.csv);
    run.check = parser.isSet(given.check);
    run.head = parser.isSet(given.head);
    if ((run.check || run.head) && run.command != CliCommand::Record)
        return QStringLiteral("--check and --head go with record");
    if (int(run.csv) + int(run.check) + int(run.head) > 1)
        return QStringLiteral("record takes one of --csv, --check and --head");
    return QString();
}

// --skip-empty and --check-gaps; the problem, if any.
QString ReadScope(const QCommandLineParser& parser, const Options& given, Invocation& run)
{
    ProgramScope& scope = run.line.scope;
    scope.skipEmpty = parser.isSet(given.skipEmpty);
    scope.checkGaps = parser.isSet(given.checkGaps);
    if (scope.checkGaps && !scope.skipEmpty)
        return QStringLiteral("--check-gaps goes with --skip-empty");
    const std::set<CliCommand> scoped{CliCommand::Program, CliCommand::Verify, CliCommand::Checksum, CliCommand::Job};
    if (scope.skipEmpty && !scoped.count(run.command))
        return QStringLiteral("--skip-empty goes with program, verify, checksum and job create");
    return QString();
}

// job create: what the job locks; the problem, if any.
QString ParseJob(const QCommandLineParser& parser, const Options& given, Invocation& run)
{
    if (!parser.isSet(given.hex))
        return QStringLiteral("job create takes --hex FILE.hex");
    run.job.hexName = parser.value(given.hex);
    run.job.name = parser.value(given.name);
    run.job.layout = run.line.layout;
    run.job.continueOnMismatch = run.line.continueOnMismatch;
    run.job.scope = run.line.scope;
    if (QString problem = ReadFuse(parser, given, run.job.fuse); !problem.isEmpty())
        return problem;
    if (QString problem = ReadSerial(parser, given, run.line); !problem.isEmpty())
        return problem;
    if (run.line.serials) {
        run.job.serial = parser.value(given.serial);
        run.job.serialAt = parser.value(given.serialAt);
    }
    run.job.serialFile = run.line.serialFile;
    return QString();
}

// The ports and the ways of running them; the problem, if any.
QString ParsePorts(const QCommandLineParser& parser, const Options& given, const CliCommandInfo& command, Invocation& run)
{
    run.ports = parser.isSet(given.port) ? PortsGiven(parser.values(given.port)) : QStringList{AppSettings::Port()};
    run.trace = parser.isSet(given.trace);
    run.json = parser.isSet(given.json);
    const std::set<CliCommand> rounds{CliCommand::Program, CliCommand::Verify, CliCommand::Erase, CliCommand::BlankCheck,
                                      CliCommand::Run};
    if (run.repeat != Invocation::Repeat::Once && (!rounds.count(run.command) || run.trace))
        return QStringLiteral("--repeat goes with program, verify, erase, blank-check or run, without --trace");
    if (run.ports.isEmpty())
        return QStringLiteral("--port names no port");
    if (run.ports.size() > 1 && (command.onePortOnly || run.trace))
        return QStringLiteral("read and --trace take one port");
    if (run.json && run.trace)
        return QStringLiteral("--json and --trace do not go together");
    run.watch = parser.isSet(given.watch);
    if (run.watch && (run.command != CliCommand::Program || run.repeat != Invocation::Repeat::Once))
        return QStringLiteral("--watch goes with program, without --repeat");
    return run.csv ? QStringLiteral("--csv goes with record") : QString();
}

// A command on programmers: its ports and its request; the problem, if any.
QString ParseChipCommand(const QCommandLineParser& parser, const Options& given, const CliCommandInfo& command, Invocation& run)
{
    if (QString problem = ParsePorts(parser, given, command, run); !problem.isEmpty())
        return problem;
    LinePlan& line = run.line;
    line.command = *CliCommandInfo::ChipCommandOf(command.command);
    line.force = parser.isSet(given.force);
    line.pingReads = AppSettings::PingReads();
    line.recordAddress = parser.value(given.record);
    if (run.command == CliCommand::Run) {
        line.jobPath = run.argument;
        line.expectChecksum = parser.value(given.expectChecksum);
        return QString();
    }
    line.file = run.argument;
    if (parser.isSet(given.fuse) && command.command != CliCommand::Program)
        return QStringLiteral("--fuse goes with program");
    if (QString problem = ReadFuse(parser, given, line.fuse); !problem.isEmpty())
        return problem;
    if (QString problem = ReadSerial(parser, given, line); !problem.isEmpty())
        return problem;
    if ((line.serials || !line.serialFile.isEmpty()) && (command.command != CliCommand::Program || line.recordAddress.isEmpty()))
        return QStringLiteral("--serial and --serial-file go with program and --record");
    run.serialAt = parser.value(given.serialAt);
    return QString();
}

// The options every command on a file shares: the mismatch policy and the EEPROM layout.
QString ParseFileOptions(const QCommandLineParser& parser, const Options& given, Invocation& run)
{
    if (run.command == CliCommand::Run) {
        for (const QCommandLineOption* locked : {&given.fuse, &given.eepromLayout, &given.serial, &given.serialAt,
                                                 &given.serialFile, &given.onMismatch, &given.skipEmpty, &given.checkGaps}) {
            if (parser.isSet(*locked))
                return QStringLiteral("run takes the job's own settings: --%1 is refused").arg(locked->names().constFirst());
        }
    }
    const QString mismatchMode = parser.value(given.onMismatch);
    if (mismatchMode != QLatin1String("stop") && mismatchMode != QLatin1String("continue"))
        return QStringLiteral("--on-mismatch takes stop or continue");
    const std::optional<EepromLayout> layout = HexLoader::LayoutNamed(parser.value(given.eepromLayout));
    if (!layout)
        return QStringLiteral("--eeprom-layout takes auto, word or byte");
    run.line.layout = *layout;
    run.line.continueOnMismatch = mismatchMode == QLatin1String("continue");
    return QString();
}

}  // namespace

std::variant<Invocation, QString> CliParser::Parse(const QCommandLineParser& parser, const Options& given)
{
    QStringList args = parser.positionalArguments();
    Invocation run;
    if (parser.isSet(given.repeat)) {
        // --repeat auto: the word after the option.
        run.repeat = args.value(0) == QLatin1String("auto") ? Invocation::Repeat::Auto : Invocation::Repeat::Rounds;
        if (run.repeat == Invocation::Repeat::Auto)
            args.removeFirst();
    }
    const std::optional<CliCommandInfo> command = CliCommandInfo::Named(args.value(0));
    if (!command)
        return args.isEmpty() ? QStringLiteral("no command given") : QStringLiteral("unknown command \"%1\"").arg(args[0]);
    const QStringList words = command->argument ? QString::fromLatin1(command->argument).split(u' ') : QStringList();
    if (args.size() != 1 + words.size() || (words.size() > 1 && args[1] != words[0])) {
        return command->argument ? QStringLiteral("%1 takes %2").arg(args[0], QLatin1String(command->argument))
                                 : QStringLiteral("%1 takes no file").arg(args[0]);
    }
    run.command = command->command;
    run.argument = words.isEmpty() ? QString() : args.value(words.size());
    if (QString problem = ReadRecordWays(parser, given, run); !problem.isEmpty())
        return problem;
    run.probe = parser.isSet(given.probe);
    if (run.probe && run.command != CliCommand::ListPorts)
        return QStringLiteral("--probe goes with list-ports");
    run.quiet = parser.isSet(given.quiet);
    if (QString problem = ReadScope(parser, given, run); !problem.isEmpty())
        return problem;
    if (run.command == CliCommand::Serials) {
        const QString problem = ParseSerials(parser, given, run);
        return problem.isEmpty() ? std::variant<Invocation, QString>(run) : problem;
    }
    if (!CliCommandInfo::ChipCommandOf(run.command) && run.command != CliCommand::Job)
        return run;
    if (QString problem = ParseFileOptions(parser, given, run); !problem.isEmpty())
        return problem;
    const QString problem =
        run.command == CliCommand::Job ? ParseJob(parser, given, run) : ParseChipCommand(parser, given, *command, run);
    if (!problem.isEmpty())
        return problem;
    return run;
}
