#include "ops/SharedWords.h"

#include "image/HexText.h"
#include "ops/PassClock.h"

QString SharedWords::PassLabel(Pass pass)
{
    switch (pass) {
    case Pass::Program:
        return QStringLiteral("Programming");
    case Pass::Eeprom:
        return QStringLiteral("EEPROM Programming");
    case Pass::VerifyProgram:
        return QStringLiteral("Verifying");
    case Pass::VerifyEeprom:
        return QStringLiteral("Verifying EEPROM");
    case Pass::Read:
        return QStringLiteral("Reading");
    case Pass::ReadEeprom:
        break;
    }
    return QStringLiteral("Reading EEPROM");
}

QString SharedWords::ProgressText(const Progress& progress)
{
    return PassLabel(progress.pass) + u' ' + HexText::Number(progress.location);
}

QString SharedWords::TimeLeft(const PassClock& clock)
{
    const std::optional<qint64> seconds = clock.SecondsLeft();
    return seconds ? QStringLiteral("%1 s left").arg(*seconds) : QString();
}

QString SharedWords::FuseVerifyFailure()
{
    return QStringLiteral("Fuse verify failure.");
}

QString SharedWords::NoticeText(const HexNotice& notice, const QString& fileWords)
{
    switch (notice.kind) {
    case HexNotice::Kind::UnknownRecord:
        return QStringLiteral("Unknown record: ") + notice.text;
    case HexNotice::Kind::BadAddress:
        return QStringLiteral("Bad Address: ") + HexText::Number(notice.address);
    case HexNotice::Kind::CannotOpen:
        return notice.text;
    case HexNotice::Kind::CannotRead:
        return fileWords + QStringLiteral(" could not be read to its end: ") + notice.text;
    case HexNotice::Kind::EepromLayoutUsed:
        break;
    }
    return notice.layout == EepromLayout::Word ? QStringLiteral("EEPROM data read in the word layout (location k at 4200 + 2k)")
                                               : QStringLiteral("EEPROM data read in the byte layout (location k at 4200 + k)");
}

QString SharedWords::FailureText(const Failure& failure, const QString& between)
{
    switch (failure.outcome) {
    case CommandOutcome::NotDetected:
        return QStringLiteral("Korvex with pgm firmware not detected");
    case CommandOutcome::LinkLost:
        return QStringLiteral("The programmer stopped responding while waiting for %1.").arg(failure.detail) + between
               + QStringLiteral("Check the cable and the programmer's power, then try again.");
    default:
        return failure.detail;
    }
}
