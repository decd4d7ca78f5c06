#pragma once

#include "ops/FileChangeWatch.h"
#include "ops/OperatorInterface.h"

#include <QObject>
#include <memory>

class Form1;
class QThread;

// Program on File Change: Program! at once, then again at each new write of
// the file, with the file's own configuration word and nobody asked. A
// question that a run would ask fails the run instead, told as the question
// would tell it; a failed run turns the mode off. Reports go to the window.
class FileChangeProgrammer : public QObject, public OperatorInterface {
public:
    FileChangeProgrammer(Form1& window, const QString& file);
    // Waits for the watch's thread.
    ~FileChangeProgrammer() override;

    void Start();

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
    void ProgramFile();
    void WaitForFileUpdate();

    Form1& window_;
    const QString file_;
    FileChangeWatch watch_;
    std::unique_ptr<QThread> waiting_;  // waits for the file, so that the window never does
};
