#include "ui/LineWindow.h"

#include "image/HexText.h"
#include "link/PortList.h"
#include "ops/AppSettings.h"
#include "ops/ChipIdentity.h"
#include "production/ProductionRecord.h"
#include "ui/LineSettings.h"
#include "ui/LineWords.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

const QString LineWindow::kTitle = QStringLiteral("Korvex Production Line");

namespace {

QLineEdit* NamedField(const QString& name)
{
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setAccessibleName(name);
    return field;
}

// text may mark its Alt key with "&"; the name is the text without it.
QPushButton* NamedButton(const QString& text)
{
    auto* button = new QPushButton(text);
    button->setObjectName(QString(text).remove(QLatin1Char('&')));
    return button;
}

// The family's members whose memories hold the file, by their IDs.
QString DevicesFor(const MemoryImage& image)
{
    QStringList ids;
    for (const ChipGeometry::FamilyMember& member : ChipGeometry::kFamily)
        if (!ChipIdentity(member.idWord).Misfit(image))
            ids << QStringLiteral("ID %1").arg(HexText::Word(member.idWord));
    return ids.join(QStringLiteral(", "));
}

QStringList PortsIn(const QString& text)
{
    QStringList ports;
    for (const QString& port : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        ports << port.trimmed();
    ports.removeAll(QString());
    return ports;
}

}  // namespace

LineWindow::LineWindow(const Preset& preset, QWidget* parent) : QWidget(parent)
{
    setWindowTitle(kTitle);
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(BuildJobBox(), 1);
    top->addWidget(BuildStationBox(), 1);
    layout->addLayout(top);
    layout->addWidget(BuildButtons());
    problem_ = new QLabel;
    problem_->setObjectName(QStringLiteral("Problem"));
    problem_->setStyleSheet(QStringLiteral("color: #c62828;"));
    problem_->setWordWrap(true);
    layout->addWidget(problem_);
    tileGrid_ = new QGridLayout;
    layout->addLayout(tileGrid_, 1);
    auto* bottom = new QHBoxLayout;
    countsText_ = new QLabel(counts_.Text());
    countsText_->setObjectName(QStringLiteral("Counts"));
    auto* reset = NamedButton(QStringLiteral("Reset Counts"));
    connect(reset, &QPushButton::clicked, this, [this] {
        counts_.Reset();
        countsText_->setText(counts_.Text());
    });
    bottom->addWidget(countsText_, 1);
    bottom->addWidget(reset, 0, Qt::AlignTop);
    layout->addLayout(bottom);
    log_ = new QListWidget;
    log_->setObjectName(QStringLiteral("Log"));
    log_->setMaximumHeight(120);
    layout->addWidget(log_);
    const LineSettings::Value job = LineSettings::Job(), ports = LineSettings::Ports(), record = LineSettings::Record();
    Preload(*jobPath_, preset.job, job.locked, job.text);
    Preload(*ports_, preset.ports, ports.locked, ports.text);
    Preload(*record_, preset.record, record.locked, record.text);
    recordAddress_ = record_->text();
    MakeTiles(PortsIn(ports_->text()));
    if (!jobPath_->text().isEmpty())
        OpenJob(jobPath_->text());
    UpdateControls();
}

LineWindow::~LineWindow()
{
    line_.reset();
    if (jobReader_)
        jobReader_->wait();
}

QWidget* LineWindow::BuildJobBox()
{
    auto* box = new QGroupBox(QStringLiteral("Job"));
    auto* form = new QFormLayout(box);
    jobPath_ = NamedField(QStringLiteral("Job"));
    auto* browse = NamedButton(QStringLiteral("Open Job..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, QStringLiteral("Open Job"), QString(), QStringLiteral("Production jobs (*.kjob)"));
        if (!path.isEmpty())
            OpenJob(path);
    });
    connect(jobPath_, &QLineEdit::editingFinished, this, [this] {
        if (jobPath_->isModified())
            OpenJob(jobPath_->text());
    });
    auto* row = new QHBoxLayout;
    row->addWidget(jobPath_, 1);
    row->addWidget(browse);
    form->addRow(QStringLiteral("File"), row);
    jobFacts_ = new QLabel(QStringLiteral("No job"));
    jobFacts_->setObjectName(QStringLiteral("JobFacts"));
    jobFacts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(jobFacts_);
    checksum_ = NamedField(QStringLiteral("Checksum"));
    checksum_->setPlaceholderText(QStringLiteral("from the release sheet"));
    connect(checksum_, &QLineEdit::textChanged, this, &LineWindow::UpdateControls);
    form->addRow(QStringLiteral("Checksum"), checksum_);
    return box;
}

QWidget* LineWindow::BuildStationBox()
{
    auto* box = new QGroupBox(QStringLiteral("Station"));
    auto* form = new QFormLayout(box);
    ports_ = NamedField(QStringLiteral("Ports"));
    ports_->setPlaceholderText(QStringLiteral("ttyUSB0,ttyUSB1 or COM3,COM4"));
    connect(ports_, &QLineEdit::editingFinished, this, [this] {
        if (!line_)
            MakeTiles(PortsIn(ports_->text()));
    });
    connect(ports_, &QLineEdit::textChanged, this, &LineWindow::UpdateControls);
    auto* row = new QHBoxLayout;
    row->addWidget(ports_, 1);
    row->addWidget(BuildPortMenu());
    form->addRow(QStringLiteral("Ports"), row);
    record_ = NamedField(QStringLiteral("Record"));
    record_->setPlaceholderText(QStringLiteral("line.db or postgresql://user@host/db"));
    connect(record_, &QLineEdit::editingFinished, this, [this] {
        recordAddress_ = record_->text();
        record_->setText(ProductionRecord::Shown(recordAddress_));
    });
    form->addRow(QStringLiteral("Record"), record_);
    lot_ = NamedField(QStringLiteral("Lot"));
    connect(lot_, &QLineEdit::textChanged, this, [this](const QString& lot) {
        if (line_)
            line_->SetLot(lot.trimmed());
    });
    form->addRow(QStringLiteral("Lot"), lot_);
    return box;
}

QToolButton* LineWindow::BuildPortMenu()
{
    auto* button = new QToolButton;
    button->setText(QStringLiteral("Add"));
    button->setObjectName(QStringLiteral("AddPort"));
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    button->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        for (const PortList::Entry& entry : PortList::Present()) {
            const QString usb = entry.UsbIds().isEmpty() ? QString() : QStringLiteral(" [%1]").arg(entry.UsbIds());
            QAction* add = menu->addAction(QStringLiteral("%1  %2%3").arg(entry.name, entry.description, usb));
            add->setEnabled(!ports_->isReadOnly() && !line_);
            connect(add, &QAction::triggered, this, [this, name = entry.name] {
                QStringList ports = PortsIn(ports_->text());
                if (!ports.contains(name))
                    ports << name;
                ports_->setText(ports.join(QLatin1Char(',')));
                MakeTiles(ports);
            });
        }
    });
    return button;
}

