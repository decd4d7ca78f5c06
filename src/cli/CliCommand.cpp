#include "CliCommand.h"

#include <iterator>

namespace {

// In the enum's order: Of() looks a command up by its value.
constexpr CliCommandInfo kCommands[] = {
    {CliCommand::ListPorts, "list-ports", nullptr, false,
     "list the serial ports present: name, description, USB vendor:product, serial number"},
    {CliCommand::Fuses, "fuses", "VALUE|FILE", false, "what a configuration word sets (a value, or the file's word)"},
    {CliCommand::Detect, "detect", nullptr, false, "ping the programmer"},
    {CliCommand::Erase, "erase", nullptr, false, "erase the chip"},
    {CliCommand::Verify, "verify", "FILE.hex", false, "compare the chip with the file"},
    {CliCommand::Program, "program", "FILE.hex", false, "erase, write and verify the whole chip"},
    {CliCommand::Read, "read", "OUT.hex", true, "read the whole chip into a HEX file"},
    {CliCommand::BlankCheck, "blank-check", nullptr, false,
     "tell whether the chip is erased, and the first location that is not"},
    {CliCommand::Record, "record", "FILE.db|URL", false,
     "print the production record, then a summary line; --check walks its hash chain, --head prints its head"},
    {CliCommand::Checksum, "checksum", "FILE.hex|JOB.kjob", false,
     "the 16-bit sum of what program leaves on the chip: every program word and the configuration word"},
    {CliCommand::Job, "job", "create JOB.kjob", false,
     "lock --hex FILE and the settings given (--fuse, --eeprom-layout, --serial, --serial-at, --serial-file, --on-mismatch, "
     "--name) in a job"},
    {CliCommand::Run, "run", "JOB.kjob", false, "program with exactly the job's file and settings"},
    {CliCommand::Serials, "serials", "make FILE.num", false,
     "write a serial number file: --count N --at PLACE and --sequential START[:STEP], --random or --pseudo-random SEED"},
};

constexpr bool InEnumOrder()
{
    for (int i = 0; i < int(std::size(kCommands)); ++i) {
        if (int(kCommands[i].command) != i)
            return false;
    }
    return true;
}
static_assert(InEnumOrder());

}  // namespace

const CliCommandInfo& CliCommandInfo::Of(CliCommand command)
{
    return kCommands[int(command)];
}

std::optional<CliCommandInfo> CliCommandInfo::Named(const QString& name)
{
    for (const CliCommandInfo& info : kCommands) {
        if (name == QLatin1String(info.name))
            return info;
    }
    return std::nullopt;
}

std::optional<ChipCommand> CliCommandInfo::ChipCommandOf(CliCommand command)
{
    switch (command) {
    case CliCommand::Detect:
        return ChipCommand::Detect;
    case CliCommand::Erase:
        return ChipCommand::Erase;
    case CliCommand::Verify:
        return ChipCommand::Verify;
    case CliCommand::Program:
    case CliCommand::Run:
        return ChipCommand::Program;
    case CliCommand::Read:
        return ChipCommand::Read;
    case CliCommand::BlankCheck:
        return ChipCommand::BlankCheck;
    default:
        return std::nullopt;
    }
}

QString CliCommandInfo::HelpLines()
{
    QString lines;
    for (const CliCommandInfo& info : kCommands) {
        const QString usage =
            QString::fromLatin1(info.name) + (info.argument ? u' ' + QString::fromLatin1(info.argument) : QString());
        lines += QStringLiteral("  %1 %2\n").arg(usage, -18).arg(QString::fromLatin1(info.help));
    }
    return lines;
}
