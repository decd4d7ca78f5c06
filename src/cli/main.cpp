// korvexc-cli: the window's chip commands for scripts and production lines,
// with exit codes, progress and no dialogs.
#include "CliOperator.h"
#include "TracingPort.h"
#include "image/HexLoader.h"
#include "image/MemoryImage.h"
#include "link/AppSettings.h"
#include "link/PortList.h"
#include "link/QtSerialLink.h"
#include "ops/ChipContents.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"
#include "ops/FuseAnswer.h"
#include "ops/FuseReading.h"
#include "image/HexText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace {

enum ExitCode {
    kSuccess = 0,
    kUsage = 2,
    kNotDetected = 3,
    kFileError = 4,
    kMismatch = 5,
    kLinkLost = 6,
    kPortError = 7,
};

const char* const kExitCodes =
    "Exit codes:\n"
    "  0  success\n"
    "  2  usage error\n"
    "  3  programmer not detected\n"
    "  4  file error (the HEX file cannot be read, or OUT.hex cannot be written)\n"
    "  5  verify mismatch, or the chip is not blank\n"
    "  6  link lost: the programmer stopped responding\n"
    "  7  the port cannot be opened, or names no port\n";

int ExitFor(CommandOutcome outcome)
{
    switch (outcome) {
    case CommandOutcome::Completed:
    case CommandOutcome::Cancelled:
        return kSuccess;
    case CommandOutcome::BadPortName:
    case CommandOutcome::PortNotOpened:
        return kPortError;
    case CommandOutcome::NotDetected:
        return kNotDetected;
    case CommandOutcome::LinkLost:
    case CommandOutcome::Abandoned:
        return kLinkLost;
    case CommandOutcome::FileNotLoaded:
        return kFileError;
    case CommandOutcome::Mismatch:
        return kMismatch;
    case CommandOutcome::FuseRefused:
        return kUsage;
    }
    return kUsage;
}

