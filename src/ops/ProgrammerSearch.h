#pragma once

#include "link/SerialPort.h"

#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

// Which of some ports has a programmer on it: each is opened and pinged once,
// all at the same time, with a short budget. A port that another program holds
// is left alone. Only an operator's explicit request sends these pings, since
// they go to whatever device sits on each port.
class ProgrammerSearch {
public:
    using Links = std::function<std::unique_ptr<SerialPort>()>;
    struct Found {
        QStringList tried;
        QStringList answered;  // in the order of the ports given
        QStringList busy;  // could not be opened
    };

    static constexpr std::chrono::milliseconds kBudget{200};

    static Found Among(const QStringList& ports, const Links& links, std::chrono::milliseconds budget = kBudget);

private:
    // Opens the port as the operator names it and pings it once.
    enum class Answer { Programmer, Silent, Busy };
    static Answer Ping(const QString& port, SerialPort& link, std::chrono::milliseconds budget);
};
