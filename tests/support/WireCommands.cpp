#include "WireCommands.h"

QStringList WireCommands::Parse(const QByteArray& fromProgram)
{
    QStringList commands;
    for (int i = 0; i < fromProgram.size(); ++i) {
        const char letter = fromProgram[i];
        QString command{QLatin1Char(letter)};
        if (letter == 'C' || letter == 'D' || letter == 'E') {
            for (int k = 1; k <= 2 && i + 1 < fromProgram.size(); ++k)
                command += QStringLiteral(" %1").arg(quint8(fromProgram[++i]), 2, 16, QLatin1Char('0')).toUpper();
        }
        commands << command;
    }
    return commands;
}

int WireCommands::Count(const QStringList& commands, const QString& letter, int from, int to)
{
    int count = 0;
    for (int i = from; i < (to < 0 ? commands.size() : to); ++i)
        count += commands[i].startsWith(letter) ? 1 : 0;
    return count;
}

int WireCommands::Find(const QStringList& commands, const QString& letter, int nth)
{
    for (int i = 0; i < commands.size(); ++i) {
        if (commands[i].startsWith(letter) && nth-- == 0)
            return i;
    }
    return -1;
}