QWidget* LineWindow::BuildButtons()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    start_ = NamedButton(QStringLiteral("&Start"));
    auto_ = NamedButton(QStringLiteral("&Auto"));
    stop_ = NamedButton(QStringLiteral("S&top"));
    start_->setToolTip(QStringLiteral("One round on every port (Enter or Space)"));
    auto_->setToolTip(QStringLiteral("Each socket starts when a chip is seated"));
    connect(start_, &QPushButton::clicked, this, [this] { Start(LineThread::Mode::OneRound); });
    connect(auto_, &QPushButton::clicked, this, [this] { Start(LineThread::Mode::Auto); });
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (line_)
            line_->Stop();
    });
    for (QPushButton* button : {start_, auto_, stop_}) {
        button->setMinimumHeight(40);
        layout->addWidget(button);
    }
    return row;
}

void LineWindow::Preload(QLineEdit& field, const QString& given, bool locked, const QString& stored)
{
    field.setText(locked || given.isEmpty() ? stored : given);
    field.setReadOnly(locked);
    if (locked)
        field.setToolTip(QStringLiteral("Set for this station by its administrator"));
}

void LineWindow::OpenJob(const QString& path)
{
    if (jobReader_ || path.isEmpty() || (jobPath_->isReadOnly() && path != jobPath_->text()))
        return;
    jobPath_->setText(path);
    job_.reset();
    jobFacts_->setText(QStringLiteral("Reading the job..."));
    UpdateControls();
    // The job's file and its HEX text's hash are read away from this thread.
    auto opened = std::make_shared<std::variant<ProductionJob, QString>>(QString());
    jobReader_ = QThread::create([path, opened] { *opened = ProductionJob::Open(path); });
    connect(jobReader_, &QThread::finished, this, [this, opened] {
        jobReader_->deleteLater();
        jobReader_ = nullptr;
        JobOpened(*opened);
    });
    jobReader_->start();
}

