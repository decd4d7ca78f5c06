#include "link/CommandEnvelope.h"

#include "link/CommandAbandoned.h"
#include "link/LinkLost.h"
#include "link/PortName.h"
#include "link/SerialPort.h"
#include "ops/OperatorInterface.h"

namespace {

// Closing and unlocking must happen on every way out, including exceptions
// that nobody here expects.
class ScopeExit {
public:
    explicit ScopeExit(std::function<void()> action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    std::function<void()> action_;
};

}  // namespace

CommandEnvelope::CommandEnvelope(SerialPort& port, OperatorInterface& ui, std::function<QString()> portText,
                                 std::function<QString()> pingReadsSetting, std::chrono::milliseconds replyLimit)
    : port_(port), ui_(ui), portText_(std::move(portText)), pingReadsSetting_(std::move(pingReadsSetting)),
      replyLimit_(replyLimit)
{
}

CommandOutcome CommandEnvelope::Run(const std::function<void(ProgrammerProtocol&)>& body, const std::function<void()>& afterClose)
{
    ui_.DisableControls();
    const ScopeExit unlock([this] { ui_.EnableControls(); });

    const PortName::Choice choice = PortName::Resolve(portText_());
    if (choice.device.isEmpty()) {
        ui_.ShowMessage(choice.error);
        return CommandOutcome::BadPortName;
    }
    port_.SetPort(choice.device);
    if (const QString failure = port_.Open(); !failure.isEmpty()) {
        ui_.ShowMessage(failure);
        return CommandOutcome::PortNotOpened;
    }

    CommandOutcome outcome = CommandOutcome::NotDetected;
    {
        const ScopeExit close([this] { port_.Close(); });
        try {
            ProgrammerProtocol protocol(port_, ui_, pingReadsSetting_, replyLimit_);
            if (protocol.DetectProgrammer()) {
                body(protocol);
                outcome = CommandOutcome::Completed;
            }
        } catch (const LinkLost& lost) {
            port_.Close();
            ui_.ShowMessage(lost.OperatorText());
            outcome = CommandOutcome::LinkLost;
        } catch (const CommandAbandoned&) {
            // The operator is closing the window; there is nobody left to tell.
            outcome = CommandOutcome::Abandoned;
        }
    }
    if (outcome == CommandOutcome::Completed && afterClose)
        afterClose();
    return outcome;
}
