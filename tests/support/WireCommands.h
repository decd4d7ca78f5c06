#pragma once

#include <QByteArray>
#include <QStringList>

// The program's side of the wire as commands: "A", "C 3F FF", "D 00 00"...
class WireCommands {
public:
    static QStringList Parse(const QByteArray& fromProgram);
    // How many times the letter stands among the commands from..to-1.
    static int Count(const QStringList& commands, const QString& letter, int from = 0, int to = -1);
    // The index of the nth (from 0) command that is the letter, or -1.
    static int Find(const QStringList& commands, const QString& letter, int nth = 0);
};
