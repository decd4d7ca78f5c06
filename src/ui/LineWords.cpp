#include "ui/LineWords.h"

#include "image/HexText.h"
#include "production/ProductionRecord.h"

namespace {

QString VerdictText(ChipVerdict verdict)
{
    switch (verdict) {
    case ChipVerdict::Passed:
        return QString();
    case ChipVerdict::Mismatch:
        return QStringLiteral("Mismatch");
    case ChipVerdict::NoSuchPort:
        return QStringLiteral("No such port");
    case ChipVerdict::PortNotOpened:
        return QStringLiteral("The port cannot be opened");
    case ChipVerdict::NotDetected:
        return QStringLiteral("The programmer does not answer");
    case ChipVerdict::LinkLost:
        return QStringLiteral("The programmer stopped answering");
    case ChipVerdict::Abandoned:
        return QStringLiteral("Stopped before the chip was done");
    case ChipVerdict::FileError:
    case ChipVerdict::FileNotWritten:
        return QStringLiteral("The file cannot be used");
    case ChipVerdict::Cancelled:
    case ChipVerdict::FuseRefused:
        return QStringLiteral("Not programmed");
    case ChipVerdict::Empty:
        return QStringLiteral("No chip in the socket");
    case ChipVerdict::WrongChip:
        return QStringLiteral("Not a chip this job is for");
    case ChipVerdict::SerialTooLarge:
        return QStringLiteral("The serial number does not fit");
    case ChipVerdict::RecordFailed:
        return QStringLiteral("The record cannot take the chip's row");
    }
    return QString();
}

}  // namespace

QString LineWords::Reason(const ChipResult& result)
{
    QString text = VerdictText(result.verdict);
    if (result.firstMismatch)
        text = QStringLiteral("Mismatch at %1").arg(result.MismatchText());
    if (result.identity && result.verdict == ChipVerdict::WrongChip)
        text += QStringLiteral(" (ID %1)").arg(HexText::Word(result.identity->idWord));
    if (result.recordLost)
        return QStringLiteral("Record lost%1")
            .arg(text.isEmpty() ? QStringLiteral(" (the chip passed)") : QStringLiteral(": ") + text);
    return text;
}

QString LineWords::Refusal(const SetupRefusal& refusal)
{
    switch (refusal.kind) {
    case SetupRefusal::Kind::JobRefused:
        return QStringLiteral("The job is refused: %1").arg(refusal.detail);
    case SetupRefusal::Kind::UnexpectedChecksum:
        return QStringLiteral("The job's checksum is %1, not the one typed").arg(HexText::Word(refusal.checksum.value_or(0)));
    case SetupRefusal::Kind::SerialNeedsRecord:
        return QStringLiteral("The job gives serial numbers: choose a record");
    case SetupRefusal::Kind::FileNotLoaded:
        return QStringLiteral("The job's HEX file does not load");
    case SetupRefusal::Kind::RecordUnwritable:
        return QStringLiteral("The record cannot be written: %1").arg(refusal.detail);
    }
    return QString();
}

QString LineWords::Notice(const LineNotice& notice)
{
    if (const auto* trouble = std::get_if<RecordTrouble>(&notice))
        return QStringLiteral("The record %1: %2").arg(trouble->address, trouble->problem);
    if (const auto* failure = std::get_if<Failure>(&notice))
        return failure->detail;
    return QString();
}
