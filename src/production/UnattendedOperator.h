#pragma once

#include "ops/OperatorInterface.h"

#include <QString>
#include <atomic>
#include <optional>

class LineEvents;

// The chip commands' operator on a line, where nobody is asked anything:
// the plan answers (the fuse value, the mismatch policy, whether to go on
// with a doubtful chip), every report goes to the line's events, and a stop
// that was asked for ends the command at its next safe point.
class UnattendedOperator : public OperatorInterface {
public:
    struct Answers {
        std::optional<int> fuse;  // unset: the file's own
        bool continueOnMismatch = false;
        bool force = false;
    };

    UnattendedOperator(QString port, Answers answers, LineEvents& events, const std::atomic<bool>& stop);

    void SetStatus(const QString& text) override;
    void ShowProgress(const Progress& progress) override;
    void PassCompleted(Pass) override {}
    void SafePoint() override;
    void ShowMessage(const QString& text) override;
    bool Mismatched(const Mismatch& mismatch) override;
    void HexFileNotice(const HexNotice& notice) override;
    void CommandFailed(const Failure& failure) override;
    bool GoOnDespite(const ChipDoubt& doubt) override;
    QString PromptFuse(int currentValue) override;

private:
    void ThrowIfStopped() const;

    QString port_;
    Answers answers_;
    LineEvents& events_;
    const std::atomic<bool>& stop_;
};
