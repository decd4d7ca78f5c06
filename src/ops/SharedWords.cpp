#include "ops/SharedWords.h"

#include "image/ChipGeometry.h"
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

QString SharedWords::DoubtText(const ChipDoubt& doubt)
{
    const QString id = HexText::Word(doubt.idWord);
    switch (doubt.kind) {
    case ChipDoubt::Kind::NoChip:
        return QStringLiteral(
                   "No chip answers: its ID reads %1. Check that the chip is seated and the right way round, "
                   "the target's power and ground, and the programming lead.")
            .arg(id);
    case ChipDoubt::Kind::UnknownDevice:
        return QStringLiteral("The chip's ID word %1 names no device of this family.").arg(id);
    case ChipDoubt::Kind::FileTooLarge:
        break;
    }
    const std::optional<ChipGeometry::FamilyMember> member = ChipGeometry::MemberWithId(doubt.idWord);
    return QStringLiteral("The chip (ID %1) holds %2 program words and %3 EEPROM bytes, but the file has data at %4 %5.")
        .arg(id)
        .arg(member ? member->programWords : 0)
        .arg(member ? member->eepromBytes : 0)
        .arg(doubt.memory == Memory::EepromByte ? QStringLiteral("EEPROM byte") : QStringLiteral("program word"),
             HexText::Number(doubt.address));
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

QString SharedWords::MismatchPlace(const Mismatch& mismatch)
{
    switch (mismatch.memory) {
    case Memory::ProgramWord:
        return QStringLiteral("program word ") + HexText::Word(mismatch.address);
    case Memory::EepromByte:
        return QStringLiteral("EEPROM byte ") + HexText::Word(mismatch.address);
    case Memory::IdWord:
        return QStringLiteral("ID word %1").arg(mismatch.address);
    case Memory::ConfigurationWord:
        break;
    }
    return QStringLiteral("configuration word");
}

QString SharedWords::MismatchLine(const Mismatch& mismatch)
{
    return MismatchPlace(mismatch)
           + QStringLiteral(": expected %1, read %2").arg(HexText::Word(mismatch.expected), HexText::Word(mismatch.read));
}

QString SharedWords::NotBlankLine(const Mismatch& found)
{
    return MismatchPlace(found) + QStringLiteral(" reads ") + HexText::Word(found.read);
}
