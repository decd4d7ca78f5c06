#include "ChipBench.h"

#include <QFile>
#include <QSerialPort>
#include <algorithm>
#include <stdexcept>
#include <thread>

// The ping, the device ID in configuration location 6, and the probe at 8.
const QStringList ChipBench::kDetectAndIdentify{"@", "A", "D 00 00", "I", "I", "I", "I", "I", "I", "F", "I", "I", "F"};

ChipBench::ChipBench(SimulatorFaults faults, std::chrono::milliseconds replyLimit)
    : simulator(faults), envelope(link, ui, replyLimit)
{
    if (const QString error = simulator.Start(); !error.isEmpty())
        throw std::runtime_error(error.toStdString());
    link.SetPort(simulator.Path());
    ui.port = &link;
}

CommandRequest ChipBench::Request() const
{
    CommandRequest request;
    request.port = simulator.Path();
    request.pingReads = [] { return QStringLiteral("5000"); };
    request.file = file;
    request.scope = scope;
    return request;
}

CommandOutcome ChipBench::Do(CommandResult (CommandFlows::*flow)(const CommandRequest&))
{
    return (flows.*flow)(Request()).outcome;
}

std::optional<bool> ChipBench::Run(const std::function<bool(ChipOperations&)>& operation)
{
    std::optional<bool> result;
    envelope.Run(Request(), [&](ProgrammerProtocol& protocol) {
        ChipOperations operations(protocol, image, ui);
        result = operation(operations);
        return CommandOutcome::Completed;
    });
    return result;
}

void ChipBench::Settle() const
{
    // Nothing left unread, and quiet: a simulator that a busy machine keeps
    // from running is waited for, up to a limit that only a hang reaches.
    std::size_t seen = simulator.Trace().size();
    for (int quiet = 0, waited = 0; quiet < 4 && waited < 10000; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::size_t now = simulator.Trace().size();
        quiet = now == seen && simulator.Drained() ? quiet + 1 : 0;
        seen = now;
    }
}

QByteArray ChipBench::FromProgram() const
{
    Settle();
    return simulator.BytesSent(true);
}

QStringList ChipBench::Commands() const
{
    const QByteArray sent = FromProgram();
    QStringList commands;
    for (int i = 0; i < sent.size(); ++i) {
        QString command{QLatin1Char(sent[i])};
        if (sent[i] == 'C' || sent[i] == 'D' || sent[i] == 'E') {
            for (int k = 1; k <= 2 && i + 1 < sent.size(); ++k)
                command += QStringLiteral(" %1").arg(quint8(sent[++i]), 2, 16, QLatin1Char('0')).toUpper();
        }
        commands << command;
    }
    return commands;
}

FirmwareModel ChipBench::Chip()
{
    FirmwareModel copy;
    simulator.WithModel([&copy](FirmwareModel& model) { copy = model; });
    return copy;
}

int ChipBench::Count(const QStringList& commands, const QString& letter, int from, int to)
{
    const auto end = to < 0 ? commands.end() : commands.begin() + to;
    return int(std::count_if(commands.begin() + from, end, [&letter](const QString& c) { return c.startsWith(letter); }));
}

int ChipBench::Find(const QStringList& commands, const QString& letter, int nth)
{
    for (int i = 0; i < commands.size(); ++i) {
        if (commands[i].startsWith(letter) && nth-- == 0)
            return i;
    }
    return -1;
}

bool ChipBench::PortIsFree(const QString& device)
{
    QSerialPort other(device);
    const bool opened = other.open(QIODevice::ReadWrite);
    other.close();
    return opened;
}

bool ChipBench::HasLockFile(const QString& device)
{
    QString name = device;
    name.remove(QStringLiteral("/dev/")).replace(u'/', u'_');
    return QFile::exists(QStringLiteral("/var/lock/LCK..") + name);
}
