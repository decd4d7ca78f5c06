#pragma once

#include "ops/OperatorInterface.h"
#include "production/CommandWorker.h"
#include "production/OperatorOnThread.h"
#include "ui/ProgrammerFinder.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class FileChangeProgrammer;
class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPushButton;
class PortBox;
class ProgressLine;

// The main window: the HEX file and port boxes, the status line, and the menu
// bar whose commands run the chip flows on a worker. It is the flows'
// operator, asked and told on its own thread.
class Form1 : public QMainWindow, public OperatorInterface {
    Q_OBJECT

public:
    static const QString kTitle;

    Form1();
    ~Form1() override;

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

    using Then = std::function<void(const CommandWorker::Done&)>;
    // Starts a chip command on the port the COM box holds now, with the
    // controls locked until it ends, asking and telling answers meanwhile;
    // then runs once they are enabled again.
    void RunCommand(ChipCommand command, const QString& file, OperatorInterface& answers, Then then = {});
    // Program!, Verify! and Erase!: also held while Program on File Change waits.
    void SetChipCommandsEnabled(bool enabled);
    void StopProgramOnFileChange();
    // "Verify error @1F", as the verify's question puts it; the configuration word's own text for it.
    static QString MismatchError(const Mismatch& mismatch);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void DisableControls();
    void EnableControls();
    void SetControlsEnabled(bool enabled);
    int RunDialog(QDialog& dialog);
    bool AskYesNo(const QString& text, QMessageBox::StandardButton byDefault = QMessageBox::Yes);
    void CommandEnded(const CommandWorker::Done& done);
    void SetWatching(bool on);
    void FindProgrammer();
    void ShowFound(const ProgrammerSearch::Found& found);
    void FBrowse_Click();
    void mnuAbout_Click();
    void mnuSaveChip_Click();
    void ListRecentFiles();
    std::optional<QString> DroppedFile(const QMimeData& data) const;

    ProgrammerFinder finder_;
    std::unique_ptr<FileChangeProgrammer> watcher_;  // while Program on File Change is on
    OperatorOnThread remote_;  // the window, or the watcher, as the worker's commands see them
    CommandWorker worker_;  // after remote_: it goes first, waiting for the command under way
    Then then_;
    bool busy_ = false;
    bool closeRequested_ = false;
    QPointer<QDialog> openDialog_;
    QList<QAction*> recentActions_;
    QAction* recentEnd_ = nullptr;  // the separator below the recent files
    QString chipId_;  // "ID 0E20", from the last command that read it
    QString checksum_;  // "Checksum 3A7F", from the last load of a file

    // The controls, by the names that they also carry as object names.
    QLineEdit* Filename = nullptr;
    PortBox* CPort = nullptr;
    QPushButton* FBrowse = nullptr;
    QLabel* Status = nullptr;
    ProgressLine* StatusProgress = nullptr;
    QMenu* mnuFile = nullptr;
    QAction* mnuSaveChip = nullptr;
    QAction* mnuSkipEmpty = nullptr;
    QAction* mnuProgramOnChange = nullptr;
    QAction* mnuFindProgrammer = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuProgram = nullptr;
    QAction* mnuVerify = nullptr;
    QAction* mnuErase = nullptr;
    QAction* mnuAbout = nullptr;
};
