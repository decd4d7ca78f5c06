#include "ChipBench.h"
#include "FileBytes.h"
#include "ModalAnswerer.h"
#include "Named.h"
#include "PtySimulator.h"
#include "WindowTestBase.h"
#include "WrittenAsBuilt.h"
#include "ops/AppSettings.h"
#include "ui/Form1.h"
#include "ui/PortBox.h"
#include "ui/ProgressLine.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

const QString kGaps = QStringLiteral(KORVEXC_FIXTURES "/gaps.hex");
const QString kCounter = QStringLiteral(KORVEXC_FIXTURES "/counter.hex");
const QString kEepromFull = QStringLiteral(KORVEXC_FIXTURES "/eeprom-full.hex");

QList<bool> ControlStates(const Form1& window)
{
    return {Named<QMenu>(window, "mnuFile")->isEnabled(),     Named<QAction>(window, "mnuProgram")->isEnabled(),
            Named<QAction>(window, "mnuVerify")->isEnabled(), Named<QAction>(window, "mnuErase")->isEnabled(),
            Named<QAction>(window, "mnuAbout")->isEnabled(),  Named<QLineEdit>(window, "Filename")->isEnabled(),
            Named<PortBox>(window, "CPort")->isEnabled(),     Named<QPushButton>(window, "FBrowse")->isEnabled()};
}

// The ping, the device ID, and the probe that finds the programmer with the letters only.
const QByteArray kIdentify("@AD\0\0IIIIIIFIIF", 15);
const QList<bool> kAllDisabled(8, false);
const QList<bool> kAllEnabled(8, true);

// Chooses a chip command and waits for it to end: it runs on a worker, and
// the window's controls come back at its end.
[[nodiscard]] bool Choose(Form1& window, const char* command)
{
    Named<QAction>(window, command)->trigger();
    return QTest::qWaitFor([&window] { return Named<QAction>(window, "mnuAbout")->isEnabled(); }, 60000);
}

// A window pointed at a simulated programmer, and an operator who answers its dialogs.
struct Bench {
    explicit Bench(SimulatorFaults faults = {}, const QString& file = QString(), const QString& chip = QString(),
                   SimulatorTiming timing = {})
        : simulator(faults, timing)
    {
        simulator.Start();
        if (!chip.isEmpty())
            simulator.WithModel([&chip](FirmwareModel& model) { model.LoadHex(FileBytes(chip)); });
        Named<PortBox>(window, "CPort")->setText(simulator.Path());
        Named<QLineEdit>(window, "Filename")->setText(file);
    }
    PtySimulator simulator;
    Form1 window;
    ModalAnswerer answerer;
};

// Records the status text each time the status line is painted.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(QLabel* label) : label_(label) { label->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (texts.isEmpty() || texts.back() != label_->text())) {
            texts << label_->text();
            if (onNewText)
                onNewText();
        }
        return false;
    }
    QStringList texts;
    std::function<void()> onNewText;

private:
    QLabel* label_;
};

}  // namespace

class Form1Test : public WindowTestBase {
    Q_OBJECT

private slots:
    void eraseSendsItsSequenceAndPaintsItsStatus()
    {
        Bench bench;
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        PaintedTexts painted(Named<QLabel>(bench.window, "Status"));
        QVERIFY(Choose(bench.window, "mnuErase"));
        // Painted while the erase runs, although nothing yields.
        QVERIFY(painted.texts.contains(QStringLiteral("Erasing...")));
        QCOMPARE(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("Erase complete"));
        QTRY_COMPARE(bench.simulator.BytesSent(true), kIdentify + QByteArray("AD\0\0B", 5));
    }

