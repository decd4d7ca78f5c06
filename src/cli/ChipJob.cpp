#include "ChipJob.h"

#include "CliOperator.h"
#include "ExitCode.h"
#include "ProductionRecord.h"
#include "TracingPort.h"
#include "link/QtSerialLink.h"
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
    if (recordFailed)
        return kFileError;
    return serialTooLarge ? kUsage : ExitFor(outcome);
}

QString ChipJob::Result::Text() const
{
    if (recordFailed)
        return QStringLiteral("record failed");
    if (serialTooLarge)
        return QStringLiteral("serial number too large");
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
    const auto recordFailed = [&] {
        ui_.ShowMessage(QStringLiteral("the production record %1 cannot be written: %2").arg(plan_.recordPath, record->Problem()));
        result.recordFailed = true;
    };
    if (!plan_.recordPath.isEmpty()) {
        // A connection of this thread's own.
        record.emplace(plan_.recordPath, QStringLiteral("korvexc-%1").arg(quintptr(QThread::currentThreadId())));
        row = record->Begin({port_, QLatin1String(CliCommandInfo::Of(plan_.command).name), plan_.file, plan_.sha256, plan_.fuse,
                             plan_.serials});
        if (!row) {
            recordFailed();
            return result;
        }
        result.serial = row->serial;
        result.serialTooLarge = result.serial && plan_.serialPlace && *result.serial > plan_.serialPlace->Largest();
        if (result.serialTooLarge)
            ui_.ShowMessage(QStringLiteral("serial number %1 does not fit where it goes").arg(*result.serial));
    }
    if (!result.serialTooLarge)
        result.outcome = RunCommand(result);
    result.seconds = double(clock.elapsed()) / 1000.0;
    if (plan_.command == CliCommand::BlankCheck && result.outcome == CommandOutcome::Completed) {
        result.firstMismatch = result.chip.FirstNotBlank();
        if (result.firstMismatch)
            result.outcome = CommandOutcome::Mismatch;
    } else {
        result.firstMismatch = ui_.FirstMismatch();
    }
    if (record && !record->Finish(row->id, result.Text(),
                                  result.firstMismatch ? CliOperator::MismatchLine(*result.firstMismatch) : QString(),
                                  result.seconds))
        recordFailed();
    return result;
}

CommandOutcome ChipJob::RunCommand(Result& result)
{
    QtSerialLink link;
    TracingPort wire(link, trace_);
    MemoryImage image;
    CommandEnvelope envelope(wire, ui_, [this] { return port_; }, [this] { return plan_.pingReads; });
    const std::optional<long long> serial = result.serial;
    const CommandFlows::ImageSource file =
        CommandFlows::FileSource(ui_, [this] { return plan_.file; }, [this] { return plan_.layout; });
    const auto load = [this, serial, &file](MemoryImage& target) {
        if (plan_.image)
            target = *plan_.image;
        else if (!file(target))
            return false;
        if (serial && plan_.serialPlace)
            plan_.serialPlace->Apply(target, *serial);
        return true;
    };
    CommandFlows flows(envelope, image, ui_, load);

    CommandOutcome outcome = CommandOutcome::Completed;
    switch (plan_.command) {
    case CliCommand::Detect:
        outcome = envelope.Run([&result](ProgrammerProtocol& protocol) {
            result.pingRoundTrip = protocol.PingRoundTrip();
            return CommandOutcome::Completed;
        });
        break;
    case CliCommand::Erase:
        outcome = flows.DoErase();
        break;
    case CliCommand::Verify:
        outcome = flows.DoVerify();
        break;
    case CliCommand::Program:
        outcome = flows.DoProgram();
        break;
    case CliCommand::Read:
    case CliCommand::BlankCheck:
        outcome = flows.DoRead(result.chip);
        break;
    case CliCommand::ListPorts:
    case CliCommand::Fuses:
    case CliCommand::Record:
        break;  // none of them runs on a programmer
    }
    result.wireBytes = wire.BytesOnTheWire();
    result.adapterTimer = link.AdapterTimer();
    return outcome;
}
