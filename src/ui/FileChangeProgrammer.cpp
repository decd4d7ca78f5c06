#include "ui/FileChangeProgrammer.h"

#include "image/HexText.h"
#include "ops/SharedWords.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QThread>

FileChangeProgrammer::FileChangeProgrammer(Form1& window, const QString& file) : window_(window), file_(file), watch_(file) {}

FileChangeProgrammer::~FileChangeProgrammer()
{
    watch_.Stop();
    if (waiting_)
        waiting_->wait();
}

void FileChangeProgrammer::Start()
{
    ProgramFile();
}

void FileChangeProgrammer::ProgramFile()
{
    // A write during the run counts: the file is taken as it stood when the run began.
    watch_.TakeAsSeen();
    window_.RunCommand(ChipCommand::Program, file_, *this, [this](const CommandWorker::Done& done) {
        if (done.result.outcome == CommandOutcome::Completed) {
            WaitForFileUpdate();
            return;
        }
        QApplication::alert(&window_);
        // Not from inside this object's own call: turning the mode off lets it go.
        QMetaObject::invokeMethod(&window_, &Form1::StopProgramOnFileChange, Qt::QueuedConnection);
    });
}

void FileChangeProgrammer::WaitForFileUpdate()
{
    window_.SetStatus(QStringLiteral("Waiting for file update..."));
    window_.SetChipCommandsEnabled(false);
    // The last wait's thread may still be on its way out.
    if (waiting_)
        waiting_->wait();
    waiting_.reset(QThread::create([this] {
        if (watch_.WaitForChange())
            QMetaObject::invokeMethod(this, &FileChangeProgrammer::ProgramFile, Qt::QueuedConnection);
    }));
    waiting_->start();
}

void FileChangeProgrammer::SetStatus(const QString& text)
{
    window_.SetStatus(text);
}

void FileChangeProgrammer::ShowProgress(const Progress& progress)
{
    window_.ShowProgress(progress);
}

void FileChangeProgrammer::PassCompleted(Pass pass)
{
    window_.PassCompleted(pass);
}

void FileChangeProgrammer::SafePoint()
{
    window_.SafePoint();
}

void FileChangeProgrammer::ShowMessage(const QString& text)
{
    // A run that has something to say has failed: the developer is at the editor.
    QApplication::alert(&window_);
    window_.ShowMessage(text);
}

bool FileChangeProgrammer::Mismatched(const Mismatch& mismatch)
{
    ShowMessage(Form1::MismatchError(mismatch));
    return false;
}

void FileChangeProgrammer::HexFileNotice(const HexNotice& notice)
{
    if (notice.kind != HexNotice::Kind::EepromLayoutUsed)
        QApplication::alert(&window_);
    window_.HexFileNotice(notice);
}

void FileChangeProgrammer::CommandFailed(const Failure& failure)
{
    QApplication::alert(&window_);
    window_.CommandFailed(failure);
}

bool FileChangeProgrammer::GoOnDespite(const ChipDoubt& doubt)
{
    ShowMessage(SharedWords::DoubtText(doubt));
    return false;
}

QString FileChangeProgrammer::PromptFuse(int currentValue)
{
    return HexText::Word(currentValue);
}
