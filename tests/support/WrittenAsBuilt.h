#pragma once

#include <QFile>
#include <QThread>

// Writes a fixture's text to the path as a build writes its output: in
// pieces, by default 30 ms apart, all within 100 ms.
inline bool WriteAsBuilt(const QString& fixture, const QString& path, int pieces = 3, int gapMilliseconds = 30)
{
    QFile source(fixture);
    QFile target(path);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text = source.readAll();
    for (int piece = 0; piece < pieces; ++piece) {
        const qsizetype from = piece * text.size() / pieces, to = (piece + 1) * text.size() / pieces;
        if (target.write(text.mid(from, to - from)) < 0 || !target.flush())
            return false;
        if (piece + 1 < pieces)
            QThread::msleep(gapMilliseconds);
    }
    return true;
}
