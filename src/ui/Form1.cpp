#include "ui/Form1.h"

#include "image/HexText.h"
#include "ops/AppSettings.h"
#include "ops/CommandAbandoned.h"
#include "ops/SharedWords.h"
#include "ui/FileChangeProgrammer.h"
#include "ui/FuseDialog.h"
#include "ui/LineWindow.h"
#include "ui/PortBox.h"
#include "ui/ProgressLine.h"
#include "ui/ScaledLayout.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <utility>

const QString Form1::kTitle = QStringLiteral("Korvex Program Copier");

Form1::Form1() : finder_([this](const ProgrammerSearch::Found& found) { ShowFound(found); }), remote_(*this)
{
    setWindowTitle(kTitle);
    setAcceptDrops(true);
    BuildControls();
    BuildMenus();
    // Form_Load: the stored port, "1" on a first start; CPort_Change: every edit is stored at once.
    CPort->setText(AppSettings::Port());
    connect(CPort, &QComboBox::editTextChanged, this, [](const QString& text) { AppSettings::SetPort(text); });
}

void Form1::BuildControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);
    const ScaledLayout layout(*client);

    auto* label1 = new QLabel(QStringLiteral("Hex File:"), client);
    Filename = new QLineEdit(client);
    FBrowse = new QPushButton(QStringLiteral("..."), client);
    auto* label2 = new QLabel(QStringLiteral("COM"), client);
    CPort = new PortBox(client);
    Status = new QLabel(client);
    StatusProgress = new ProgressLine(client);
    label1->setObjectName(QStringLiteral("Label1"));
    label2->setObjectName(QStringLiteral("Label2"));
    Filename->setObjectName(QStringLiteral("Filename"));
    FBrowse->setObjectName(QStringLiteral("FBrowse"));
    CPort->setObjectName(QStringLiteral("CPort"));
    Status->setObjectName(QStringLiteral("Status"));
    StatusProgress->setObjectName(QStringLiteral("StatusProgress"));
    Status->setIndent(4);

    layout.Place(label1, 16, 24, 49, 17);
    layout.Place(Filename, 72, 24, 201, 19);
    layout.Place(FBrowse, 280, 24, 25, 17);
    layout.Place(label2, 16, 56, 41, 17);
    // Wide enough for the usual device names: /dev/ttyUSB0, ttyACM0, COM12.
    layout.Place(CPort, 72, 56, 121, 21);
    layout.Place(Status, 0, 88, 313, 25);
    layout.Place(StatusProgress, 6, 113, 300, 18);
    setTabOrder(Filename, CPort);
    setTabOrder(CPort, FBrowse);
    client->setFixedSize(layout.Scaled(312), layout.Scaled(137));
    connect(FBrowse, &QPushButton::clicked, this, &Form1::FBrowse_Click);
}

