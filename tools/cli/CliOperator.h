#pragma once

#include "ops/OperatorInterface.h"

#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>
#include <optional>

struct MemoryImage;
class TracingPort;

// The flows' operator on a command line: progress on stdout (a bar on a
// terminal, plain lines elsewhere), messages on stderr, the Yes/No questions
// answered by --on-mismatch, the fuse prompt by --fuse.
class CliOperator : public OperatorInterface {
public:
    struct Options {
        bool quiet = false;
        bool continueOnMismatch = false;
        std::optional<QString> fuse;
    };

    CliOperator(const MemoryImage& image, TracingPort& port, Options options);

    void SetStatus(const QString& text) override;
    void YieldToEvents() override {}
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    QString PromptText(const QString& prompt, const QString& title, const QString& defaultAnswer) override;
    void DisableControls() override {}
    void EnableControls() override {}

    // Prints an information line unless quiet.
    void Inform(const QString& text);
    // Ends a progress bar, so that what follows starts on a line of its own.
    void EndProgress();
    const QStringList& Mismatches() const { return mismatches_; }

private:
    void ShowProgress(const QString& label, int at, int total);
    void RecordMismatch(const QString& question);

    const MemoryImage& image_;
    TracingPort& port_;
    Options options_;
    bool terminal_;
    bool barShown_ = false;
    QString phase_;
    QElapsedTimer phaseClock_;
    int lastTenth_ = -1;
    QStringList mismatches_;
};
