// korvexc-cli: the window's chip commands for scripts and production lines,
// with exit codes, progress and no dialogs; several programmers at once, a
// production record and serial numbers, and an event stream for machines.
#include "CliCommand.h"
#include "CliOptions.h"
#include "CliParser.h"
#include "ExitCode.h"
#include "InterruptWatch.h"
#include "LineRunner.h"
#include "OfflineCommands.h"
#include "PortSearch.h"
#include "RecordReport.h"
#include "Version.h"
#include "ops/ProcessEnd.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

int Usage(const QString& problem)
{
    Complain(problem + QStringLiteral("\nTry korvexc-cli --help."));
    return kUsage;
}

void Describe(QCommandLineParser& parser, const Options& options)
{
    parser.setApplicationDescription(
        QStringLiteral("Programs, verifies, erases and reads chips through a Korvex programmer with the copier firmware.\n\n"
                       "Commands:\n")
        + CliCommandInfo::HelpLines()
        + QStringLiteral("\nSeveral --port values (or one comma-separated list) run the command on every programmer at once.\n\n")
        + ExitCodeHelp());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.port,         options.fuse,     options.onMismatch, options.eepromLayout,   options.record,
                       options.serial,       options.serialAt, options.csv,        options.trace,          options.quiet,
                       options.force,        options.hex,      options.name,       options.expectChecksum, options.repeat,
                       options.json,         options.probe,    options.watch,      options.skipEmpty,      options.checkGaps,
                       options.serialFile,   options.count,    options.at,         options.sequential,     options.random,
                       options.pseudoRandom, options.check,    options.head});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral(
                                     "list-ports, fuses, detect, erase, verify, program, read, blank-check, record or checksum"));
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("the file of verify, program, read, fuses, record and checksum"),
                                 QStringLiteral("[file]"));
}

int Run(const Invocation& run)
{
    switch (run.command) {
    case CliCommand::ListPorts:
        return PortSearch::List(run.probe);
    case CliCommand::Fuses:
        return OfflineCommands::Fuses(run.argument);
    case CliCommand::Record:
        return run.check  ? RecordReport::Check(run.argument)
               : run.head ? RecordReport::Head(run.argument)
                          : RecordReport::Print(run.argument, run.csv);
    case CliCommand::Serials:
        return OfflineCommands::MakeSerials(run.argument, run.serials);
    case CliCommand::Checksum:
        return OfflineCommands::Checksum(run.argument, run.line.scope, run.quiet);
    case CliCommand::Job:
        return OfflineCommands::CreateJob(run.argument, run.job);
    default:
        return LineRunner::Run(run);
    }
}

int RunCommandLine(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvexc-cli"));
    QCoreApplication::setApplicationVersion(QLatin1String(Version::kText));
    QCommandLineParser parser;
    const Options options;
    Describe(parser, options);
    if (!parser.parse(QCoreApplication::arguments()))
        return Usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return kSuccess;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("korvexc-cli %s\n", Version::kText);
        return kSuccess;
    }
    const std::variant<Invocation, QString> parsed = CliParser::Parse(parser, options);
    if (const QString* problem = std::get_if<QString>(&parsed))
        return Usage(*problem);
    return Run(std::get<Invocation>(parsed));
}

}  // namespace

int main(int argc, char** argv)
{
    InterruptWatch::Catch();
    ProcessEnd::Finish(RunCommandLine(argc, argv));
}
