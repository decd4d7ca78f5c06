#include "ui/LineWords.h"

#include "image/HexText.h"
#include "production/ProductionRecord.h"

namespace {

struct VerdictText {
    ChipVerdict verdict;
    const char* text;  // nothing for a chip that passed
};

constexpr VerdictText kVerdictTexts[] = {
    {ChipVerdict::Passed, ""},
    {ChipVerdict::Mismatch, "Mismatch"},
    {ChipVerdict::NoSuchPort, "No such port"},
    {ChipVerdict::PortNotOpened, "The port cannot be opened"},
    {ChipVerdict::NotDetected, "The programmer does not answer"},
    {ChipVerdict::LinkLost, "The programmer stopped answering"},
    {ChipVerdict::Abandoned, "Stopped before the chip was done"},
    {ChipVerdict::FileError, "The file cannot be used"},
    {ChipVerdict::Cancelled, "Not programmed"},
    {ChipVerdict::FuseRefused, "Not programmed"},
    {ChipVerdict::Empty, "No chip in the socket"},
    {ChipVerdict::WrongChip, "Not a chip this job is for"},
    {ChipVerdict::SerialTooLarge, "The serial number does not fit"},
    {ChipVerdict::FileNotWritten, "The file cannot be used"},
    {ChipVerdict::RecordFailed, "The record cannot take the chip's row"},
    {ChipVerdict::SerialsUsedUp, "Every line of the serial number file is used"},
};
static_assert(ChipVerdicts::Complete(kVerdictTexts));

}  // namespace

QString LineWords::Reason(const ChipResult& result)
{
    QString text = QString::fromUtf8(kVerdictTexts[int(result.verdict)].text);
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
    case SetupRefusal::Kind::ChipDataOverCode:
        return QStringLiteral("The serial number would replace the file's code at %1").arg(HexText::Word(refusal.word));
    case SetupRefusal::Kind::SerialFileUnreadable:
        return QStringLiteral("The serial number file cannot be used: %1").arg(refusal.detail);
    }
    return QString();
}

QString LineWords::Chain(const RecordChain::State& chain)
{
    if (!chain.broken)
        return QStringLiteral("Record chain intact: %1 rows").arg(chain.rows);
    const QString how = *chain.broken == RecordChain::Break::Changed   ? QStringLiteral("changed")
                        : *chain.broken == RecordChain::Break::Missing ? QStringLiteral("a row before it is missing")
                                                                       : QStringLiteral("out of order");
    return QStringLiteral("Record chain broken at row %1: %2").arg(chain.brokenRow).arg(how);
}

QString LineWords::Notice(const LineNotice& notice)
{
    if (const auto* trouble = std::get_if<RecordTrouble>(&notice))
        return QStringLiteral("The record %1: %2").arg(trouble->address, trouble->problem);
    if (const auto* failure = std::get_if<Failure>(&notice))
        return failure->detail;
    return QString();
}
