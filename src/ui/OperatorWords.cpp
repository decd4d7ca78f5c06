#include "ui/OperatorWords.h"

#include "image/HexText.h"

QString OperatorWords::ProgressText(const Progress& progress)
{
    const QString at = HexText::Number(progress.location);
    switch (progress.pass) {
    case Pass::Program:
        return QStringLiteral("Programming ") + at;
    case Pass::Eeprom:
        return QStringLiteral("EEPROM Programming ") + at;
    case Pass::VerifyProgram:
        return QStringLiteral("Verifying ") + at;
    case Pass::VerifyEeprom:
        return QStringLiteral("Verifying EEPROM ") + at;
    case Pass::Read:
        return QStringLiteral("Reading ") + at;
    case Pass::ReadEeprom:
        return QStringLiteral("Reading EEPROM ") + at;
    }
    return at;
}

QString OperatorWords::MismatchText(const Mismatch& mismatch)
{
    switch (mismatch.memory) {
    case Memory::ProgramWord:
        return QStringLiteral("Verify error @") + HexText::Number(mismatch.address) + QStringLiteral(" Continue?");
    case Memory::EepromByte:
        return QStringLiteral("EEPROM Verify error @") + HexText::Number(mismatch.address) + QStringLiteral(" Continue?");
    case Memory::IdWord:
        return QStringLiteral("Configuration verify failure. Continue?");
    case Memory::ConfigurationWord:
        break;
    }
    return QStringLiteral("Fuse verify failure.");
}

QString OperatorWords::NoticeText(const HexNotice& notice, const QString& fileName)
{
    switch (notice.kind) {
    case HexNotice::Kind::UnknownRecord:
        return QStringLiteral("Unknown record: ") + notice.text;
    case HexNotice::Kind::BadAddress:
        return QStringLiteral("Bad Address: ") + HexText::Number(notice.address);
    case HexNotice::Kind::CannotOpen:
        return notice.text;
    case HexNotice::Kind::CannotRead:
    case HexNotice::Kind::EepromLayoutUsed:
        break;
    }
    return QStringLiteral("The file %1 could not be read to its end: %2").arg(fileName, notice.text);
}

QString OperatorWords::FailureText(const Failure& failure)
{
    switch (failure.outcome) {
    case CommandOutcome::NotDetected:
        return QStringLiteral("Korvex with pgm firmware not detected");
    case CommandOutcome::LinkLost:
        return QStringLiteral("The programmer stopped responding while waiting for %1.\n\n"
                              "Check the cable and the programmer's power, then try again.")
            .arg(failure.detail);
    default:
        return failure.detail;
    }
}
