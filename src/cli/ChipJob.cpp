#include "ChipJob.h"

#include "CliOperator.h"
#include "ExitCode.h"
#include "ProductionRecord.h"
#include "TracingPort.h"
#include "image/HexText.h"
#include "PlatformLink.h"
#include "ops/ChipOperations.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"

#include <QElapsedTimer>
#include <QThread>

ChipJob::ChipJob(const Plan& plan, QString port, CliOperator& ui, std::FILE* trace)
    : plan_(plan), port_(std::move(port)), ui_(ui), trace_(trace)
{
}

int ChipJob::Result::Exit() const
{
    if (recordFailed || recordLost || fileNotWritten)
        return kFileError;
    return serialTooLarge ? kUsage : ExitFor(outcome);
}

QString ChipJob::Result::Text() const
{
    if (recordFailed)
        return QStringLiteral("record failed");
    // The chip's own result stays in sight: the chip is done, only its row is missing.
    return recordLost ? QStringLiteral("record lost: ") + ChipText() : ChipText();
}

QString ChipJob::Result::ChipText() const
{
    if (serialTooLarge)
        return QStringLiteral("serial number too large");
    if (fileNotWritten)
        return QStringLiteral("file not written");
    switch (outcome) {
    case CommandOutcome::Completed:
        return ProductionRecord::kSuccess;
    case CommandOutcome::Mismatch:
        return QStringLiteral("mismatch");
    case CommandOutcome::BadPortName:
        return QStringLiteral("no such port");
    case CommandOutcome::PortNotOpened:
        return QStringLiteral("port not opened");
    case CommandOutcome::NotDetected:
        return QStringLiteral("not detected");
    case CommandOutcome::LinkLost:
        return QStringLiteral("link lost");
    case CommandOutcome::Abandoned:
        return QStringLiteral("abandoned");
    case CommandOutcome::FileNotLoaded:
        return QStringLiteral("file error");
    case CommandOutcome::Cancelled:
        return QStringLiteral("cancelled");
    case CommandOutcome::NoChip:
        return QStringLiteral("empty");
    case CommandOutcome::WrongChip:
        return QStringLiteral("wrong chip");
    case CommandOutcome::FuseRefused:
        break;
    }
    return QStringLiteral("fuse refused");
}

ChipJob::Result ChipJob::Run()
{
    Result result;
    QElapsedTimer clock;
    clock.start();
    std::optional<ProductionRecord> record;
    std::optional<ProductionRecord::Row> row;
    const auto tellRecordProblem = [&] {
        ui_.ShowMessage(QStringLiteral("the production record %1 cannot be written: %2")
                            .arg(ProductionRecord::Shown(plan_.recordPath), record->Problem()));
    };
    if (!plan_.recordPath.isEmpty()) {
        // A connection of this thread's own.
        record.emplace(plan_.recordPath, QStringLiteral("korvexc-%1").arg(quintptr(QThread::currentThreadId())));
        row = record->Begin({port_, QLatin1String(CliCommandInfo::Of(plan_.command).name), plan_.file, plan_.sha256, plan_.fuse,
                             plan_.serials, plan_.job, plan_.jobSha256});
        if (!row) {
            tellRecordProblem();
            result.recordFailed = true;
            return result;
        }
        result.serial = row->serial;
        result.serialTooLarge = result.serial && plan_.serialPlace && *result.serial > plan_.serialPlace->Largest();
        if (result.serialTooLarge)
            ui_.ShowMessage(QStringLiteral("serial number %1 does not fit where it goes").arg(*result.serial));
    }
    if (!result.serialTooLarge)
        result.outcome = RunCommand(result);
    if (plan_.command == CliCommand::Read && result.outcome == CommandOutcome::Completed) {
        if (const QString problem = result.chip.SaveHex(plan_.file); !problem.isEmpty()) {
            ui_.ShowMessage(QStringLiteral("cannot write %1: %2").arg(plan_.file, problem));
            result.fileNotWritten = true;
        }
    }
    result.seconds = double(clock.elapsed()) / 1000.0;
    if (plan_.command == CliCommand::BlankCheck && result.outcome == CommandOutcome::Completed) {
        result.firstMismatch = result.chip.FirstNotBlank();
        if (result.firstMismatch)
            result.outcome = CommandOutcome::Mismatch;
    } else {
        result.firstMismatch = ui_.FirstMismatch();
    }
    if (record
        && !record->Finish(row->id, result.Text(),
                           result.firstMismatch ? CliOperator::MismatchLine(*result.firstMismatch) : QString(), result.seconds,
                           result.identity ? HexText::Word(result.identity->idWord) : QString())) {
        tellRecordProblem();
        result.recordLost = true;
    }
    return result;
}

CommandOutcome ChipJob::RunCommand(Result& result)
{
    PlatformLink link;
    TracingPort wire(link, trace_);
    CommandEnvelope envelope(wire, ui_);
    CommandFlows flows(envelope, ui_);
    CommandRequest request;
    request.port = port_;
    request.pingReads = [reads = plan_.pingReads] { return reads; };
    request.file = plan_.file;
    request.layout = plan_.layout;
    request.image = plan_.image;
    // A serial number always comes with a record, and so with the image loaded once.
    if (request.image && result.serial && plan_.serialPlace)
        plan_.serialPlace->Apply(*request.image, *result.serial);

    CommandResult done;
    switch (plan_.command) {
    case CliCommand::Detect:
        done.outcome = envelope.Run(request, [&](ProgrammerProtocol& protocol) {
            result.pingRoundTrip = protocol.PingRoundTrip();
            done.chip = ChipIdentity(ChipOperations(protocol, ui_).ReadDeviceId());
            return CommandOutcome::Completed;
        });
        break;
    case CliCommand::Erase:
        done = flows.DoErase(request);
        break;
    case CliCommand::Verify:
        done = flows.DoVerify(request);
        break;
    case CliCommand::Program:
        done = flows.DoProgram(request);
        break;
    case CliCommand::Read:
    case CliCommand::BlankCheck:
        done = flows.DoRead(request, result.chip);
        break;
    case CliCommand::ListPorts:
    case CliCommand::Fuses:
    case CliCommand::Record:
    case CliCommand::Checksum:
    case CliCommand::Job:
    case CliCommand::Run:
        break;  // none of them runs on a programmer; run's plan is program
    }
    result.identity = done.chip;
    result.wireBytes = wire.BytesOnTheWire();
    result.adapterTimer = link.AdapterTimer();
    return done.outcome;
}