QString NotBlankText(const Mismatch& found)
{
    const QString read = QString::number(found.read, 16).toUpper();
    const QString at = QString::number(found.address, 16).toUpper();
    switch (found.memory) {
    case Memory::ProgramWord:
        return QStringLiteral("program word %1 reads %2").arg(at, read);
    case Memory::EepromByte:
        return QStringLiteral("EEPROM byte %1 reads %2").arg(at, read);
    case Memory::IdWord:
        return QStringLiteral("ID word %1 reads %2").arg(at, read);
    case Memory::ConfigurationWord:
        break;
    }
    return QStringLiteral("the configuration word reads %1").arg(read);
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

int Usage(const QString& problem)
{
    std::fprintf(stderr, "korvexc-cli: %s\nTry korvexc-cli --help.\n", qPrintable(problem));
    return kUsage;
}

int Fuses(const QString& valueOrFile)
{
    int value = 0;
    if (QFileInfo::exists(valueOrFile)) {
        MemoryImage image;
        QString problem;
        const auto notice = [&problem](const HexNotice& notice) {
            if (notice.kind == HexNotice::Kind::CannotOpen || notice.kind == HexNotice::Kind::CannotRead)
                problem = notice.text;
        };
        if (!HexLoader::LoadHexFile(valueOrFile, image, notice)) {
            std::fprintf(stderr, "korvexc-cli: cannot read %s: %s\n", qPrintable(valueOrFile), qPrintable(problem));
            return kFileError;
        }
        value = image.ConfigWord(MemoryImage::kConfigWordOffset);
    } else {
        const FuseAnswer::Reading reading = FuseAnswer::Read(valueOrFile);
        if (!reading.value)
            return Usage(reading.refusal);
        value = *reading.value;
    }
    std::printf("Configuration word %s:\n", qPrintable(HexText::Number(value)));
    for (const QString& line : FuseReading::Lines(value))
        std::printf("  %s\n", qPrintable(line));
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvexc-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEXC_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Programs, verifies, erases and reads chips through a Korvex programmer with the copier firmware.\n\n"
        "Commands:\n"
        "  list-ports         list the serial ports present: name, description, USB vendor:product, serial number\n"
        "  fuses VALUE|FILE   what a configuration word sets (a value, or the file's word)\n"
        "  detect             ping the programmer\n"
        "  erase              erase the chip\n"
        "  verify FILE.hex    compare the chip with the file\n"
        "  program FILE.hex   erase, write and verify the whole chip\n"
        "  read OUT.hex       read the whole chip into a HEX file\n"
        "  blank-check        tell whether the chip is erased, and the first location that is not\n\n")
        + QString::fromLatin1(kExitCodes));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("The port: a number n for COMn (/dev/ttyS(n-1)), or a device such as ttyUSB0. Default: the window's."), QStringLiteral("P"));
    const QCommandLineOption fuse(QStringLiteral("fuse"), QStringLiteral("The configuration word to program, in hexadecimal. Default: the file's."), QStringLiteral("HEX"));
    const QCommandLineOption onMismatch(QStringLiteral("on-mismatch"), QStringLiteral("At a verify mismatch: stop, or continue and list every mismatch at the end."), QStringLiteral("stop|continue"), QStringLiteral("stop"));
    const QCommandLineOption eepromLayout(QStringLiteral("eeprom-layout"), QStringLiteral("How the file lays out its EEPROM data: word (location k at 4200 + 2k, as assemblers write it), byte (at 4200 + k), or auto (word when every odd byte is 00)."), QStringLiteral("auto|word|byte"), QStringLiteral("auto"));
    const QCommandLineOption trace(QStringLiteral("trace"), QStringLiteral("Print the wire exchange as hex on stderr."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Print nothing but errors."));
    parser.addOptions({port, fuse, onMismatch, eepromLayout, trace, quiet});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list-ports, fuses, detect, erase, verify, program, read or blank-check"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the HEX file of verify, program and read"), QStringLiteral("[file]"));
    if (!parser.parse(QCoreApplication::arguments()))
        return Usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return kSuccess;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("korvexc-cli %s\n", KORVEXC_VERSION);
        return kSuccess;
    }

    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    const bool needsFile = command == QLatin1String("verify") || command == QLatin1String("program") || command == QLatin1String("read");
    if (command == QLatin1String("list-ports"))
        return args.size() == 1 ? ListPorts() : Usage(QStringLiteral("list-ports takes no file"));
    if (command == QLatin1String("fuses"))
        return args.size() == 2 ? Fuses(args[1]) : Usage(QStringLiteral("fuses takes a value or a HEX file"));
    const bool known = needsFile || command == QLatin1String("detect") || command == QLatin1String("erase") || command == QLatin1String("blank-check");
    if (!known)
        return Usage(command.isEmpty() ? QStringLiteral("no command given") : QStringLiteral("unknown command \"%1\"").arg(command));
    if (args.size() != (needsFile ? 2 : 1))
        return Usage(needsFile ? QStringLiteral("%1 takes one file").arg(command) : QStringLiteral("%1 takes no file").arg(command));
    const QString mismatchMode = parser.value(onMismatch);
    if (mismatchMode != QLatin1String("stop") && mismatchMode != QLatin1String("continue"))
        return Usage(QStringLiteral("--on-mismatch takes stop or continue"));
    const std::optional<EepromLayout> layout = HexLoader::LayoutNamed(parser.value(eepromLayout));
    if (!layout)
        return Usage(QStringLiteral("--eeprom-layout takes auto, word or byte"));
    CliOperator::Options options;
    options.quiet = parser.isSet(quiet);
    options.continueOnMismatch = mismatchMode == QLatin1String("continue");
    if (parser.isSet(fuse)) {
        if (command != QLatin1String("program"))
            return Usage(QStringLiteral("--fuse goes with program"));
        const FuseAnswer::Reading reading = FuseAnswer::Read(parser.value(fuse));
        if (!reading.value)
            return Usage(reading.refusal);
        options.fuse = parser.value(fuse);
    }

    const QString portText = parser.isSet(port) ? parser.value(port) : AppSettings::Port();
    const QString file = args.value(1);
    QtSerialLink link;
    TracingPort wire(link, parser.isSet(trace) ? stderr : nullptr);
    MemoryImage image;
    CliOperator ui(options);
    CommandEnvelope envelope(wire, ui, [&portText] { return portText; }, [] { return AppSettings::PingReads(); });
    CommandFlows flows(envelope, image, ui, [&file] { return file; }, [&layout] { return *layout; });

    CommandOutcome outcome = CommandOutcome::Completed;
    ChipContents chip;
    std::chrono::microseconds pingRoundTrip{0};
    QElapsedTimer clock;
    clock.start();
    if (command == QLatin1String("detect")) {
        outcome = envelope.Run([&pingRoundTrip](ProgrammerProtocol& protocol) {
            pingRoundTrip = protocol.PingRoundTrip();
            return CommandOutcome::Completed;
        });
    }
    else if (command == QLatin1String("erase"))
        outcome = flows.DoErase();
    else if (command == QLatin1String("verify"))
        outcome = flows.DoVerify();
    else if (command == QLatin1String("program"))
        outcome = flows.DoProgram();
    else
        outcome = flows.DoRead(chip);
    const double seconds = double(clock.elapsed()) / 1000.0;
    ui.EndProgress();

    if (const std::optional<int> timer = link.AdapterTimer(); timer && *timer > 1) {
        std::fprintf(stderr, "korvexc-cli: the adapter's latency timer stands at %d ms, so every byte waits that long for its "
                             "echo; a udev rule sets it to 1 ms (see the README)\n", *timer);
    }
    const bool ranThrough = outcome == CommandOutcome::Completed || outcome == CommandOutcome::Mismatch;
    if (ranThrough && (needsFile || command == QLatin1String("blank-check"))) {
        // Ten bits a byte: start, eight data bits, stop.
        const double wireSeconds = double(wire.BytesOnTheWire()) * 10.0 / 19200.0;
        ui.Inform(QStringLiteral("Took %1 s; the wire needs %2 s for these %3 bytes at 19200 baud (ratio %4)")
                      .arg(seconds, 0, 'f', 1)
                      .arg(wireSeconds, 0, 'f', 1)
                      .arg(wire.BytesOnTheWire())
                      .arg(seconds / wireSeconds, 0, 'f', 2));
    }

    if (outcome == CommandOutcome::Mismatch) {
        if (options.continueOnMismatch) {
            for (const QString& mismatch : ui.Mismatches())
                std::fprintf(stderr, "mismatch: %s\n", qPrintable(mismatch));
        }
        std::fprintf(stderr, "korvexc-cli: %lld mismatch(es)\n", static_cast<long long>(ui.Mismatches().size()));
    }
    if (outcome != CommandOutcome::Completed)
        return ExitFor(outcome);
    if (command == QLatin1String("detect")) {
        ui.Inform(QStringLiteral("Programmer detected on %1 (the ping was answered in %2 ms)")
                      .arg(portText)
                      .arg(double(pingRoundTrip.count()) / 1000.0, 0, 'f', 2));
    }
    if (command == QLatin1String("read")) {
        QSaveFile out(file);
        const QByteArray text = chip.ToHex();
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
            std::fprintf(stderr, "korvexc-cli: cannot write %s: %s\n", qPrintable(file), qPrintable(out.errorString()));
            return kFileError;
        }
        ui.Inform(QStringLiteral("Chip read into %1").arg(file));
    } else if (command == QLatin1String("blank-check")) {
        if (const auto notBlank = chip.FirstNotBlank()) {
            std::fprintf(stderr, "korvexc-cli: not blank: %s\n", qPrintable(NotBlankText(*notBlank)));
            return kMismatch;
        }
        ui.Inform(QStringLiteral("The chip is blank"));
    }
    return kSuccess;
}