    void controlsAreLockedWhileACommandRunsWhateverItsOutcome()
    {
        struct Case {
            SimulatorFaults faults;
            QString port;  // the simulator's when empty
            const char* command;
            QString dialog;
        };
        for (const Case& c : {Case{{.neverAnswer = true}, {}, "mnuVerify", "Korvex with pgm firmware not detected"},
                              Case{{}, "/dev/ttyKORVEXC-none", "mnuErase", "no such device"},
                              Case{{.noChip = true}, {}, "mnuErase", "No chip answers: its ID reads 3FFF."},
                              Case{{}, {}, "mnuProgram", "Fuse select|Adjust current fuse value if desired|3FB2"}}) {
            Bench bench(c.faults, kGaps);
            if (!c.port.isEmpty())
                Named<PortBox>(bench.window, "CPort")->setText(c.port);
            Named<QLabel>(bench.window, "Status")->setText(QStringLiteral("before"));
            QList<bool> inside;
            bench.answerer.whileOpen = [&] { inside = ControlStates(bench.window); };
            bench.answerer.script = {{c.dialog, ModalAnswerer::Cancel}};
            QVERIFY(Choose(bench.window, c.command));
            QCOMPARE(inside, kAllDisabled);
            QCOMPARE(ControlStates(bench.window), kAllEnabled);
            QVERIFY2(bench.answerer.seen.join(u'\n').contains(c.dialog), qPrintable(bench.answerer.seen.join(u'\n')));
            QCOMPARE(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("before"));
            QVERIFY(ChipBench::PortIsFree(bench.simulator.Path()));
            // No to an empty socket: nothing is sent after the chip's ID.
            if (c.faults.noChip)
                QTRY_COMPARE(bench.simulator.BytesSent(true), kIdentify);
            // A file goes into the recent files once the command got past loading it.
            QCOMPARE(AppSettings::RecentFiles().isEmpty(), QLatin1String(c.command) != QLatin1String("mnuProgram"));
        }
    }

    void eepromDataIsReadInTheAutomaticLayoutUnlessTheSettingsSayOtherwise()
    {
        for (const QByteArray& entry : {QByteArray(), QByteArray("EepromLayout=sideways\n"), QByteArray("EepromLayout=byte\n")}) {
            QVERIFY(WriteFile(QDir(settings_->path()).filePath(QStringLiteral("KORVEXC.ini")), "[Hex]\n" + entry));
            Bench bench({}, kEepromFull, kEepromFull);
            QVERIFY(Choose(bench.window, "mnuVerify"));
            // Read one byte per address, the file's EEPROM words reach beyond the EEPROM.
            const QString seen = bench.answerer.seen.join(u'|');
            QVERIFY2(seen.contains(QStringLiteral("Bad Address")) == entry.contains("byte"), qPrintable(entry + seen));
        }
    }

    void closingDuringACommandStopsItSafelyAndThenCloses()
    {
        const SimulatorFaults stuck{.stuckBit = SimulatorFaults::StuckBit{0, 13, 0}};
        for (const QString& moment : {QStringLiteral("yield"), QStringLiteral("question"), QStringLiteral("prompt")}) {
            Bench bench(stuck, kGaps);
            bench.window.show();
            if (moment == QLatin1String("yield"))
                QTimer::singleShot(0, &bench.window, [&] { bench.window.close(); });
            else
                bench.answerer.whileOpen = [&] { bench.window.close(); };
            QVERIFY(Choose(bench.window, moment == QLatin1String("prompt") ? "mnuProgram" : "mnuVerify"));
            QVERIFY2(!bench.window.isVisible(), qPrintable(moment));
            QCOMPARE(ControlStates(bench.window), kAllEnabled);
            QVERIFY(ChipBench::PortIsFree(bench.simulator.Path()));
            QVERIFY(Named<QLabel>(bench.window, "Status")->text() != QStringLiteral("Verify Complete"));
            if (moment == QLatin1String("prompt"))
                QTRY_COMPARE(bench.simulator.BytesSent(true), kIdentify);
        }
    }

