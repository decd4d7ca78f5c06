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

struct VerdictCode {
    ChipVerdict verdict;
    ExitCode code;
};

constexpr VerdictCode kVerdictCodes[] = {
    {ChipVerdict::Passed, kSuccess},          {ChipVerdict::Mismatch, kMismatch},        {ChipVerdict::NoSuchPort, kPortError},
    {ChipVerdict::PortNotOpened, kPortError}, {ChipVerdict::NotDetected, kNotDetected},  {ChipVerdict::LinkLost, kLinkLost},
    {ChipVerdict::Abandoned, kLinkLost},      {ChipVerdict::FileError, kFileError},      {ChipVerdict::Cancelled, kSuccess},
    {ChipVerdict::FuseRefused, kUsage},       {ChipVerdict::Empty, kChipRefused},        {ChipVerdict::WrongChip, kChipRefused},
    {ChipVerdict::SerialTooLarge, kUsage},    {ChipVerdict::FileNotWritten, kFileError}, {ChipVerdict::RecordFailed, kFileError},
    {ChipVerdict::SerialsUsedUp, kFileError},
};
static_assert(ChipVerdicts::Complete(kVerdictCodes));

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
    // A chip whose row could not be completed: the record cannot be written.
    return result.recordLost ? kFileError : kVerdictCodes[int(result.verdict)].code;
}
