#pragma once

#include "ops/OperatorInterface.h"
#include "ops/PassClock.h"

#include <QStringList>
#include <optional>

// The chip commands' operator on a command line: progress on stdout (a bar on
// a terminal, plain lines elsewhere), messages on stderr, mismatches answered
// by --on-mismatch, the fuse prompt by --fuse.
class CliOperator : public OperatorInterface {
public:
    struct Options {
        bool quiet = false;
        bool continueOnMismatch = false;
        std::optional<QString> fuse;
        bool readFuse = true;  // print what the configuration word written sets
        bool force = false;  // go on with a chip that is missing, unknown or too small for the file
    };

    explicit CliOperator(Options options);

    void SetStatus(const QString& text) override;
    void ShowProgress(const Progress& progress) override;
    void PassCompleted(Pass) override {}
    void YieldToEvents() override {}
    void ShowMessage(const QString& text) override;
    bool Mismatched(const Mismatch& mismatch) override;
    void HexFileNotice(const HexNotice& notice) override;
    void CommandFailed(const Failure& failure) override;
    bool GoOnDespite(const ChipDoubt& doubt) override;
    QString PromptFuse(int currentValue) override;
    void DisableControls() override {}
    void EnableControls() override {}

    // Prints an information line unless quiet.
    void Inform(const QString& text);
    // Ends a progress bar, so that what follows starts on a line of its own.
    void EndProgress();
    // "program word 0100: expected 305A, read 205A"
    static QString MismatchLine(const Mismatch& mismatch);
    // "program word 0100 reads 205A", for a blank check
    static QString NotBlankLine(const Mismatch& found);
    const QStringList& Mismatches() const { return mismatches_; }
    std::optional<Mismatch> FirstMismatch() const { return first_; }

protected:
    virtual void PrintLine(const QString& text);
    const Options& Settings() const { return options_; }

private:
    // "program word 0100", "ID word 2"...
    static QString MismatchPlace(const Mismatch& mismatch);

    Options options_;
    bool terminal_;
    bool barShown_ = false;
    PassClock clock_;
    int lastTenth_ = -1;
    QStringList mismatches_;
    std::optional<Mismatch> first_;
};
