#pragma once

#include "image/HexNotice.h"
#include "ops/OperatorFacts.h"

#include <QString>

// What the chip commands need from whoever sits in front of them: the window,
// the command line, or a test. Every call happens on the thread that runs the
// command.
class OperatorInterface {
public:
    virtual ~OperatorInterface() = default;

    // A status that is no progress: "Erasing...", "Final Verify", "Done"...
    virtual void SetStatus(const QString& text) = 0;
    virtual void ShowProgress(const Progress& progress) = 0;
    // The pass ran through its last location; no yield follows.
    virtual void PassCompleted(Pass pass) = 0;
    // A point between two exchanges, right after a progress report, where the
    // command may stop. This, Mismatched, GoOnDespite and PromptFuse may throw
    // CommandAbandoned when a stop was asked for meanwhile; the reports and
    // ShowMessage never throw.
    virtual void SafePoint() = 0;
    virtual void ShowMessage(const QString& text) = 0;
    // True to go on with the verify, false to stop it. For the configuration
    // word the verify goes on either way.
    virtual bool Mismatched(const Mismatch& mismatch) = 0;
    virtual void HexFileNotice(const HexNotice& notice) = 0;
    virtual void CommandFailed(const Failure& failure) = 0;
    // Asked before a command touches a chip that is missing, unknown or too
    // small for the file: true to go on anyway.
    virtual bool GoOnDespite(const ChipDoubt& doubt) = 0;
    // Offers the configuration word about to be written for editing. Returns
    // the answer as typed, or an empty text when the operator cancels.
    virtual QString PromptFuse(int currentValue) = 0;
};
