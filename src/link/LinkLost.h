#pragma once

#include <QString>
#include <stdexcept>

// Thrown when the programmer stops answering or its port goes away. It unwinds
// the running flow at once, so that nothing more is sent, and is caught by the
// command envelope, which closes the port and tells the operator.
class LinkLost : public std::runtime_error {
public:
    explicit LinkLost(const QString& operatorText)
        : std::runtime_error(operatorText.toStdString()), text_(operatorText) {}
    const QString& OperatorText() const { return text_; }

private:
    QString text_;
};
