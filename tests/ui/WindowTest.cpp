#include "ModalAnswerer.h"
#include "Named.h"
#include "WindowTestBase.h"
#include "link/PortList.h"
#include "production/FanOutEvents.h"
#include "production/LockedEvents.h"
#include "ui/Form1.h"
#include "ui/PortBox.h"
#include "ui/QueuedEvents.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <utility>

// The window and its dialogs with no programmer behind them.
class WindowTest : public WindowTestBase {
    Q_OBJECT

private slots:
    void everyLineEventReachesAFaceThroughFanOutLockAndQueueInOrder()
    {
        struct Kept : LineEvents {
            void Tell(const LineEvent::Any& event) override { kinds << int(event.index()); }
            QList<int> kinds;
        } face, board;
        QObject context;
        QueuedEvents queued(context, face);
        LockedEvents locked(queued);
        FanOutEvents fanOut({&locked, &board});
        QList<int> told;
        // Every kind the variant holds, a kind added later included.
        [&]<std::size_t... Kind>(std::index_sequence<Kind...>)
        {
            (fanOut.Tell(LineEvent::Any(std::in_place_index<Kind>)), ...);
            told = {int(Kind)...};
        }
        (std::make_index_sequence<std::variant_size_v<LineEvent::Any>>());
        QCOMPARE(board.kinds, told);
        QVERIFY(face.kinds.isEmpty());
        QTRY_COMPARE(face.kinds, told);
    }

    void thePortIsStoredAtEveryKeystrokeAndTheBoxListsThePortsPresent()
    {
        {
            Form1 window;
            // The captions, by the names that scripts driving the window find them by.
            QCOMPARE(Named<QLabel>(window, "Label1")->text(), QStringLiteral("Hex File:"));
            QCOMPARE(Named<QLabel>(window, "Label2")->text(), QStringLiteral("COM"));
            // The bar starts at its line's very edge, in line with the status above it.
            Named<QWidget>(window, "StatusProgress")->layout()->activate();
            QCOMPARE(Named<QProgressBar>(window, "Bar")->geometry().topLeft(), QPoint(0, 0));
            QCOMPARE(Named<PortBox>(window, "CPort")->text(), QStringLiteral("1"));
            Named<PortBox>(window, "CPort")->clearEditText();
            QStringList stored;
            for (const QChar c : QStringLiteral("ttyUSB0")) {
                QTest::keyClick(Named<PortBox>(window, "CPort"), c.toLatin1());
                stored << QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KORVEXC"))
                              .value("Port/Com")
                              .toString();
            }
            QCOMPARE(stored, (QStringList{"t", "tt", "tty", "ttyU", "ttyUS", "ttyUSB", "ttyUSB0"}));
        }
        QCOMPARE(Named<PortBox>(Form1(), "CPort")->text(), QStringLiteral("ttyUSB0"));

        QList<PortList::Entry> present{{"ttyUSB0", "FT232R USB UART", "FTDI", 0x0403, 0x6001, "A50285BI"}};
        QWidget parent;
        PortBox box(&parent, [&present] { return present; });
        box.setText(QStringLiteral("7"));
        box.showPopup();
        QCOMPARE(box.itemText(0), QStringLiteral("ttyUSB0  FT232R USB UART, FTDI, 0403:6001"));
        box.hidePopup();
        present.append({"ttyS0", "", "", std::nullopt, std::nullopt, ""});
        box.showPopup();
        QCOMPARE(box.itemText(1), QStringLiteral("ttyS0"));
        QCOMPARE(box.text(), QStringLiteral("7"));  // what was typed stays
        box.hidePopup();
        emit box.activated(0);
        QCOMPARE(box.text(), QStringLiteral("ttyUSB0"));
    }

    void browseKeepsTheTextOnCancelAndADropTakesOnlyAFile()
    {
        Form1 window;
        Named<QLineEdit>(window, "Filename")->setText(QStringLiteral("keep.hex"));
        const QString chosen = QDir(settings_->path()).filePath(QStringLiteral("chosen.hex"));
        QFile(chosen).open(QIODevice::WriteOnly);
        ModalAnswerer answerer;
        QString filters;
        answerer.script = {{"Open", ModalAnswerer::Cancel}, {"Open", [&](QWidget* dialog) {
                                                                 filters =
                                                                     qobject_cast<QFileDialog*>(dialog)->nameFilters().join(u';');
                                                                 ModalAnswerer::ChooseFile(chosen)(dialog);
                                                             }}};
        Named<QPushButton>(window, "FBrowse")->click();
        QCOMPARE(Named<QLineEdit>(window, "Filename")->text(), QStringLiteral("keep.hex"));
        Named<QPushButton>(window, "FBrowse")->click();
        QCOMPARE(Named<QLineEdit>(window, "Filename")->text(), chosen);
        QVERIFY(filters.contains(QStringLiteral("*.hex")));

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
        QVERIFY(!drop(text) && !drop(web));
        QCOMPARE(Named<QLineEdit>(window, "Filename")->text(), chosen);
        QVERIFY(drop(file));
        QCOMPARE(Named<QLineEdit>(window, "Filename")->text(), QDir::toNativeSeparators(QStringLiteral("/tmp/board.hex")));
    }

    void aboutBoxClosesByKeyAndSaysWhenThereIsNoSystemInfo()
    {
        frmAbout about;
        ModalAnswerer answerer;
        Named<QPushButton>(about, "cmdSysInfo")->click();
        QCOMPARE(answerer.seen, QStringList{"System Information Is Unavailable At This Time"});
        for (const int key : {Qt::Key_Escape, Qt::Key_Return}) {
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::keyClick(&about, Qt::Key(key));
            QVERIFY(!about.isVisible());
        }
        // The logo's copy arrow, tip and both barbs, on the chip's dark body.
        const QImage logo = frmAbout::Logo(40).toImage();
        const QColor arrow(0xF2, 0xA5, 0x1A), body(0x26, 0x2B, 0x33);
        for (const QPoint& point : {QPoint(15, 20), QPoint(26, 20), QPoint(23, 17), QPoint(23, 23)})
            QCOMPARE(logo.pixelColor(point), arrow);
        for (const QPoint& point : {QPoint(15, 14), QPoint(15, 26)})
            QCOMPARE(logo.pixelColor(point), body);
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
