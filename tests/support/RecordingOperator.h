#pragma once

#include "ops/OperatorInterface.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

// Stands in for the window: records what the flows tell the operator and gives
// scripted answers.
class RecordingOperator : public OperatorInterface {
public:
    void SetStatus(const QString& text) override { statuses << text; }
    void YieldToEvents() override
    {
        ++yields;
        yieldsAfterStatus << (statuses.isEmpty() ? QString() : statuses.back());
        if (onYield)
            onYield();
    }
    void ShowMessage(const QString& text) override { messages << text; }
    bool AskYesNo(const QString& text) override
    {
        questions << text;
        if (answers.empty())
            return true;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    QString PromptText(const QString& prompt, const QString& title, const QString& defaultAnswer) override
    {
        prompts << (title + QLatin1Char('|') + prompt + QLatin1Char('|') + defaultAnswer);
        return promptAnswer ? *promptAnswer : defaultAnswer;
    }
    void DisableControls() override
    {
        ++disables;
        locked = true;
    }
    void EnableControls() override
    {
        ++enables;
        locked = false;
    }

    QStringList statuses;
    QStringList yieldsAfterStatus;
    QStringList messages;
    QStringList questions;
    QStringList prompts;
    std::deque<bool> answers;              // Yes/No answers in turn; Yes when none are left
    std::optional<QString> promptAnswer;   // the default answer when unset
    std::function<void()> onYield;
    int yields = 0;
    int disables = 0;
    int enables = 0;
    bool locked = false;
};