void LineWindow::JobOpened(const std::variant<ProductionJob, QString>& opened)
{
    if (const auto* reason = std::get_if<QString>(&opened)) {
        jobFacts_->setText(QStringLiteral("Refused: %1").arg(*reason));
        UpdateControls();
        return;
    }
    job_ = std::get<ProductionJob>(opened);
    const ProductionJob::Settings& settings = job_->settings;
    QStringList facts{QStringLiteral("Name: %1").arg(settings.name), QStringLiteral("HEX file: %1").arg(settings.hexName),
                      QStringLiteral("SHA-256: %1").arg(job_->hexSha256.left(12)),
                      QStringLiteral("Fuse: %1")
                          .arg(settings.fuse ? HexText::Word(*settings.fuse) : QStringLiteral("the file's"))};
    facts << QStringLiteral("Devices: %1").arg(DevicesFor(job_->image));
    facts << (!settings.serialFile.isEmpty() ? QStringLiteral("Serial numbers: the lines of %1").arg(settings.serialFile)
              : settings.serial.isEmpty()    ? QStringLiteral("Serial numbers: none")
                                          : QStringLiteral("Serial numbers: %1 at %2").arg(settings.serial, settings.serialAt));
    jobFacts_->setText(facts.join(QLatin1Char('\n')));
    UpdateControls();
}

void LineWindow::UpdateControls()
{
    const bool confirmed = job_ && checksum_->text().trimmed().compare(HexText::Word(job_->checksum), Qt::CaseInsensitive) == 0;
    const bool ready = !line_ && confirmed && !PortsIn(ports_->text()).isEmpty();
    start_->setEnabled(ready);
    auto_->setEnabled(ready);
    stop_->setEnabled(line_ != nullptr);
    for (QLineEdit* field : {jobPath_, checksum_, ports_, record_})
        field->setEnabled(!line_);
}

QString LineWindow::RecordAddress() const
{
    return record_->text() == ProductionRecord::Shown(recordAddress_) ? recordAddress_ : record_->text();
}

void LineWindow::Start(LineThread::Mode mode)
{
    if (!start_->isEnabled())
        return;
    const QStringList ports = PortsIn(ports_->text());
    LinePlan request;
    request.command = ChipCommand::Program;
    request.jobPath = jobPath_->text();
    request.expectChecksum = checksum_->text().trimmed();
    request.recordAddress = RecordAddress().trimmed();
    request.pingReads = AppSettings::PingReads();
    request.checkChain = true;
    if (!jobPath_->isReadOnly() || !ports_->isReadOnly() || !record_->isReadOnly())
        LineSettings::Remember(request.jobPath, ports_->text(), request.recordAddress);
    MakeTiles(ports);
    problem_->clear();
    line_ =
        std::make_unique<LineThread>(request, ports, mode, lot_->text().trimmed(), queued_, [this](const SetupRefusal& refusal) {
            QMetaObject::invokeMethod(
                this, [this, refusal] { problem_->setText(LineWords::Refusal(refusal)); }, Qt::QueuedConnection);
        });
    connect(&line_->Thread(), &QThread::finished, this, &LineWindow::RunEnded, Qt::QueuedConnection);
    UpdateControls();
}

