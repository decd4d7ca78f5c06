// korvexc-cli: the window's chip commands for scripts and production lines,
// with exit codes, progress and no dialogs; several programmers at once, a
// production record and serial numbers.
#include "ChipJob.h"
#include "CliCommand.h"
#include "CliOperator.h"
#include "ExitCode.h"
#include "GangBoard.h"
#include "GangOperator.h"
#include "ProductionRecord.h"
#include "RecordReport.h"
#include "image/HexLoader.h"
#include "image/HexText.h"
#include "ops/CommandFlows.h"
#include "Version.h"
#include "ops/AppSettings.h"
#include "link/LineRate.h"
#include "link/PortList.h"
#include "ops/FuseAnswer.h"
#include "ops/FuseReading.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

int Usage(const QString& problem)
{
    Complain(problem + QStringLiteral("\nTry korvexc-cli --help."));
    return kUsage;
}

int ListPorts()
{
    for (const PortList::Entry& entry : PortList::Present()) {
        const auto field = [](const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; };
        std::printf("%-14s %-32s %-10s %s\n", qPrintable(entry.name), qPrintable(field(entry.description)),
                    qPrintable(field(entry.UsbIds())), qPrintable(field(entry.serialNumber)));
    }
    return kSuccess;
}

void PrintFuseReading(int value)
{
    std::printf("Configuration word %s:\n", qPrintable(HexText::Number(value)));
    for (const QString& line : FuseReading::Lines(value))
        std::printf("  %s\n", qPrintable(line));
}

// Loads the file once, for the record and for every port; the loader's
// problems go to stderr.
std::optional<MemoryImage> LoadOnce(const QString& file, EepromLayout layout, bool quiet)
{
    CliOperator::Options options;
    options.quiet = quiet;
    CliOperator reporter(options);
    MemoryImage image;
    if (!CommandFlows::FileSource(reporter, [&file] { return file; }, [layout] { return layout; })(image))
        return std::nullopt;
    return image;
}

int Fuses(const QString& valueOrFile)
{
    int value = 0;
    if (QFileInfo::exists(valueOrFile)) {
        const std::optional<MemoryImage> image = LoadOnce(valueOrFile, EepromLayout::Auto, true);
        if (!image)
            return kFileError;
        value = image->ConfigWord(MemoryImage::kConfigWordOffset);
    } else {
        const FuseAnswer::Reading reading = FuseAnswer::Read(valueOrFile);
        if (!reading.value)
            return Usage(reading.refusal);
        value = *reading.value;
    }
    PrintFuseReading(value);
    return kSuccess;
}

// One programmer: progress and messages as a terminal user expects them.
int RunSingle(const ChipJob::Plan& plan, const QString& port, const CliOperator::Options& options, bool trace)
{
    CliOperator ui(options);
    const ChipJob::Result result = ChipJob(plan, port, ui, trace ? stderr : nullptr).Run();
    ui.EndProgress();
    const CliCommand command = plan.command;
    if (result.adapterTimer && *result.adapterTimer > 1) {
        Complain(QStringLiteral("the adapter's latency timer stands at %1 ms, so every byte waits that long for its echo; "
                                "a udev rule sets it to 1 ms (see the README)").arg(*result.adapterTimer));
    }
    const bool ranThrough = result.outcome == CommandOutcome::Completed || result.outcome == CommandOutcome::Mismatch;
    if (ranThrough && command != CliCommand::Detect && command != CliCommand::Erase) {
        const double wireSeconds = double(result.wireBytes) * LineRate::kByteSeconds;
        ui.Inform(QStringLiteral("Took %1 s; the wire needs %2 s for these %3 bytes at %5 baud (ratio %4)")
                      .arg(result.seconds, 0, 'f', 1)
                      .arg(wireSeconds, 0, 'f', 1)
                      .arg(result.wireBytes)
                      .arg(result.seconds / wireSeconds, 0, 'f', 2)
                      .arg(LineRate::kBaud));
    }
    if (result.serial)
        ui.Inform(QStringLiteral("Serial number %1").arg(*result.serial));
    if (command == CliCommand::BlankCheck && result.outcome == CommandOutcome::Mismatch) {
        Complain(QStringLiteral("not blank: ") + CliOperator::NotBlankLine(*result.firstMismatch));
        return kMismatch;
    }
    if (result.outcome == CommandOutcome::Mismatch) {
        if (options.continueOnMismatch) {
            for (const QString& mismatch : ui.Mismatches())
                std::fprintf(stderr, "mismatch: %s\n", qPrintable(mismatch));
        }
        Complain(QStringLiteral("%1 mismatch(es)").arg(ui.Mismatches().size()));
    }
    if (result.Exit() != kSuccess || result.outcome != CommandOutcome::Completed)
        return result.Exit();
    if (command == CliCommand::Detect) {
        ui.Inform(QStringLiteral("Programmer detected on %1 (the ping was answered in %2 ms)")
                      .arg(port)
                      .arg(double(result.pingRoundTrip.count()) / 1000.0, 0, 'f', 2));
    } else if (command == CliCommand::Read) {
        if (const QString problem = result.chip.SaveHex(plan.file); !problem.isEmpty()) {
            Complain(QStringLiteral("cannot write %1: %2").arg(plan.file, problem));
            return kFileError;
        }
        ui.Inform(QStringLiteral("Chip read into %1").arg(plan.file));
    } else if (command == CliCommand::BlankCheck) {
        ui.Inform(QStringLiteral("The chip is blank"));
    }
    return kSuccess;
}

