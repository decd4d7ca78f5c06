#pragma once

#include <QString>

// What the chip flows need from whoever sits in front of them: the window, the
// command line, or a test. Every call happens on the one interface thread.
class OperatorInterface {
public:
    virtual ~OperatorInterface() = default;

    virtual void SetStatus(const QString& text) = 0;
    // Lets pending window events run once. This, AskYesNo and PromptText may
    // throw CommandAbandoned when the operator quits meanwhile; ShowMessage
    // never throws.
    virtual void YieldToEvents() = 0;
    virtual void ShowMessage(const QString& text) = 0;
    // True when the operator answered Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // Returns the answer, or an empty text when the operator cancels.
    virtual QString PromptText(const QString& prompt, const QString& title, const QString& defaultAnswer) = 0;
    virtual void DisableControls() = 0;
    virtual void EnableControls() = 0;
};