    void theWindowKeepsAnsweringWhileACommandWaitsOnThePort()
    {
        const SimulatorFaults never{.neverAnswer = true};
        const SimulatorTiming paced{{}, true};
        // Program! through the ping, the erase and every pass on a programmer paced as the wire is; then three pings unanswered.
        for (const SimulatorFaults& faults : {SimulatorFaults{}, never}) {
            Bench bench(faults, kCounter, QString(), paced);
            QElapsedTimer sinceTick;
            qint64 longestGap = 0;
            QTimer tick;
            connect(&tick, &QTimer::timeout, &bench.window, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
            sinceTick.start();
            tick.start(100);
            QVERIFY(Choose(bench.window, "mnuProgram"));
            tick.stop();
            QCOMPARE(Named<QLabel>(bench.window, "Status")->text(), faults.neverAnswer ? QString() : QStringLiteral("Done"));
            QVERIFY2(longestGap <= 250, qPrintable(QStringLiteral("%1 ms without an event").arg(longestGap)));
        }
    }

    void theBarFillsWithProgressAndTellsTheTimeLeft()
    {
        Bench bench({}, kCounter);
        // At each of the first two progress points.
        QStringList seen;
        const auto look = [&](const QString& at, int already) {
            if (Named<QLabel>(bench.window, "Status")->text() == at && seen.size() == already)
                seen << QString::number(Named<QProgressBar>(bench.window, "Bar")->value())
                     << Named<QLabel>(bench.window, "TimeLeft")->text();
        };
        // The first point's text is painted before the bar is set, which leaves it where it was: at 0.
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        PaintedTexts painted(Named<QLabel>(bench.window, "Status"));
        painted.onNewText = [&] { look(QStringLiteral("Programming 0"), 0); };
        connect(Named<QProgressBar>(bench.window, "Bar"), &QProgressBar::valueChanged, &bench.window,
                [&] { look(QStringLiteral("Programming 20"), 2); });
        QVERIFY(Choose(bench.window, "mnuProgram"));
        QCOMPARE(seen.mid(0, 3), (QStringList{"0", "", "32"}));
        QVERIFY(seen.value(3).endsWith(QStringLiteral(" s left")));
        QCOMPARE(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("Done"));
        // Ran through, the last pass (the EEPROM verify, 100 bytes) fills the bar.
        QCOMPARE(Named<QProgressBar>(bench.window, "Bar")->value(), 0x100);
        QCOMPARE(Named<QProgressBar>(bench.window, "Bar")->maximum(), 0x100);
        QCOMPARE(Named<QLabel>(bench.window, "Note")->text(), QStringLiteral("ID 0E20 Checksum 8D6A"));
    }

    void recentFilesAreListedAfterARestartAndMissingOnesDisabled()
    {
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            files << QDir(settings_->path()).filePath(QStringLiteral("f%1.hex").arg(i));
            QFile::copy(kGaps, files.back());
        }
        {
            Bench bench;
            for (const QString& file : files + QStringList{files[2]}) {
                Named<QLineEdit>(bench.window, "Filename")->setText(file);
                bench.answerer.script = {{"Verify error @0 Continue?", ModalAnswerer::PressNo}};
                QVERIFY(Choose(bench.window, "mnuVerify"));
            }
        }
        QFile::remove(files[4]);
        Form1 restarted;
        emit Named<QMenu>(restarted, "mnuFile")->aboutToShow();
        QStringList listed;
        QList<bool> enabled;
        for (QAction* action : Named<QMenu>(restarted, "mnuFile")->actions()) {
            if (action->text().endsWith(QStringLiteral(".hex"))) {
                listed << action->text().section(u' ', 1);
                enabled << action->isEnabled();
            }
        }
        QCOMPARE(listed, (QStringList{files[2], files[5], files[4], files[3], files[1]}));
        QCOMPARE(enabled, (QList<bool>{true, true, false, true, true}));
        for (QAction* action : Named<QMenu>(restarted, "mnuFile")->actions()) {
            if (action->text().endsWith(files[5]))
                action->trigger();
        }
        QCOMPARE(Named<QLineEdit>(restarted, "Filename")->text(), files[5]);
    }

