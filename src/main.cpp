#include "Version.h"
#include "ui/Form1.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Form1::kTitle);
    QApplication::setApplicationVersion(QLatin1String(Version::kText));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copies an Intel HEX file into a flash microcontroller through a Korvex programmer on a serial port.\n"
        "The window keeps its port and recent files in KORVEXC.ini; korvexc-cli runs the same commands from scripts."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    Form1 window;
    window.setWindowIcon(frmAbout::Logo(64));
    window.show();
    return QApplication::exec();
}
