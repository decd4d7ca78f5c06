#pragma once

#include "image/HexText.h"
#include "link/SerialPort.h"
#include "ops/OperatorInterface.h"
#include "ops/SharedWords.h"

#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

// Stands in for a face: records what the commands report, in the words both
// faces share, and gives scripted answers.
class RecordingOperator : public OperatorInterface {
public:
    void SetStatus(const QString& text) override { statuses << text; }
    void ShowProgress(const Progress& progress) override { statuses << SharedWords::ProgressText(progress); }
    void PassCompleted(Pass pass) override { completed.push_back(pass); }
    void SafePoint() override { safePointsAfterStatus << statuses.value(statuses.size() - 1); }
    void ShowMessage(const QString& text) override { messages << text; }
    bool Mismatched(const Mismatch& mismatch) override
    {
        mismatches.push_back(mismatch);
        if (mismatch.memory == Memory::ConfigurationWord) {
            messages << SharedWords::FuseVerifyFailure();
            return true;
        }
        const bool yes = answers.empty() || answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }
    void HexFileNotice(const HexNotice& notice) override
    {
        if (notice.kind != HexNotice::Kind::EepromLayoutUsed)
            messages << SharedWords::NoticeText(notice, QStringLiteral("The file"));
    }
    void CommandFailed(const Failure& failure) override
    {
        messages << SharedWords::FailureText(failure, QStringLiteral(" "));
        portOpenWhenTold = port && port->IsOpen();
    }
    bool GoOnDespite(const ChipDoubt& doubt) override
    {
        doubts.push_back(doubt);
        return goOnDespite;
    }
    QString PromptFuse(int currentValue) override
    {
        prompts << HexText::Number(currentValue);
        return promptAnswer.value_or(QString::number(currentValue, 16));
    }

    QStringList statuses;  // progress included, as the window shows it
    QStringList safePointsAfterStatus;  // the status shown at each safe point
    QStringList messages;
    QStringList prompts;  // the fuse value offered at each prompt
    std::vector<Mismatch> mismatches;  // every one, whether asked about or only reported
    std::vector<Pass> completed;
    std::vector<ChipDoubt> doubts;
    bool goOnDespite = false;
    std::deque<bool> answers;  // go on or stop at each mismatch asked about; go on when none are left
    std::optional<QString> promptAnswer;  // the default answer when unset
    const SerialPort* port = nullptr;  // the link, to see whether it was still open at a failure
    bool portOpenWhenTold = false;
};
