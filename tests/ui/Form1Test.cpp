#include "ModalAnswerer.h"
#include "PortChecks.h"
#include "PtySimulator.h"
#include "ui/Form1.h"
#include "ui/PortBox.h"
#include "ui/ProgressLine.h"
#include "image/HexLoader.h"
#include "image/MemoryImage.h"
#include "ui/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QInputDialog>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QList<bool> ControlStates(const Form1& window)
{
    return {window.mnuFile->isEnabled(), window.mnuProgram->isEnabled(), window.mnuVerify->isEnabled(),
            window.mnuErase->isEnabled(),  window.mnuAbout->isEnabled(),   window.Filename->isEnabled(),
            window.CPort->isEnabled(),     window.FBrowse->isEnabled()};
}

// A check that records a failure without leaving the helper that makes it.
#define CHECK(condition) QTest::qVerify(bool(condition), #condition, "", __FILE__, __LINE__)

const QList<bool> kAllDisabled(8, false);
const QList<bool> kAllEnabled(8, true);
QString StoredPort()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KORVEXC")).value(QStringLiteral("Port/Com")).toString();
}

// Records the status text each time the status line is painted.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(QLabel* label) : label_(label) { label->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (texts.isEmpty() || texts.back() != label_->text()))
            texts << label_->text();
        return false;
    }
    QStringList texts;

