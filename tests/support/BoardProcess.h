#pragma once

#include <QProcess>
#include <QStringList>

// korvexc-board as a test starts it: a pseudo-terminal a board, and, once
// stopped, whether the firmware kept the chip's rules.
class BoardProcess {
public:
    explicit BoardProcess(const QStringList& arguments = {}, int boards = 1);
    ~BoardProcess();

    const QStringList& Ports() const { return ports_; }
    // Stops the boards: their exit code, 0 when no rule of the chip was broken.
    int Stop();
    // What the boards told on their standard error.
    QString Told() const { return told_; }

private:
    QProcess process_;
    QStringList ports_;
    QString told_;
};
