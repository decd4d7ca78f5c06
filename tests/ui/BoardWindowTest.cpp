#include "BoardProcess.h"
#include "ModalAnswerer.h"
#include "Named.h"
#include "WindowTestBase.h"
#include "ui/Form1.h"
#include "ui/PortBox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

// The whole chain: the window, its port, the firmware, the pins and the chip.
class BoardWindowTest : public WindowTestBase {
    Q_OBJECT

private slots:
    void programRunsThroughTheFirmwareToDone()
    {
        BoardProcess board;
        QCOMPARE(board.Ports().size(), 1);
        Form1 window;
        ModalAnswerer answerer;
        Named<PortBox>(window, "CPort")->setText(board.Ports()[0]);
        Named<QLineEdit>(window, "Filename")->setText(QStringLiteral(KORVEXC_FIXTURES "/counter.hex"));
        Named<QAction>(window, "mnuProgram")->trigger();
        QVERIFY(QTest::qWaitFor([&window] { return Named<QAction>(window, "mnuAbout")->isEnabled(); }, 120000));
        QCOMPARE(Named<QLabel>(window, "Status")->text(), QStringLiteral("Done"));
        QCOMPARE(board.Stop(), 0);
    }
};

QTEST_MAIN(BoardWindowTest)
#include "BoardWindowTest.moc"
