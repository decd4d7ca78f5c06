#include "CliWords.h"

#include "image/HexText.h"
#include "ops/FuseReading.h"
#include "ops/SharedWords.h"

#include <cstdio>

void CliWords::PrintFuseReading(int value)
{
    std::printf("Configuration word %s:\n", qPrintable(HexText::Number(value)));
    for (const QString& line : FuseReading::Lines(value))
        std::printf("  %s\n", qPrintable(line));
    std::fflush(stdout);
}

QString CliWords::ChipLine(const ChipIdentity& chip)
{
    if (const std::optional<ChipDoubt> doubt = chip.Doubt())
        return SharedWords::DoubtText(*doubt);
    return QStringLiteral("Chip ID %1: %2 program words, %3 EEPROM bytes, %4 pins, revision %5")
        .arg(HexText::Word(chip.idWord))
        .arg(chip.member->programWords)
        .arg(chip.member->eepromBytes)
        .arg(chip.member->pins)
        .arg(chip.Revision());
}

QString CliWords::PathLine(const ChipIdentity& chip)
{
    return chip.fastPath ? QStringLiteral(
               "The programmer runs the companion firmware: data go in checked blocks of eight, "
               "at 500000 baud where the adapter takes it")
                         : QStringLiteral("The programmer takes the command letters only: every byte is echoed, at 19200 baud");
}

QString CliWords::ScopeAssumed(const ProgramScope& scope)
{
    return scope.skipEmpty ? QStringLiteral("(skipping empty blocks: what the file gives, over the erased chip)")
                           : QStringLiteral("(every block up to the file's last word, the gaps with the blank value 03FF)");
}

QString CliWords::AdapterTimerAdvice(int milliseconds)
{
    return QStringLiteral(
               "the adapter's latency timer stands at %1 ms, so every byte waits that long for its echo; "
               "a udev rule sets it to 1 ms (see the README)")
        .arg(milliseconds);
}

QString CliWords::TableHeader()
{
    return QStringLiteral("%1 %2 %3 %4  %5")
        .arg(QStringLiteral("port"), -16)
        .arg(QStringLiteral("result"), -22)
        .arg(QStringLiteral("time"), 9)
        .arg(QStringLiteral("serial"), 8)
        .arg(QStringLiteral("first mismatch"));
}

QString CliWords::TableRow(const QString& port, const ChipResult& result)
{
    return QStringLiteral("%1 %2 %3 s %4  %5")
        .arg(port, -16)
        .arg(result.RecordWord(), -22)
        .arg(result.seconds, 7, 'f', 1)
        .arg(result.serial ? QString::number(*result.serial) : QStringLiteral("-"), 8)
        .arg(result.firstMismatch ? result.MismatchText() : QStringLiteral("-"));
}