private:
    QLabel* label_;
};

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_->path());
    }

    void firstStartShowsOneAndEveryKeystrokeIsStored()
    {
        {
            Form1 window;
            QCOMPARE(window.CPort->text(), QStringLiteral("1"));
            QCOMPARE(window.windowTitle(), QStringLiteral("Korvex Program Copier"));
            window.CPort->clearEditText();
            QStringList stored;
            for (const QChar c : QStringLiteral("ttyUSB0")) {
                QTest::keyClick(window.CPort, c.toLatin1());
                stored << StoredPort();
            }
            QCOMPARE(stored, (QStringList{"t", "tt", "tty", "ttyU", "ttyUS", "ttyUSB", "ttyUSB0"}));
        }
        Form1 restarted;
        QCOMPARE(restarted.CPort->text(), QStringLiteral("ttyUSB0"));
    }

    void thePortBoxListsThePortsPresentWheneverItOpens()
    {
        QList<PortList::Entry> present{{"ttyUSB0", "FT232R USB UART", "FTDI", 0x0403, 0x6001, "A50285BI"}};
        QWidget parent;
        PortBox box(&parent, [&present] { return present; });
        box.setText(QStringLiteral("7"));
        box.showPopup();
        QCOMPARE(box.itemText(0), QStringLiteral("ttyUSB0  FT232R USB UART, FTDI, 0403:6001"));
        box.hidePopup();
        present.append({"ttyS0", "", "", std::nullopt, std::nullopt, ""});
        box.showPopup();
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(1), QStringLiteral("ttyS0"));
        QCOMPARE(box.text(), QStringLiteral("7"));  // what was typed stays
        box.hidePopup();
        emit box.activated(0);
        QCOMPARE(box.text(), QStringLiteral("ttyUSB0"));
    }

    void browseKeepsTheTextOnCancelAndTakesTheFullPathOfAChoice()
    {
        Form1 window;
        window.Filename->setText(QStringLiteral("keep.hex"));
        const QString chosen = QDir(settings_->path()).filePath(QStringLiteral("chosen.hex"));
        QFile(chosen).open(QIODevice::WriteOnly);
        ModalAnswerer answerer;
        answerer.script = {ModalAnswerer::Cancel(), [&chosen](QWidget* dialog) {
                               auto* files = qobject_cast<QFileDialog*>(dialog);
                               QVERIFY(files->nameFilters().join(u';').contains(QStringLiteral("*.hex")));
                               files->selectFile(chosen);
                               static_cast<QDialog*>(files)->accept();
                           }};
        window.FBrowse->click();
        QCOMPARE(window.Filename->text(), QStringLiteral("keep.hex"));
        window.FBrowse->click();
        QCOMPARE(window.Filename->text(), chosen);
    }

    void eraseSendsItsSequenceAndShowsItsProgress()
    {
        PtySimulator simulator;
        QCOMPARE(simulator.Start(), QString());
        Form1 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.CPort->setText(simulator.Path());
        PaintedTexts painted(window.Status);
        window.mnuErase->trigger();
        QCOMPARE(window.Status->text(), QStringLiteral("Erase complete"));
        QVERIFY(painted.texts.contains(QStringLiteral("Erasing...")));
        QCOMPARE(ControlStates(window), kAllEnabled);
        QVERIFY(PortChecks::IsFree(simulator.Path()));
        QTRY_COMPARE(simulator.BytesSent(true), QByteArray("@AD\0\0B", 6));
        QCOMPARE(simulator.BytesSent(false), QByteArray("^A^D\0\0^B^", 9));
    }

    void controlsAreLockedWhileACommandRunsWhateverItsOutcome()
    {
        const auto lockedInsideFirstDialog = [](const QString& port, QAction* Form1::*command, const QString& file,
                                                    const QString& expectedDialog) {
            Form1 window;
            window.CPort->setText(port);
            window.Filename->setText(file);
            window.Status->setText(QStringLiteral("before"));
            ModalAnswerer answerer;
            QList<bool> inside;
            answerer.whileOpen = [&] { inside = ControlStates(window); };
            answerer.script = {ModalAnswerer::Cancel()};
            (window.*command)->trigger();
            CHECK(inside == kAllDisabled);
            CHECK(ControlStates(window) == kAllEnabled);
            CHECK(answerer.seen.join(u'\n').contains(expectedDialog));
            return window.Status->text();
        };

        // No programmer: one message, the status line untouched.
        SimulatorFaults never;
        never.neverAnswer = true;
        PtySimulator silent(never);
        QCOMPARE(silent.Start(), QString());
        QCOMPARE(lockedInsideFirstDialog(silent.Path(), &Form1::mnuVerify, QString(),
                                         QStringLiteral("Korvex with pgm firmware not detected")),
                 QStringLiteral("before"));
        QVERIFY(PortChecks::IsFree(silent.Path()));

        // A missing port, and text that is no port at all.
        QCOMPARE(lockedInsideFirstDialog(QStringLiteral("/dev/ttyKORVEXC-none"), &Form1::mnuErase, QString(),
                                         QStringLiteral("no such device")),
                 QStringLiteral("before"));

        // The programmer present: Program! stops at the fuse prompt, which is cancelled.
        PtySimulator present;
        QCOMPARE(present.Start(), QString());
        const QString hex = QStringLiteral(KORVEXC_FIXTURES "/gaps.hex");
        lockedInsideFirstDialog(present.Path(), &Form1::mnuProgram, hex, QStringLiteral("Fuse select|Adjust current fuse value if desired|3FB2"));
        QVERIFY(PortChecks::IsFree(present.Path()));
        QTRY_COMPARE(present.BytesSent(true), QByteArray("@"));
    }

    void controlsAreLockedDuringAYieldAndTheVerifyCompletes()
    {
        PtySimulator simulator;
        QCOMPARE(simulator.Start(), QString());
        Form1 window;
        window.CPort->setText(simulator.Path());
        window.Filename->setText(QStringLiteral(KORVEXC_FIXTURES "/gaps.hex"));
        QList<bool> duringYield;
        QTimer::singleShot(0, &window, [&] { duringYield = ControlStates(window); });
        ModalAnswerer answerer;
        answerer.script = {ModalAnswerer::Press(QMessageBox::No)};
        window.mnuVerify->trigger();
        QCOMPARE(duringYield, kAllDisabled);
        QCOMPARE(ControlStates(window), kAllEnabled);
        // The chip is blank: the first mismatch is asked about, and No ends the verify.
        QCOMPARE(answerer.seen, QStringList{"Verify error @0 Continue?"});
        QCOMPARE(window.Status->text(), QStringLiteral("Verify Complete"));
    }

    void closingDuringACommandStopsItSafelyAndThenCloses()
    {
        SimulatorFaults stuck;
        stuck.stuckBit = SimulatorFaults::StuckBit{0, 13, 0};
        for (const QString& moment : {QStringLiteral("yield"), QStringLiteral("question"), QStringLiteral("prompt")}) {
            PtySimulator simulator(stuck);
            QCOMPARE(simulator.Start(), QString());
            Form1 window;
            window.show();
            window.CPort->setText(simulator.Path());
            window.Filename->setText(QStringLiteral(KORVEXC_FIXTURES "/gaps.hex"));
            ModalAnswerer answerer;
            if (moment == QLatin1String("yield"))
                QTimer::singleShot(0, &window, [&] { window.close(); });
            else
                answerer.whileOpen = [&] { window.close(); };
            (moment == QLatin1String("prompt") ? window.mnuProgram : window.mnuVerify)->trigger();
            QVERIFY2(!window.isVisible(), qPrintable(moment));
            QCOMPARE(ControlStates(window), kAllEnabled);
            QVERIFY(PortChecks::IsFree(simulator.Path()));
            QVERIFY(!PortChecks::HasLockFile(simulator.Path()));
            QVERIFY(window.Status->text() != QStringLiteral("Verify Complete"));
            if (moment == QLatin1String("prompt"))
                QTRY_COMPARE(simulator.BytesSent(true), QByteArray("@"));
        }
    }

    void exitDuringACommandIsOutOfReachAndSafeAnyway()
    {
        PtySimulator simulator;
        QCOMPARE(simulator.Start(), QString());
        Form1 window;
        window.show();
        window.CPort->setText(simulator.Path());
        window.Filename->setText(QStringLiteral(KORVEXC_FIXTURES "/counter.hex"));
        bool fileMenuEnabled = true;
        QTimer::singleShot(0, &window, [&] {
            fileMenuEnabled = window.mnuFile->isEnabled() && window.mnuFile->menuAction()->isEnabled();
            window.mnuExit->trigger();
        });
        ModalAnswerer answerer;
        window.mnuVerify->trigger();
        QVERIFY(!fileMenuEnabled);
        // Exit reached all the same stops the command at a safe point, then closes.
        QVERIFY(!window.isVisible());
        QVERIFY(window.Status->text() != QStringLiteral("Verify Complete"));
        QVERIFY(PortChecks::IsFree(simulator.Path()));
    }

    void theBarFillsWithProgressAndTellsTheTimeLeft()
    {
        PtySimulator simulator;
        QCOMPARE(simulator.Start(), QString());
        Form1 window;
        window.CPort->setText(simulator.Path());
        window.Filename->setText(QStringLiteral(KORVEXC_FIXTURES "/counter.hex"));
        // At the first yield after the first progress point.
        QStringList firstYield;
        QString secondYield;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &window, [&] {
            if (firstYield.isEmpty() && window.Status->text() == QStringLiteral("Programming 0"))
                firstYield << QString::number(window.StatusProgress->Bar->value()) << window.StatusProgress->TimeLeft->text();
            if (secondYield.isEmpty() && window.Status->text() == QStringLiteral("Programming 20"))
                secondYield = window.StatusProgress->TimeLeft->text();
        });
        poll.start(0);
        ModalAnswerer answerer;
        window.mnuProgram->trigger();
        QCOMPARE(firstYield, (QStringList{"0", ""}));
        QCOMPARE(window.Status->text(), QStringLiteral("Done"));
        QVERIFY(!secondYield.isEmpty() && secondYield.endsWith(QStringLiteral(" s left")));
        // Ran through, the last pass (the EEPROM verify, 100 bytes) fills the bar.
        QCOMPARE(window.StatusProgress->Bar->value(), 0x100);
        QCOMPARE(window.StatusProgress->Bar->maximum(), 0x100);
    }

    void aDroppedFileGoesIntoTheFileBoxAndNothingElseIsTaken()
    {
        Form1 window;
        window.Filename->setText(QStringLiteral("keep.hex"));
        const auto drop = [&window](QMimeData& data) {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&window, &enter);
            QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&window, &dropped);
            return enter.isAccepted();
        };
        QMimeData text, web, file;
        text.setText(QStringLiteral("/tmp/a.hex"));
        web.setUrls({QUrl(QStringLiteral("https://example.org/a.hex"))});
        file.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/board.hex"))});
        QVERIFY(!drop(text));
        QVERIFY(!drop(web));
        QCOMPARE(window.Filename->text(), QStringLiteral("keep.hex"));
        QVERIFY(drop(file));
        QCOMPARE(window.Filename->text(), QStringLiteral("/tmp/board.hex"));
    }

    void recentFilesAreListedAfterARestartAndMissingOnesDisabled()
    {
        PtySimulator simulator;
        QCOMPARE(simulator.Start(), QString());
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            files << QDir(settings_->path()).filePath(QStringLiteral("f%1.hex").arg(i));
            QFile::copy(QStringLiteral(KORVEXC_FIXTURES "/gaps.hex"), files.back());
        }
        {
            Form1 window;
            window.CPort->setText(simulator.Path());
            ModalAnswerer answerer;
            answerer.script = {ModalAnswerer::Press(QMessageBox::No)};
            for (const QString& file : files + QStringList{files[2]}) {
                window.Filename->setText(file);
                answerer.script = {ModalAnswerer::Press(QMessageBox::No)};
                window.mnuVerify->trigger();
            }
        }
        QFile::remove(files[4]);
        Form1 restarted;
        emit restarted.mnuFile->aboutToShow();
        QStringList listed;
        QList<bool> enabled;
        for (QAction* action : restarted.mnuFile->actions()) {
            if (action->text().endsWith(QStringLiteral(".hex"))) {
                listed << action->text().section(u' ', 1);
                enabled << action->isEnabled();
            }
        }
        QCOMPARE(listed, (QStringList{files[2], files[5], files[4], files[3], files[1]}));
        QCOMPARE(enabled, (QList<bool>{true, true, false, true, true}));
        restarted.mnuFile->actions().at(3)->trigger();
        QCOMPARE(restarted.Filename->text(), files[5]);
    }

    void saveChipAsWritesTheWholeChipOrNothing()
    {
        for (const bool cutShort : {false, true}) {
            SimulatorFaults faults;
            faults.silentAfterBytes = cutShort ? 2000 : -1;
            PtySimulator simulator(faults);
            QCOMPARE(simulator.Start(), QString());
            QFile source(QStringLiteral(KORVEXC_FIXTURES "/counter.hex"));
            QVERIFY(source.open(QIODevice::ReadOnly));
            simulator.WithModel([&source](FirmwareModel& model) { model.LoadHex(source.readAll()); });
            Form1 window;
            window.CPort->setText(simulator.Path());
            const QString saved = QDir(settings_->path()).filePath(QStringLiteral("chip%1.hex").arg(cutShort));
            ModalAnswerer answerer;
            answerer.script = {[&saved](QWidget* dialog) {
                auto* files = qobject_cast<QFileDialog*>(dialog);
                files->selectFile(saved);
                static_cast<QDialog*>(files)->accept();
            }};
            window.mnuSaveChip->trigger();
            QCOMPARE(QFile::exists(saved), !cutShort);
            if (cutShort)
                continue;
            QCOMPARE(window.Status->text(), QStringLiteral("Chip saved"));
            MemoryImage image;
            QVERIFY(HexLoader::LoadHexFile(saved, image, [](const HexNotice&) {}));
            simulator.WithModel([&image](FirmwareModel& model) {
                for (int w = 0; w < 8192; ++w)
                    QCOMPARE(w <= image.ProgramTop / 2 ? image.ProgramWord(2 * w) : 0x3FFF, int(model.program[w]));
                for (int i = 0; i < 256; ++i)
                    QCOMPARE(i <= image.EepromTop ? image.EepromImage[i] : 0xFF, int(model.eeprom[i]));
                QCOMPARE(image.ConfigWord(14), int(model.config[7] | 0x10B0));
            });
        }
    }

    void theFusePromptReadsTheValueTypedAndWarns()
    {
        PtySimulator simulator;
        QCOMPARE(simulator.Start(), QString());
        Form1 window;
        window.CPort->setText(simulator.Path());
        window.Filename->setText(QStringLiteral(KORVEXC_FIXTURES "/gaps.hex"));
        QStringList readings;
        ModalAnswerer answerer;
        answerer.script = {[&readings](QWidget* dialog) {
            auto* prompt = qobject_cast<QInputDialog*>(dialog);
            const auto* reading = prompt->findChild<QLabel*>(QStringLiteral("FuseReading"));
            for (const QString& typed : {QStringLiteral("3FB2"), QStringLiteral("1FB2"), QStringLiteral("3F32"), QStringLiteral("x")}) {
                prompt->setTextValue(typed);
                readings << reading->text();
            }
            prompt->reject();
        }};
        window.mnuProgram->trigger();
        QCOMPARE(readings.size(), 4);
        QVERIFY(readings[0].contains(QStringLiteral("FOSC (bits 1-0): HS oscillator")));
        QVERIFY(!readings[0].contains(QStringLiteral("Warning")) && !readings[0].contains(QStringLiteral("Note")));
        QVERIFY(readings[1].contains(QStringLiteral("Warning: code protection on")));
        QVERIFY(readings[2].contains(QStringLiteral("Note: this programmer cannot clear LVP")));
        QVERIFY(readings[3].contains(QStringLiteral("not a hexadecimal number")));
    }

    void aboutBoxClosesByKeyAndSaysWhenThereIsNoSystemInfo()
    {
        frmAbout about;
        ModalAnswerer answerer;
        about.cmdSysInfo->click();
        QCOMPARE(answerer.seen, QStringList{"System Information Is Unavailable At This Time"});
        for (const int key : {Qt::Key_Escape, Qt::Key_Return}) {
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::keyClick(&about, Qt::Key(key));
            QVERIFY(!about.isVisible());
        }
    }

private:
    std::unique_ptr<QTemporaryDir> settings_;
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
