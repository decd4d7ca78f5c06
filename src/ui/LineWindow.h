#pragma once

#include "production/LineEvents.h"
#include "production/ProductionJob.h"
#include "ui/LineCounts.h"
#include "ui/LineThread.h"
#include "ui/QueuedEvents.h"
#include "ui/SocketTile.h"

#include <QList>
#include <QWidget>
#include <memory>
#include <optional>

class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QThread;
class QToolButton;

// The production line: a locked job whose checksum the operator confirms,
// one tile a socket, the counts and a log. The station runs on the engine's
// threads; their events reach the tiles queued on this window's thread.
class LineWindow : public QWidget, private LineEvents {
    Q_OBJECT

public:
    static const QString kTitle;
    // What a desktop shortcut gives; empty fields come from the settings.
    struct Preset {
        QString job;
        QString ports;
        QString record;
    };
    static constexpr int kLogLength = 200;

    explicit LineWindow(const Preset& preset = {}, QWidget* parent = nullptr);
    ~LineWindow() override;

    void OpenJob(const QString& path);
    bool Running() const { return line_ != nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* BuildJobBox();
    QWidget* BuildStationBox();
    QWidget* BuildButtons();
    QToolButton* BuildPortMenu();
    void Preload(QLineEdit& field, const QString& given, bool locked, const QString& stored);
    void JobOpened(const std::variant<ProductionJob, QString>& opened);
    void UpdateControls();
    void Start(LineThread::Mode mode);
    QString RecordAddress() const;
    void MakeTiles(const QStringList& ports);
    // Once the run's thread is over: nothing is waited for.
    void RunEnded();
    void ShowTile(const QString& port, const std::function<void(SocketTile::View&)>& change);
    void Log(const QString& port, const ChipResult& result);
    void Tell(const LineEvent::Any& event) override;

    void RunStarted(const LineEvent::RunStarted& run);
    void ChipStarted(const LineEvent::ChipStarted& chip);
    void RecordChecked(const RecordChain::State& chain);
    void ChipIdentified(const QString& port, const ChipIdentity& chip);
    void PassProgress(const QString& port, const Progress& progress);
    void Notice(const QString& port, const LineNotice& notice);
    void SocketChanged(const QString& port, SocketState state);
    void ChipFinished(const QString& port, int round, const ChipResult& result);

    QueuedEvents queued_{*this, *this};
    std::unique_ptr<LineThread> line_;
    std::optional<ProductionJob> job_;
    QThread* jobReader_ = nullptr;
    QString recordAddress_;  // as typed, with a password the field does not show
    LineCounts counts_;
    bool closeWhenStopped_ = false;
    QList<SocketTile*> tiles_;  // in the order of the ports

    QLineEdit* jobPath_ = nullptr;
    QLabel* jobFacts_ = nullptr;
    QLineEdit* checksum_ = nullptr;
    QLineEdit* ports_ = nullptr;
    QLineEdit* record_ = nullptr;
    QLineEdit* lot_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* auto_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* problem_ = nullptr;
    QLabel* countsText_ = nullptr;
    QGridLayout* tileGrid_ = nullptr;
    QListWidget* log_ = nullptr;
};
