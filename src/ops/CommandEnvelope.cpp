#include "ops/CommandEnvelope.h"

#include "link/CompanionCommands.h"
#include "link/LinkLost.h"
#include "link/PortName.h"
#include "link/SerialPort.h"
#include "ops/CommandAbandoned.h"
#include "ops/CommandRequest.h"
#include "ops/OperatorInterface.h"

#include <QScopeGuard>

CommandEnvelope::CommandEnvelope(SerialPort& port, OperatorInterface& ui, std::chrono::milliseconds replyLimit)
    : port_(port), ui_(ui), replyLimit_(replyLimit)
{
}

CommandOutcome CommandEnvelope::Run(const CommandRequest& request, const Body& body, const std::function<void()>& afterClose)
{
    const PortName::Choice choice = PortName::Resolve(request.port);
    if (choice.device.isEmpty()) {
        ui_.CommandFailed({CommandOutcome::BadPortName, choice.error});
        return CommandOutcome::BadPortName;
    }
    port_.SetPort(choice.device);
    if (const QString failure = port_.Open(); !failure.isEmpty()) {
        ui_.CommandFailed({CommandOutcome::PortNotOpened, failure});
        return CommandOutcome::PortNotOpened;
    }

    CommandOutcome outcome = CommandOutcome::NotDetected;
    {
        // Closed on every way out, exceptions nobody expects included.
        const auto close = qScopeGuard([this] { port_.Close(); });
        try {
            // A command cut short on a port held open may have left the faster
            // rate; the companion firmware drops it after a second of silence.
            if (LinkFacts& facts = port_.Facts(); facts.rate != LineRate::kBaud) {
                port_.SetRate(LineRate::kBaud);
                facts.rate = LineRate::kBaud;
            }
            ProgrammerProtocol protocol(port_, request.pingReads, replyLimit_);
            if (protocol.DetectProgrammer()) {
                outcome = body(protocol);
                // The next command, or the next program to open the port, starts at the table's rate.
                CompanionCommands(protocol).SetRate(LineRate::kBaud);
            } else
                ui_.CommandFailed({CommandOutcome::NotDetected, QString()});
        } catch (const LinkLost& lost) {
            // Closed before the operator is told, so that the port is free while the message shows.
            port_.Close();
            ui_.CommandFailed({CommandOutcome::LinkLost, QString::fromStdString(lost.what())});
            outcome = CommandOutcome::LinkLost;
        } catch (const CommandAbandoned&) {
            // The operator is closing the window; there is nobody left to tell.
            outcome = CommandOutcome::Abandoned;
        }
    }
    const bool ranThrough = outcome == CommandOutcome::Completed || outcome == CommandOutcome::Mismatch;
    if (ranThrough && afterClose)
        afterClose();
    return outcome;
}