void Form1::BuildMenus()
{
    QMenuBar* bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuSaveChip = mnuFile->addAction(QStringLiteral("Save Chip As..."));
    QAction* line = mnuFile->addAction(QStringLiteral("Production Line..."));
    line->setObjectName(QStringLiteral("mnuProductionLine"));
    connect(line, &QAction::triggered, this, [] {
        auto* window = new LineWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    });
    mnuProgramOnChange = mnuFile->addAction(QStringLiteral("Program on File Change"));
    mnuProgramOnChange->setObjectName(QStringLiteral("mnuProgramOnChange"));
    mnuProgramOnChange->setCheckable(true);
    connect(mnuProgramOnChange, &QAction::toggled, this, &Form1::SetWatching);
    mnuSkipEmpty = mnuFile->addAction(QStringLiteral("Skip Empty Blocks"));
    mnuSkipEmpty->setObjectName(QStringLiteral("mnuSkipEmpty"));
    mnuSkipEmpty->setCheckable(true);
    mnuSkipEmpty->setChecked(AppSettings::SkipEmpty());
    connect(mnuSkipEmpty, &QAction::toggled, this, &AppSettings::SetSkipEmpty);
    mnuFindProgrammer = mnuFile->addAction(QStringLiteral("Find Programmer"));
    mnuFindProgrammer->setObjectName(QStringLiteral("mnuFindProgrammer"));
    connect(mnuFindProgrammer, &QAction::triggered, this, &Form1::FindProgrammer);
    mnuFile->addSeparator();
    // The recent files go here, listed afresh whenever the menu opens.
    recentEnd_ = mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuSaveChip->setObjectName(QStringLiteral("mnuSaveChip"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuFile, &QMenu::aboutToShow, this, &Form1::ListRecentFiles);
    connect(mnuSaveChip, &QAction::triggered, this, &Form1::mnuSaveChip_Click);
    // Commands that act at once, straight from the menu bar.
    mnuProgram = bar->addAction(QStringLiteral("&Program!"));
    mnuVerify = bar->addAction(QStringLiteral("&Verify!"));
    mnuErase = bar->addAction(QStringLiteral("&Erase!"));
    mnuAbout = bar->addAction(QStringLiteral("&About!"));
    mnuProgram->setObjectName(QStringLiteral("mnuProgram"));
    mnuVerify->setObjectName(QStringLiteral("mnuVerify"));
    mnuErase->setObjectName(QStringLiteral("mnuErase"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuExit, &QAction::triggered, this, &Form1::close);
    for (const auto& [action, command] : {std::pair{mnuProgram, ChipCommand::Program}, std::pair{mnuVerify, ChipCommand::Verify},
                                          std::pair{mnuErase, ChipCommand::Erase}}) {
        connect(action, &QAction::triggered, this, [this, command = command] { RunCommand(command, Filename->text(), *this); });
    }
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

void Form1::RunCommand(ChipCommand command, const QString& file, OperatorInterface& answers, Then then)
{
    CommandRequest request;
    request.port = CPort->text();
    request.file = file;
    request.layout = AppSettings::HexEepromLayout();
    request.scope.skipEmpty = mnuSkipEmpty->isChecked();
    DisableControls();
    then_ = std::move(then);
    remote_.Resume(answers);
    worker_.Start(command, std::move(request), remote_, [this](const CommandWorker::Done& done) {
        QMetaObject::invokeMethod(
            this, [this, done] { CommandEnded(done); }, Qt::QueuedConnection);
    });
}

void Form1::CommandEnded(const CommandWorker::Done& done)
{
    EnableControls();
    const CommandResult& result = done.result;
    if (result.fileLoaded)
        AppSettings::AddRecentFile(QFileInfo(done.file).absoluteFilePath());
    if (result.chip)
        chipId_ = QStringLiteral("ID ") + HexText::Word(result.chip->idWord);
    if (result.checksum)
        checksum_ = QStringLiteral("Checksum ") + HexText::Word(*result.checksum);
    StatusProgress->SetNote(QStringList{chipId_, checksum_}.join(u' ').trimmed());
    // A close asked for during the command was held back until the port was closed.
    if (closeRequested_) {
        close();
        return;
    }
    if (const Then then = std::exchange(then_, {}))
        then(done);
}

Form1::~Form1()
{
    remote_.Stop();
}

void Form1::FindProgrammer()
{
    mnuFindProgrammer->setEnabled(false);
    finder_.Find();
}

void Form1::ShowFound(const ProgrammerSearch::Found& found)
{
    const QStringList& answered = found.answered;
    mnuFindProgrammer->setEnabled(true);
    const auto listed = [](const QStringList& ports) {
        return ports.isEmpty() ? QStringLiteral("none") : ports.join(QLatin1String(", "));
    };
    if (answered.size() == 1) {
        // As if typed: the COM box stores it.
        CPort->setEditText(answered[0]);
        return;
    }
    ShowMessage(answered.isEmpty()
                    ? QStringLiteral("No programmer answered on any port.\n\nPorts tried: %1").arg(listed(found.tried))
                    : QStringLiteral("Programmers answered on %1.\n\nType the one to use into the COM box.")
                          .arg(answered.join(QLatin1String(", "))));
}

void Form1::SetWatching(bool on)
{
    if (!on) {
        watcher_.reset();
        if (!busy_)
            SetChipCommandsEnabled(true);
        return;
    }
    if (watcher_ || closeRequested_)
        return;
    watcher_ = std::make_unique<FileChangeProgrammer>(*this, Filename->text());
    watcher_->Start();
}

void Form1::StopProgramOnFileChange()
{
    mnuProgramOnChange->setChecked(false);
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!busy_) {
        event->accept();
        return;
    }
    // Stop the command at its next safe point: an open dialog is closed, the
    // flow unwinds from it or from the next safe point, and the envelope
    // closes the port; CommandEnded then closes the window.
    closeRequested_ = true;
    remote_.Stop();
    if (openDialog_)
        openDialog_->reject();
    event->ignore();
}

void Form1::FBrowse_Click()
{
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Hex Files (*.hex)"));
    if (!Filename->text().isEmpty())
        dialog.selectFile(Filename->text());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        Filename->setText(dialog.selectedFiles().constFirst());
}

void Form1::ListRecentFiles()
{
    qDeleteAll(recentActions_);
    recentActions_.clear();
    QAction* before = recentEnd_;
    for (const QString& file : AppSettings::RecentFiles()) {
        auto* action = new QAction(QStringLiteral("%1 %2").arg(recentActions_.size() + 1).arg(file), mnuFile);
        action->setEnabled(QFileInfo(file).isFile());
        connect(action, &QAction::triggered, this, [this, file] { Filename->setText(file); });
        mnuFile->insertAction(before, action);
        recentActions_ << action;
    }
}

std::optional<QString> Form1::DroppedFile(const QMimeData& data) const
{
    // One local file, and only while the file box takes input.
    const QList<QUrl> urls = data.urls();
    if (!Filename->isEnabled() || urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    return QDir::toNativeSeparators(urls.front().toLocalFile());
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (DroppedFile(*event->mimeData()))
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event)
{
    if (const std::optional<QString> file = DroppedFile(*event->mimeData())) {
        Filename->setText(*file);
        event->acceptProposedAction();
    }
}

void Form1::mnuSaveChip_Click()
{
    QFileDialog dialog(this, QStringLiteral("Save Chip As"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Hex Files (*.hex)"));
    dialog.setDefaultSuffix(QStringLiteral("hex"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    RunCommand(ChipCommand::Read, dialog.selectedFiles().constFirst(), *this, [this](const CommandWorker::Done& done) {
        if (done.result.outcome != CommandOutcome::Completed)
            return;
        if (done.notSaved.isEmpty())
            SetStatus(QStringLiteral("Chip saved"));
        else
            ShowMessage(QStringLiteral("The chip could not be saved in %1: %2").arg(done.file, done.notSaved));
    });
}

void Form1::mnuAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void Form1::SetStatus(const QString& text)
{
    Status->setText(text);
    // Painted now, even where the flow does not yield.
    Status->repaint();
}

void Form1::ShowProgress(const Progress& progress)
{
    SetStatus(SharedWords::ProgressText(progress));
    StatusProgress->Show(progress);
}

void Form1::PassCompleted(Pass)
{
    StatusProgress->Complete();
}

void Form1::SafePoint()
{
    // The window's stand-in on the worker stops the command there; nothing waits here.
}

int Form1::RunDialog(QDialog& dialog)
{
    if (closeRequested_)
        return QDialog::Rejected;
    openDialog_ = &dialog;
    const int result = dialog.exec();
    openDialog_ = nullptr;
    return result;
}

void Form1::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, this);
    RunDialog(box);
}

bool Form1::AskYesNo(const QString& text, QMessageBox::StandardButton byDefault)
{
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(byDefault);
    const int answer = RunDialog(box);
    // A question cut short by closing the window is no answer: the command stops here.
    if (closeRequested_)
        throw CommandAbandoned();
    return answer == QMessageBox::Yes;
}

QString Form1::MismatchError(const Mismatch& mismatch)
{
    const QString at = HexText::Number(mismatch.address);
    switch (mismatch.memory) {
    case Memory::ProgramWord:
        return QStringLiteral("Verify error @") + at;
    case Memory::EepromByte:
        return QStringLiteral("EEPROM Verify error @") + at;
    case Memory::IdWord:
        return QStringLiteral("Configuration verify failure.");
    case Memory::ConfigurationWord:
        break;
    }
    return SharedWords::FuseVerifyFailure();
}

bool Form1::Mismatched(const Mismatch& mismatch)
{
    // The configuration word's is told, and the verify goes on.
    if (mismatch.memory == Memory::ConfigurationWord) {
        ShowMessage(MismatchError(mismatch));
        return true;
    }
    return AskYesNo(MismatchError(mismatch) + QStringLiteral(" Continue?"));
}

void Form1::HexFileNotice(const HexNotice& notice)
{
    // The layout is the window's setting to choose, not a message.
    if (notice.kind == HexNotice::Kind::EepromLayoutUsed)
        return;
    ShowMessage(SharedWords::NoticeText(notice, QStringLiteral("The file ") + Filename->text()));
}

void Form1::CommandFailed(const Failure& failure)
{
    ShowMessage(SharedWords::FailureText(failure, QStringLiteral("\n\n")));
}

bool Form1::GoOnDespite(const ChipDoubt& doubt)
{
    return AskYesNo(SharedWords::DoubtText(doubt) + QStringLiteral("\n\nGo on anyway?"), QMessageBox::No);
}

QString Form1::PromptFuse(int currentValue)
{
    FuseDialog dialog(currentValue, this);
    RunDialog(dialog);
    if (closeRequested_)
        throw CommandAbandoned();
    return dialog.Answer();
}

void Form1::SetChipCommandsEnabled(bool enabled)
{
    for (QAction* command : {mnuProgram, mnuVerify, mnuErase})
        command->setEnabled(enabled);
}

void Form1::SetControlsEnabled(bool enabled)
{
    mnuFile->setEnabled(enabled);
    mnuFile->menuAction()->setEnabled(enabled);
    mnuSaveChip->setEnabled(enabled);
    SetChipCommandsEnabled(enabled);
    mnuAbout->setEnabled(enabled);
    for (QWidget* control : std::initializer_list<QWidget*>{Filename, CPort, FBrowse})
        control->setEnabled(enabled);
}

void Form1::DisableControls()
{
    busy_ = true;
    StatusProgress->Reset();
    SetControlsEnabled(false);
}

void Form1::EnableControls()
{
    SetControlsEnabled(true);
    busy_ = false;
}
