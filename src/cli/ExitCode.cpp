#include "ExitCode.h"

#include <cstdio>

namespace {

struct Meaning {
    ExitCode code;
    const char* text;
};

const Meaning kMeanings[] = {
    {kSuccess, "success"},
    {kUsage, "usage error"},
    {kNotDetected, "programmer not detected"},
    {kFileError, "file error (the HEX file cannot be read, OUT.hex or the record cannot be written)"},
    {kMismatch, "verify mismatch, or the chip is not blank"},
    {kLinkLost, "link lost: the programmer stopped responding"},
    {kPortError, "the port cannot be opened, or names no port"},
    {kChipRefused, "no chip answers, or it is not the family's or too small for the file (--force goes on)"},
    {kInterrupted, "interrupted (Ctrl-C): the chips under way stopped at a safe point, their rows left unfinished"},
};

}  // namespace

QString ExitCodeHelp()
{
    QString help = QStringLiteral("Exit codes (with several ports, the highest of theirs):\n");
    for (const Meaning& meaning : kMeanings)
        help += QStringLiteral("  %1  %2\n").arg(int(meaning.code)).arg(QLatin1String(meaning.text));
    return help;
}

void Complain(const QString& text)
{
    std::fprintf(stderr, "korvexc-cli: %s\n", qPrintable(text));
}

int ExitFor(const ChipResult& result)
{
    if (result.recordLost)
        return kFileError;
    switch (result.verdict) {
    case ChipVerdict::Passed:
    case ChipVerdict::Cancelled:
        return kSuccess;
    case ChipVerdict::NoSuchPort:
    case ChipVerdict::PortNotOpened:
        return kPortError;
    case ChipVerdict::NotDetected:
        return kNotDetected;
    case ChipVerdict::LinkLost:
    case ChipVerdict::Abandoned:
        return kLinkLost;
    case ChipVerdict::FileError:
    case ChipVerdict::FileNotWritten:
    case ChipVerdict::RecordFailed:
        return kFileError;
    case ChipVerdict::Mismatch:
        return kMismatch;
    case ChipVerdict::Empty:
    case ChipVerdict::WrongChip:
        return kChipRefused;
    case ChipVerdict::FuseRefused:
    case ChipVerdict::SerialTooLarge:
        break;
    }
    return kUsage;
}