    void saveChipAsWritesTheWholeChipOrNothing()
    {
        for (const bool cutShort : {false, true}) {
            Bench bench({.silentAfterBytes = cutShort ? 2000 : -1}, QString(), kCounter);
            const QString saved = QDir(settings_->path()).filePath(QStringLiteral("chip%1.hex").arg(cutShort));
            bench.answerer.script = {{"Save Chip As", ModalAnswerer::ChooseFile(saved)}};
            QVERIFY(Choose(bench.window, "mnuSaveChip"));
            QCOMPARE(QFile::exists(saved), !cutShort);
            if (cutShort)
                continue;
            QCOMPARE(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("Chip saved"));
            // Loaded into a second chip, the file makes the same chip.
            FirmwareModel copy;
            QVERIFY(copy.LoadHex(FileBytes(saved)));
            bench.simulator.WithModel(
                [&copy](FirmwareModel& model) { QVERIFY(copy.program == model.program && copy.eeprom == model.eeprom); });
        }
    }

    void theFusePromptReadsTheValueTypedAndWarns()
    {
        Bench bench({}, kGaps);
        QStringList readings;
        QList<QSize> sizes;
        bool buttonsUnderReading = false;
        bench.answerer.script = {{"Fuse select", [&readings, &sizes, &buttonsUnderReading](QWidget* dialog) {
                                      const auto* reading = dialog->findChild<QLabel*>(QStringLiteral("FuseReading"));
                                      auto* value = dialog->findChild<QLineEdit*>(QStringLiteral("FuseValue"));
                                      sizes << dialog->size();
                                      buttonsUnderReading =
                                          dialog->findChild<QDialogButtonBox*>()->geometry().top() > reading->geometry().bottom();
                                      for (const QString& typed : {QStringLiteral("3FB2"), QStringLiteral("1FB2"),
                                                                   QStringLiteral("3F32"), QStringLiteral("x")}) {
                                          value->selectAll();
                                          QTest::keyClicks(value, typed);
                                          readings << reading->text();
                                          QApplication::processEvents();
                                          sizes << dialog->size();
                                      }
                                      QTest::keyClick(dialog, Qt::Key_Escape);
                                  }}};
        QVERIFY(Choose(bench.window, "mnuProgram"));
        QCOMPARE(readings.size(), 4);
        QVERIFY(readings[0].contains(QStringLiteral("FOSC (bits 1-0): HS oscillator")));
        QVERIFY(!readings[0].contains(QStringLiteral("Warning")) && !readings[0].contains(QStringLiteral("Note")));
        QVERIFY(readings[1].contains(QStringLiteral("Warning: code protection on")));
        QVERIFY(readings[2].contains(QStringLiteral("Note: this programmer cannot clear LVP")));
        QVERIFY(readings[3].contains(QStringLiteral("not a hexadecimal number")));
        // The dialog keeps its size, warnings or none, with its buttons under the reading.
        QCOMPARE(sizes, QList<QSize>(5, sizes.front()));
        QVERIFY(buttonsUnderReading);
    }

