#include "BoardProcess.h"

BoardProcess::BoardProcess(const QStringList& arguments, int boards)
{
    process_.start(QStringLiteral(KORVEXC_BOARD), arguments + QStringList{"--count", QString::number(boards)});
    while (ports_.size() < boards && process_.waitForReadyRead(20000)) {
        while (process_.canReadLine())
            ports_ << QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
}

BoardProcess::~BoardProcess()
{
    Stop();
}

int BoardProcess::Stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        process_.waitForFinished(20000);
    }
    told_ += QString::fromLocal8Bit(process_.readAllStandardError());
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}
