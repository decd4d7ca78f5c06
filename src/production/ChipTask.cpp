#include "production/ChipTask.h"

#include "image/HexText.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"
#include "production/CountingPort.h"
#include "production/LineEvents.h"

#include <QElapsedTimer>
#include <QThread>

ChipTask::ChipTask(const LinePlan& plan, QString port, int chipNumber, QString lot, OperatorInterface& ui, LineEvents& events)
    : plan_(plan), port_(std::move(port)), chipNumber_(chipNumber), lot_(std::move(lot)), ui_(ui), events_(events)
{
}

ChipResult ChipTask::Run(SerialPort& link)
{
    QElapsedTimer clock;
    clock.start();
    if (!plan_.recordAddress.isEmpty()) {
        // A connection of this thread's own.
        record_.emplace(plan_.recordAddress, QStringLiteral("korvexc-%1").arg(quintptr(QThread::currentThreadId())));
    }
    // A command that reads no ID has its row begun before it starts.
    if (ChipCommands::Identifies(plan_.command) || Accept(nullptr))
        result_.verdict = ChipVerdicts::Of(RunCommand(link));
    if (declined_)
        result_.verdict = *declined_;
    JudgeContents();
    result_.seconds = double(clock.elapsed()) / 1000.0;
    result_.lot = lot_;
    // A stopped chip's row stays unfinished.
    if (result_.verdict != ChipVerdict::Abandoned)
        FinishRow();
    events_.Tell(LineEvent::ChipFinished{port_, chipNumber_, result_});
    return result_;
}

CommandRequest ChipTask::Request()
{
    CommandRequest request;
    request.port = port_;
    request.pingReads = [reads = plan_.pingReads] { return reads; };
    request.file = plan_.file;
    request.layout = plan_.layout;
    request.scope = plan_.scope;
    request.image = plan_.image;
    request.identified = [this](const ChipIdentity& chip) {
        result_.identity = chip;
        events_.Tell(LineEvent::ChipIdentified{port_, chip});
    };
    request.accepted = [this](MemoryImage* image) { return Accept(image); };
    return request;
}

CommandOutcome ChipTask::RunCommand(SerialPort& link)
{
    CountingPort wire(link);
    CommandEnvelope envelope(wire, ui_);
    CommandFlows flows(envelope, ui_);
    const CommandResult done = ChipCommands::Perform(plan_.command, flows, Request(), result_.chip);
    result_.pingRoundTrip = done.pingRoundTrip;
    result_.mismatches = done.mismatches;
    result_.firstMismatch = done.firstMismatch;
    result_.checksum = done.checksum;
    result_.wireBytes = wire.BytesOnTheWire();
    result_.adapterTimer = link.AdapterTimer();
    return done.outcome;
}

bool ChipTask::Accept(MemoryImage* image)
{
    if (record_) {
        // Serial numbers go only into chips that are programmed.
        row_ =
            record_->Begin(RowStart(plan_.command == ChipCommand::Program && (plan_.serialPlace || !plan_.serialFile.isEmpty())));
        if (!row_) {
            TellRecordTrouble();
            declined_ = ChipVerdict::RecordFailed;
            return false;
        }
        if (row_->usedUp) {
            row_.reset();
            declined_ = ChipVerdict::SerialsUsedUp;
            return false;
        }
        if (!row_->markProblem.isEmpty())
            events_.Tell(
                LineEvent::NoticeGiven{port_, SerialLineUnmarked{plan_.serialFile, row_->line->number, row_->markProblem}});
        result_.serial = row_->serial;
        result_.serialLine = row_->line ? std::optional(row_->line->number) : std::nullopt;
    }
    if (result_.serial && plan_.serialPlace && *result_.serial > plan_.serialPlace->Largest()) {
        events_.Tell(LineEvent::NoticeGiven{port_, SerialTooLarge{*result_.serial}});
        declined_ = ChipVerdict::SerialTooLarge;
        return false;
    }
    if (image && result_.serial && plan_.serialPlace)
        plan_.serialPlace->Apply(*image, *result_.serial);
    if (image && row_ && row_->line)
        NumberFile::Apply(*row_->line, *image);
    events_.Tell(LineEvent::ChipStarted{port_, chipNumber_, result_.serial, result_.serialLine});
    return true;
}

void ChipTask::JudgeContents()
{
    if (result_.verdict != ChipVerdict::Passed)
        return;
    if (plan_.command == ChipCommand::Read) {
        if (const QString problem = result_.chip.SaveHex(plan_.file); !problem.isEmpty()) {
            events_.Tell(LineEvent::NoticeGiven{port_, FileNotWritten{plan_.file, problem}});
            result_.verdict = ChipVerdict::FileNotWritten;
        }
    } else if (plan_.command == ChipCommand::BlankCheck) {
        result_.firstMismatch = result_.chip.FirstNotBlank();
        if (result_.firstMismatch)
            result_.verdict = ChipVerdict::Mismatch;
    }
}

void ChipTask::FinishRow()
{
    if (!record_ || result_.verdict == ChipVerdict::RecordFailed)
        return;
    // A chip that was never accepted gets its row now, without a number.
    if (!row_)
        row_ = record_->Begin(RowStart(false));
    const QString device = result_.identity ? HexText::Word(result_.identity->idWord) : QString();
    if (!row_ || !record_->Finish(*row_, {result_.RecordWord(), result_.MismatchText(), result_.seconds, device})) {
        TellRecordTrouble();
        result_.recordLost = true;
    }
}

ProductionRecord::Start ChipTask::RowStart(bool numbered) const
{
    return {plan_, port_, lot_, numbered};
}

void ChipTask::TellRecordTrouble()
{
    events_.Tell(LineEvent::NoticeGiven{port_, RecordTrouble{ProductionRecord::Shown(plan_.recordAddress), record_->Problem()}});
}
