#pragma once

#include <QString>
#include <stdexcept>

// The device went away under an open port (a read or write error, a pulled
// adapter). The text says what the port reported.
class PortFailure : public std::runtime_error {
public:
    explicit PortFailure(const QString& cause) : std::runtime_error(cause.toStdString()), cause_(cause) {}
    const QString& Cause() const { return cause_; }

private:
    QString cause_;
};
