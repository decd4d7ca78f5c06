#include "ops/ProgrammerSearch.h"

#include "link/PortName.h"
#include "link/ProgrammerProtocol.h"

#include <QThread>
#include <vector>

using namespace std::chrono;

ProgrammerSearch::Answer ProgrammerSearch::Ping(const QString& port, SerialPort& link, milliseconds budget)
{
    const PortName::Choice choice = PortName::Resolve(port);
    if (choice.device.isEmpty())
        return Answer::Busy;
    link.SetPort(choice.device);
    if (!link.Open().isEmpty())
        return Answer::Busy;
    bool answered = false;
    try {
        answered = ProgrammerProtocol(link, [] { return QString(); }).AnswersOnePing(budget);
    } catch (const PortFailure&) {
        // A device that goes away while pinged has no programmer on it.
    }
    link.Close();
    return answered ? Answer::Programmer : Answer::Silent;
}

ProgrammerSearch::Found ProgrammerSearch::Among(const QStringList& ports, const Links& links, milliseconds budget)
{
    std::vector<Answer> answers(ports.size(), Answer::Silent);
    // QThreads: a Qt serial port works only on one.
    std::vector<std::unique_ptr<QThread>> pings;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        pings.emplace_back(QThread::create([&, i] { answers[i] = Ping(ports[i], *links(), budget); }));
        pings.back()->start();
    }
    for (const auto& ping : pings)
        ping->wait();
    Found found;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        (answers[i] == Answer::Busy ? found.busy : found.tried) << ports[i];
        if (answers[i] == Answer::Programmer)
            found.answered << ports[i];
    }
    return found;
}
