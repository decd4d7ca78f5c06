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
