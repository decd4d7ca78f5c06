#pragma once

#include "ops/OperatorInterface.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

// Stands in, on a command's worker, for an operator who lives on another
// thread (a window's): progress and statuses are posted to that thread and not
// waited for; messages and questions are posted and awaited, as a modal box
// holds the command until it is answered. Once Stop() is called, nothing more
// is awaited and the command ends at its next safe point or question, so that
// the other thread may wait for the worker.
class OperatorOnThread : public OperatorInterface {
public:
    // context is a QObject of the operators' thread; what is posted to it is dropped when it goes.
    explicit OperatorOnThread(QObject& context);

    // Any thread.
    void Stop();
    // Before each command, on the operators' thread: who is asked and told during it.
    void Resume(OperatorInterface& target);

    void SetStatus(const QString& text) override;
    void ShowProgress(const Progress& progress) override;
    void PassCompleted(Pass pass) override;
    void SafePoint() override;
    void ShowMessage(const QString& text) override;
    bool Mismatched(const Mismatch& mismatch) override;
    void HexFileNotice(const HexNotice& notice) override;
    void CommandFailed(const Failure& failure) override;
    bool GoOnDespite(const ChipDoubt& doubt) override;
    QString PromptFuse(int currentValue) override;

private:
    // Shared with what is posted, which may run after the worker stopped waiting.
    struct Gate {
        std::mutex mutex;
        std::condition_variable answered;
        bool stop = false;
    };
    void Tell(std::function<void(OperatorInterface&)> report);
    // Tells, and waits until the operator has taken it in, or a stop.
    void AwaitTold(std::function<void(OperatorInterface&)> tell);
    // The answer, or nothing once a stop was asked for.
    template <typename Answer> std::optional<Answer> Await(std::function<Answer(OperatorInterface&)> question);
    // The answer; a stop ends the command.
    template <typename Answer> Answer Ask(std::function<Answer(OperatorInterface&)> question);

    OperatorInterface* target_ = nullptr;
    QObject& context_;
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};