// Several programmers at once, one worker thread each; nothing is asked.
int RunGang(const ChipJob::Plan& plan, const QStringList& ports, CliOperator::Options options)
{
    options.readFuse = false;
    GangBoard board(ports, options.quiet);
    std::vector<ChipJob::Result> results(size_t(ports.size()));
    // Qt's threads, as the serial ports' notifiers need them.
    std::vector<std::unique_ptr<QThread>> workers;
    for (int row = 0; row < ports.size(); ++row) {
        workers.emplace_back(QThread::create([&, row] {
            GangOperator ui(board, row, options);
            results[size_t(row)] = ChipJob(plan, ports[row], ui, nullptr).Run();
        }));
        workers.back()->start();
    }
    for (const auto& worker : workers)
        worker->wait();
    board.Close();

    std::printf("%-16s %-22s %9s %8s  %s\n", "port", "result", "time", "serial", "first mismatch");
    int exit = kSuccess;
    for (int row = 0; row < ports.size(); ++row) {
        const ChipJob::Result& result = results[size_t(row)];
        std::printf("%-16s %-22s %7.1f s %8s  %s\n", qPrintable(ports[row]), qPrintable(result.Text()), result.seconds,
                    result.serial ? qPrintable(QString::number(*result.serial)) : "-",
                    result.firstMismatch ? qPrintable(CliOperator::MismatchLine(*result.firstMismatch)) : "-");
        exit = std::max(exit, result.Exit());
    }
    std::fflush(stdout);
    return exit;
}

