#include "production/OperatorOnThread.h"

#include "ops/CommandAbandoned.h"

#include <QMetaObject>
#include <QObject>
#include <exception>

OperatorOnThread::OperatorOnThread(QObject& context) : context_(context) {}

void OperatorOnThread::Stop()
{
    const std::lock_guard lock(gate_->mutex);
    gate_->stop = true;
    gate_->answered.notify_all();
}

void OperatorOnThread::Resume(OperatorInterface& target)
{
    target_ = &target;
    const std::lock_guard lock(gate_->mutex);
    gate_->stop = false;
}

void OperatorOnThread::Tell(std::function<void(OperatorInterface&)> report)
{
    QMetaObject::invokeMethod(
        &context_, [&target = *target_, report = std::move(report)] { report(target); }, Qt::QueuedConnection);
}

template <typename Answer> std::optional<Answer> OperatorOnThread::Await(std::function<Answer(OperatorInterface&)> question)
{
    struct Reply {
        std::optional<Answer> answer;
        std::exception_ptr thrown;
    };
    auto reply = std::make_shared<Reply>();
    if (const std::lock_guard lock(gate_->mutex); gate_->stop)
        return std::nullopt;
    QMetaObject::invokeMethod(
        &context_,
        [&target = *target_, gate = gate_, reply, question = std::move(question)] {
            Reply given;
            try {
                given.answer = question(target);
            } catch (...) {
                // Rethrown on the worker: nothing may unwind through the event loop.
                given.thrown = std::current_exception();
            }
            const std::lock_guard lock(gate->mutex);
            *reply = std::move(given);
            gate->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(gate_->mutex);
    gate_->answered.wait(lock, [&] { return reply->answer || reply->thrown || gate_->stop; });
    if (reply->thrown)
        std::rethrow_exception(reply->thrown);
    return reply->answer;
}

template <typename Answer> Answer OperatorOnThread::Ask(std::function<Answer(OperatorInterface&)> question)
{
    const std::optional<Answer> answer = Await(std::move(question));
    if (!answer)
        throw CommandAbandoned();
    return *answer;
}

void OperatorOnThread::AwaitTold(std::function<void(OperatorInterface&)> tell)
{
    // A message holds the command as its box would; all it answers is that it was seen.
    Await<bool>([tell = std::move(tell)](OperatorInterface& ui) {
        tell(ui);
        return true;
    });
}

void OperatorOnThread::SetStatus(const QString& text)
{
    Tell([text](OperatorInterface& ui) { ui.SetStatus(text); });
}

void OperatorOnThread::ShowProgress(const Progress& progress)
{
    Tell([progress](OperatorInterface& ui) { ui.ShowProgress(progress); });
}

void OperatorOnThread::PassCompleted(Pass pass)
{
    Tell([pass](OperatorInterface& ui) { ui.PassCompleted(pass); });
}

void OperatorOnThread::SafePoint()
{
    const std::lock_guard lock(gate_->mutex);
    if (gate_->stop)
        throw CommandAbandoned();
}

void OperatorOnThread::ShowMessage(const QString& text)
{
    AwaitTold([text](OperatorInterface& ui) { ui.ShowMessage(text); });
}

bool OperatorOnThread::Mismatched(const Mismatch& mismatch)
{
    return Ask<bool>([mismatch](OperatorInterface& ui) { return ui.Mismatched(mismatch); });
}

void OperatorOnThread::HexFileNotice(const HexNotice& notice)
{
    AwaitTold([notice](OperatorInterface& ui) { ui.HexFileNotice(notice); });
}

void OperatorOnThread::CommandFailed(const Failure& failure)
{
    AwaitTold([failure](OperatorInterface& ui) { ui.CommandFailed(failure); });
}

bool OperatorOnThread::GoOnDespite(const ChipDoubt& doubt)
{
    return Ask<bool>([doubt](OperatorInterface& ui) { return ui.GoOnDespite(doubt); });
}

QString OperatorOnThread::PromptFuse(int currentValue)
{
    return Ask<QString>([currentValue](OperatorInterface& ui) { return ui.PromptFuse(currentValue); });
}