void LineWindow::MakeTiles(const QStringList& ports)
{
    QStringList shown;
    for (const SocketTile* tile : tiles_)
        shown << tile->accessibleName();
    // The same ports keep their tiles, and with them their counts.
    if (ports == shown)
        return;
    qDeleteAll(tiles_);
    tiles_.clear();
    const int columns = std::max(1, std::min(4, int(std::ceil(std::sqrt(double(ports.size()))))));
    for (int i = 0; i < ports.size(); ++i) {
        tiles_ << new SocketTile(ports[i]);
        tileGrid_->addWidget(tiles_.back(), i / columns, i % columns);
    }
}

void LineWindow::RunEnded()
{
    line_.reset();
    UpdateControls();
    if (closeWhenStopped_)
        close();
}

void LineWindow::ShowTile(const QString& port, const std::function<void(SocketTile::View&)>& change)
{
    for (SocketTile* tile : tiles_) {
        if (tile->accessibleName() == port) {
            SocketTile::View view = tile->Shown();
            change(view);
            tile->Show(view);
        }
    }
}

void LineWindow::Log(const QString& port, const ChipResult& result)
{
    const QString serial = result.serial       ? QString::number(*result.serial)
                           : result.serialLine ? QStringLiteral("line %1").arg(*result.serialLine)
                                               : QStringLiteral("-");
    const QString lot = result.lot.isEmpty() ? QStringLiteral("-") : result.lot;
    log_->insertItem(0,
                     QStringLiteral("%1  %2  %3  %4  %5")
                         .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), port, serial, lot, result.RecordWord()));
    while (log_->count() > kLogLength)
        delete log_->takeItem(log_->count() - 1);
}

void LineWindow::Tell(const LineEvent::Any& event)
{
    std::visit(Overloaded{
                   [this](const LineEvent::RunStarted& e) { RunStarted(e); },
                   [this](const LineEvent::ChipStarted& e) { ChipStarted(e); },
                   [this](const LineEvent::RecordChecked& e) { RecordChecked(e.chain); },
                   [this](const LineEvent::ChipIdentified& e) { ChipIdentified(e.port, e.chip); },
                   [this](const LineEvent::PassProgressed& e) { PassProgress(e.port, e.progress); },
                   [this](const LineEvent::NoticeGiven& e) { Notice(e.port, e.notice); },
                   [this](const LineEvent::SocketChanged& e) { SocketChanged(e.port, e.state); },
                   [this](const LineEvent::ChipFinished& e) { ChipFinished(e.port, e.chipNumber, e.result); },
                   [](const auto&) {},  // the tiles show a chip by its passes, not its status texts
               },
               event);
}

void LineWindow::RunStarted(const LineEvent::RunStarted&)
{
    for (SocketTile* tile : tiles_) {
        SocketTile::View view = tile->Shown();
        view.state = SocketTile::State::Ready;
        view.reason.clear();
        tile->Show(view);
    }
}

void LineWindow::RecordChecked(const RecordChain::State& chain)
{
    log_->insertItem(0, QStringLiteral("%1  %2").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")),
                                                     LineWords::Chain(chain)));
    if (chain.broken)
        problem_->setText(LineWords::Chain(chain));
}

void LineWindow::ChipStarted(const LineEvent::ChipStarted& chip)
{
    ShowTile(chip.port, [&chip](SocketTile::View& view) {
        view.state = SocketTile::State::Programming;
        view.percent = 0;
        view.serial = chip.serial       ? QStringLiteral("#%1").arg(*chip.serial)
                      : chip.serialLine ? QStringLiteral("line %1").arg(*chip.serialLine)
                                        : QString();
        view.time.clear();
        view.reason.clear();
    });
}