QStringList PortsGiven(const QStringList& values)
{
    QStringList ports;
    for (const QString& value : values) {
        for (const QString& port : value.split(u',', Qt::SkipEmptyParts))
            ports << port.trimmed();
    }
    return ports;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvexc-cli"));
    QCoreApplication::setApplicationVersion(QLatin1String(Version::kText));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Programs, verifies, erases and reads chips through a Korvex programmer with the copier firmware.\n\n"
                       "Commands:\n")
        + CliCommandInfo::HelpLines()
        + QStringLiteral("\nSeveral --port values (or one comma-separated list) run the command on every programmer at once.\n\n")
        + ExitCodeHelp());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("The port: a number n for COMn (/dev/ttyS(n-1)), or a device such as ttyUSB0. Default: the window's. May be given several times."), QStringLiteral("P"));
    const QCommandLineOption fuse(QStringLiteral("fuse"), QStringLiteral("The configuration word to program, in hexadecimal. Default: the file's."), QStringLiteral("HEX"));
    const QCommandLineOption onMismatch(QStringLiteral("on-mismatch"), QStringLiteral("At a verify mismatch: stop, or continue and list every mismatch at the end."), QStringLiteral("stop|continue"), QStringLiteral("stop"));
    const QCommandLineOption eepromLayout(QStringLiteral("eeprom-layout"), QStringLiteral("How the file lays out its EEPROM data: word (location k at 4200 + 2k, as assemblers write it), byte (at 4200 + k), or auto (word when every odd byte is 00)."), QStringLiteral("auto|word|byte"), QStringLiteral("auto"));
    const QCommandLineOption record(QStringLiteral("record"), QStringLiteral("Keep a row per chip and command in this SQLite production record."), QStringLiteral("FILE.db"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Give each chip programmed the next serial number, from START in steps of STEP (default 1); needs --record and --serial-at."), QStringLiteral("START[:STEP]"));
    const QCommandLineOption serialAt(QStringLiteral("serial-at"), QStringLiteral("Where the serial number goes: id (the low four bits of the four ID words) or eeprom:ADDR[:BYTES] (hexadecimal address, 2 bytes by default), most significant first."), QStringLiteral("id|eeprom:ADDR[:BYTES]"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("With record: print the rows as CSV."));
    const QCommandLineOption trace(QStringLiteral("trace"), QStringLiteral("Print the wire exchange as hex on stderr (one port only)."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Print nothing but errors."));
    parser.addOptions({port, fuse, onMismatch, eepromLayout, record, serial, serialAt, csv, trace, quiet});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list-ports, fuses, detect, erase, verify, program, read, blank-check or record"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the file of verify, program, read, fuses and record"), QStringLiteral("[file]"));
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

    const QStringList args = parser.positionalArguments();
    const std::optional<CliCommandInfo> command = CliCommandInfo::Named(args.value(0));
    if (!command)
        return Usage(args.isEmpty() ? QStringLiteral("no command given") : QStringLiteral("unknown command \"%1\"").arg(args[0]));
    if (args.size() != (command->argument ? 2 : 1)) {
        return Usage(command->argument ? QStringLiteral("%1 takes %2").arg(args[0], QLatin1String(command->argument))
                                       : QStringLiteral("%1 takes no file").arg(args[0]));
    }
    switch (command->command) {
    case CliCommand::ListPorts:
        return ListPorts();
    case CliCommand::Fuses:
        return Fuses(args[1]);
    case CliCommand::Record:
        return RecordReport::Print(args[1], parser.isSet(csv));
    default:
        break;
    }
    const QString mismatchMode = parser.value(onMismatch);
    if (mismatchMode != QLatin1String("stop") && mismatchMode != QLatin1String("continue"))
        return Usage(QStringLiteral("--on-mismatch takes stop or continue"));
    const std::optional<EepromLayout> layout = HexLoader::LayoutNamed(parser.value(eepromLayout));
    if (!layout)
        return Usage(QStringLiteral("--eeprom-layout takes auto, word or byte"));
    const QStringList ports = parser.isSet(port) ? PortsGiven(parser.values(port)) : QStringList{AppSettings::Port()};
    const bool gang = ports.size() > 1;
    if (ports.isEmpty())
        return Usage(QStringLiteral("--port names no port"));
    if (gang && (command->onePortOnly || parser.isSet(trace)))
        return Usage(QStringLiteral("read and --trace take one port"));
    if (parser.isSet(csv))
        return Usage(QStringLiteral("--csv goes with record"));
    CliOperator::Options options;
    options.quiet = parser.isSet(quiet);
    options.continueOnMismatch = mismatchMode == QLatin1String("continue");
    std::optional<int> fuseValue;
    if (parser.isSet(fuse)) {
        if (command->command != CliCommand::Program)
            return Usage(QStringLiteral("--fuse goes with program"));
        const FuseAnswer::Reading reading = FuseAnswer::Read(parser.value(fuse));
        if (!reading.value)
            return Usage(reading.refusal);
        options.fuse = parser.value(fuse);
        fuseValue = reading.value;
    }

    ChipJob::Plan plan;
    plan.command = command->command;
    plan.file = args.value(1);
    plan.layout = *layout;
    plan.pingReads = AppSettings::PingReads();
    plan.recordPath = parser.value(record);
    if (parser.isSet(serial) || parser.isSet(serialAt)) {
        plan.serials = SerialSequence::Parse(parser.value(serial));
        plan.serialPlace = SerialPlace::Parse(parser.value(serialAt));
        if (!plan.serials || !plan.serialPlace)
            return Usage(QStringLiteral("--serial takes START[:STEP] and --serial-at takes id or eeprom:ADDR[:BYTES], both together"));
        if (command->command != CliCommand::Program || plan.recordPath.isEmpty())
            return Usage(QStringLiteral("--serial goes with program and --record"));
    }
    if (!plan.recordPath.isEmpty()) {
        if (const QString problem = ProductionRecord::Create(plan.recordPath); !problem.isEmpty()) {
            Complain(QStringLiteral("the production record %1 cannot be written: %2").arg(plan.recordPath, problem));
            return kFileError;
        }
    }
    // The record and a gang take the file once: its hash, its fuse value, and one image for every port.
    if (command->loadsImage && (gang || !plan.recordPath.isEmpty())) {
        plan.image = LoadOnce(plan.file, plan.layout, options.quiet);
        QFile file(plan.file);
        if (!plan.image || !file.open(QIODevice::ReadOnly))
            return kFileError;
        plan.sha256 = QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
        if (command->command == CliCommand::Program) {
            plan.fuse = fuseValue.value_or(plan.image->ConfigWord(MemoryImage::kConfigWordOffset));
            if (gang && !options.quiet)
                PrintFuseReading(*plan.fuse);
        }
        if (plan.serialPlace && plan.serialPlace->CoversFileData(*plan.image)) {
            Complain(QStringLiteral("the serial number replaces the file's own data at %1").arg(parser.value(serialAt)));
        }
    }
    return gang ? RunGang(plan, ports, options) : RunSingle(plan, ports.front(), options, parser.isSet(trace));
}
