#include "ModalAnswerer.h"
#include "PortChecks.h"
#include "PtySimulator.h"
#include "ui/Form1.h"
#include "ui/PortBox.h"
#include "ui/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
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