void LineWindow::ChipIdentified(const QString& port, const ChipIdentity& chip)
{
    ShowTile(port, [&chip](SocketTile::View& view) {
        view.chip = chip.Answered() ? QStringLiteral("ID %1").arg(HexText::Word(chip.idWord)) : QString();
        // The companion firmware's blocks, or the letters.
        if (chip.fastPath)
            view.chip += QStringLiteral(" \u00B7 blocks");
    });
}

void LineWindow::PassProgress(const QString& port, const Progress& progress)
{
    const bool verifying = progress.pass == Pass::VerifyProgram || progress.pass == Pass::VerifyEeprom;
    const int percent = progress.size > 0 ? 100 * progress.location / progress.size : 0;
    ShowTile(port, [verifying, percent](SocketTile::View& view) {
        view.state = verifying ? SocketTile::State::Verifying : SocketTile::State::Programming;
        view.percent = percent;
    });
}

void LineWindow::Notice(const QString&, const LineNotice& notice)
{
    const QString text = LineWords::Notice(notice);
    if (!text.isEmpty())
        problem_->setText(text);
}

void LineWindow::SocketChanged(const QString& port, SocketState state)
{
    ShowTile(port, [state](SocketTile::View& view) {
        if (state == SocketState::NoProgrammer)
            view.state = SocketTile::State::NoProgrammer;
        else if (state == SocketState::WaitingForChip)
            view.state = SocketTile::State::Ready;
    });
}

void LineWindow::ChipFinished(const QString& port, int, const ChipResult& result)
{
    using State = SocketTile::State;
    const Tally::Count counted = result.Counted();
    State state = counted == Tally::Count::Passed ? State::Pass : counted == Tally::Count::Empty ? State::Empty : State::Fail;
    const ProgrammerGone gone = ChipVerdicts::Row(result.verdict).programmerGone;
    if (gone == ProgrammerGone::StoppedAnswering)
        state = State::LinkLost;
    else if (gone == ProgrammerGone::NeverAnswered)
        state = State::NoProgrammer;
    else if (counted == Tally::Count::Unfinished)
        state = State::Ready;
    ShowTile(port, [&](SocketTile::View& view) {
        view.state = state;
        view.time = state == State::Empty ? QString() : QStringLiteral("%1 s").arg(result.seconds, 0, 'f', 1);
        view.reason = state == State::Pass ? QString() : LineWords::Reason(result);
        view.counts.Add(counted);
    });
    counts_.Add(counted);
    countsText_->setText(counts_.Text());
    Log(port, result);
    if (state == State::Fail && LineSettings::SoundOnFail())
        QApplication::beep();
}

void LineWindow::closeEvent(QCloseEvent* event)
{
    if (!line_) {
        event->accept();
        return;
    }
    event->ignore();
    if (closeWhenStopped_)
        return;
    const auto answer = QMessageBox::question(this, kTitle, QStringLiteral("Ports are still working. Stop them and close?"));
    if (answer != QMessageBox::Yes || !line_)
        return;
    closeWhenStopped_ = true;
    line_->Stop();
}

void LineWindow::keyPressEvent(QKeyEvent* event)
{
    // A scanner ends the lot with Enter: that starts nothing.
    const bool typing = qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
    if (!typing && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)) {
        Start(LineThread::Mode::OneRound);
        return;
    }
    QWidget::keyPressEvent(event);
}

void LineWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile() && urls.front().toLocalFile().endsWith(QLatin1String(".kjob")))
        event->acceptProposedAction();
}

void LineWindow::dropEvent(QDropEvent* event)
{
    OpenJob(event->mimeData()->urls().front().toLocalFile());
    event->acceptProposedAction();
}