    void findProgrammerSearchesOffTheWindowsThreadAndNamesThePortsTried()
    {
        // No programmer sits on this machine's own ports; the simulator's pseudo-terminal is not one of them.
        Bench bench;
        const QString before = Named<PortBox>(bench.window, "CPort")->text();
        Named<QAction>(bench.window, "mnuFindProgrammer")->trigger();
        QVERIFY(!Named<QAction>(bench.window, "mnuFindProgrammer")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(bench.answerer.seen.size(), 1, 30000);
        QVERIFY2(bench.answerer.seen[0].startsWith(QStringLiteral("No programmer answered on any port.\n\nPorts tried: ")),
                 qPrintable(bench.answerer.seen[0]));
        QCOMPARE(Named<PortBox>(bench.window, "CPort")->text(), before);
        QVERIFY(Named<QAction>(bench.window, "mnuFindProgrammer")->isEnabled());
    }

    void programOnFileChangeProgramsEachNewWriteOnceUntilARunFails()
    {
        QTemporaryDir folder;
        const QString watched = folder.filePath(QStringLiteral("build.hex"));
        QVERIFY(WriteAsBuilt(QStringLiteral(KORVEXC_FIXTURES "/small.hex"), watched, 1));
        Bench bench({}, watched);
        QAction* mode = Named<QAction>(bench.window, "mnuProgramOnChange");
        const auto programs = [&] { return bench.simulator.EraseCommands(); };
        // Skipping empty blocks, remembered: the gaps of a block written stay erased.
        Named<QAction>(bench.window, "mnuSkipEmpty")->setChecked(true);
        QVERIFY(AppSettings::SkipEmpty());
        // On: programmed at once, with the file's fuse and no prompt; then it waits.
        mode->setChecked(true);
        QTRY_COMPARE_WITH_TIMEOUT(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("Waiting for file update..."),
                                  30000);
        QCOMPARE(programs(), 1);
        QVERIFY(!Named<QAction>(bench.window, "mnuProgram")->isEnabled() && Named<QMenu>(bench.window, "mnuFile")->isEnabled());
        QVERIFY(WriteAsBuilt(kGaps, watched));
        QTRY_COMPARE_WITH_TIMEOUT(programs(), 2, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("Waiting for file update..."),
                                  30000);
        bench.simulator.WithModel([](FirmwareModel& model) { QCOMPARE(model.program[1], 0x3FFF); });
        QTRY_COMPARE_WITH_TIMEOUT(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("Waiting for file update..."),
                                  30000);
        QTest::qWait(1000);
        QCOMPARE(programs(), 2);
        QVERIFY(WriteAsBuilt(kEepromFull, watched));
        QTRY_COMPARE_WITH_TIMEOUT(programs(), 3, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(Named<QLabel>(bench.window, "Status")->text(), QStringLiteral("Waiting for file update..."),
                                  30000);
        QVERIFY2(bench.answerer.seen.isEmpty(), qPrintable(bench.answerer.seen.join(u'\n')));

        // No programmer answers the next run: the mode goes off with the message, and the commands come back.
        const SimulatorFaults never{.neverAnswer = true};
        PtySimulator silent(never);
        silent.Start();
        Named<PortBox>(bench.window, "CPort")->setText(silent.Path());
        QVERIFY(WriteAsBuilt(QStringLiteral(KORVEXC_FIXTURES "/small.hex"), watched));
        QTRY_VERIFY_WITH_TIMEOUT(!mode->isChecked(), 30000);
        QCOMPARE(bench.answerer.seen, QStringList{QStringLiteral("Korvex with pgm firmware not detected")});
        QCOMPARE(ControlStates(bench.window), kAllEnabled);
        // The chip holds the last version: it verifies without a question.
        Named<PortBox>(bench.window, "CPort")->setText(bench.simulator.Path());
        Named<QLineEdit>(bench.window, "Filename")->setText(kEepromFull);
        QVERIFY(Choose(bench.window, "mnuVerify"));
        QCOMPARE(bench.answerer.seen.size(), 1);
        QCOMPARE(programs(), 3);
    }

    void aWatchedRunTellsAMismatchAsItsQuestionWouldAndTurnsTheModeOff()
    {
        const SimulatorFaults stuck{.stuckBit = SimulatorFaults::StuckBit{0, 13, 0}};
        Bench bench(stuck, kGaps);
        QAction* mode = Named<QAction>(bench.window, "mnuProgramOnChange");
        mode->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(!mode->isChecked(), 30000);
        QCOMPARE(bench.answerer.seen, QStringList{QStringLiteral("Verify error @0")});
        QCOMPARE(ControlStates(bench.window), kAllEnabled);
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
