#pragma once

#include <QString>
#include <stdexcept>

// Thrown when the programmer stops answering or its port goes away. It unwinds
// the running flow at once, so that nothing more is sent.
class LinkLost : public std::runtime_error {
public:
    LinkLost(const QString& awaited, const QString& cause)
        : std::runtime_error((awaited + QStringLiteral(": ") + cause).toStdString()), awaited_(awaited), cause_(cause)
    {
    }
    // What the program was waiting for, such as: the echo of "A".
    const QString& Awaited() const { return awaited_; }
    const QString& Cause() const { return cause_; }

private:
    QString awaited_;
    QString cause_;
};
