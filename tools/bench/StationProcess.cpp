#include "StationProcess.h"

StationProcess::StationProcess(QString cli, int programmers, SimulatorTiming timing) : program_(std::move(cli))
{
    for (int i = 0; i < programmers; ++i) {
        gang.push_back(std::make_unique<PtySimulator>(SimulatorFaults{}, timing));
        gang.back()->Start();
    }
}

void StationProcess::Start(const QString& record, const QString& hex, const QStringList& numbering)
{
    QStringList ports;
    for (const auto& programmer : gang)
        ports << programmer->Path();
    QStringList args{"--quiet", "--port", ports.join(u','), "--record", record};
    if (hex.isEmpty())
        args << "erase";
    else
        args << numbering << QStringList{"--fuse", "3F72", "program", hex};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settings_.path());
    cli.setProcessEnvironment(environment);
    cli.start(program_, args);
}

int StationProcess::Finish()
{
    if (!cli.waitForFinished(120000))
        cli.kill();
    cli.waitForFinished();
    return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
}

QString StationProcess::Errors()
{
    return QString::fromLocal8Bit(cli.readAllStandardError());
}
