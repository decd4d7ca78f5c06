#include "ops/ProgrammerSearch.h"

#include "link/PortName.h"

#include <QThread>
#include <vector>

using namespace std::chrono;

namespace {

constexpr char kPing = '@';
constexpr unsigned char kPrompt = '^';

}  // namespace

ProgrammerSearch::Answer ProgrammerSearch::Ping(const QString& port, SerialPort& link, milliseconds budget)
{
    const PortName::Choice choice = PortName::Resolve(port);
    if (choice.device.isEmpty())
        return Answer::Busy;
    link.SetPort(choice.device);
    if (!link.Open().isEmpty())
        return Answer::Busy;
    const auto deadline = steady_clock::now() + budget;
    try {
        link.Write(QByteArray(1, kPing));
        for (auto left = budget; left > milliseconds::zero();
             left = duration_cast<milliseconds>(deadline - steady_clock::now())) {
            if (const auto byte = link.Read()) {
                if (*byte == kPrompt) {
                    link.Close();
                    return Answer::Programmer;
                }
                continue;
            }
            link.WaitForData(int(left.count()));
        }
    } catch (const PortFailure&) {
        // A device that goes away while pinged has no programmer on it.
    }
    link.Close();
    return Answer::Silent;
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
