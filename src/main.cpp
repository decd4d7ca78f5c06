#include "Version.h"
#include "ops/ProcessEnd.h"
#include "ui/Form1.h"
#include "ui/LineWindow.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

int RunWindow(int argc, char** argv)
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
    const QCommandLineOption line(QStringLiteral("line"), QStringLiteral("Opens the production line window instead."));
    const QCommandLineOption ports(QStringLiteral("port"), QStringLiteral("The line's ports, P1,P2,..."),
                                   QStringLiteral("ports"));
    const QCommandLineOption record(QStringLiteral("record"), QStringLiteral("The line's record: a file or a server's URL."),
                                    QStringLiteral("record"));
    parser.addOptions({line, ports, record});
    parser.addPositionalArgument(QStringLiteral("job"), QStringLiteral("With --line: the job to open (.kjob)."),
                                 QStringLiteral("[JOB]"));
    parser.process(app);

    const auto run = [](QWidget& window) {
        window.setWindowIcon(frmAbout::Logo(64));
        window.show();
        return QApplication::exec();
    };
    if (parser.isSet(line)) {
        LineWindow window({parser.positionalArguments().value(0), parser.value(ports), parser.value(record)});
        return run(window);
    }
    Form1 window;
    return run(window);
}

}  // namespace

int main(int argc, char** argv)
{
    ProcessEnd::Finish(RunWindow(argc, argv));
}
