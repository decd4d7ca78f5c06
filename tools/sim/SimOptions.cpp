#include "SimOptions.h"

#include "FirmwareModel.h"

#include <QCommandLineParser>

namespace {

std::optional<SimulatorFaults::StuckBit> ParseStuckBit(const QString& text, bool* ok)
{
    const QStringList parts = text.split(u':');
    *ok = parts.size() == 2 || parts.size() == 3;
    if (!*ok)
        return std::nullopt;
    bool a = false, b = false, c = true;
    SimulatorFaults::StuckBit stuck{parts[0].toInt(&a, 16), parts[1].toInt(&b), parts.size() == 3 ? parts[2].toInt(&c) : 0};
    *ok = a && b && c && stuck.wordAddress >= 0 && stuck.wordAddress < FirmwareModel::kProgramWords && stuck.bit >= 0
          && stuck.bit < 14 && (stuck.level == 0 || stuck.level == 1);
    return stuck;
}

}  // namespace

void SimOptions::AddTo(QCommandLineParser& parser) const
{
    parser.addOptions({load, save, never, ping, silent, stuck, latency, paced, count, deviceId, noChip, sockets});
}

std::optional<SimSettings> SimSettings::Read(const QCommandLineParser& parser, const SimOptions& options)
{
    SimSettings settings;
    SimulatorFaults& faults = settings.faults;
    faults.neverAnswer = parser.isSet(options.never);
    faults.noChip = parser.isSet(options.noChip);
    bool ok = true;
    if (parser.isSet(options.deviceId))
        faults.deviceId = std::uint16_t(parser.value(options.deviceId).toUShort(&ok, 16) & 0x3FFF);
    if (parser.isSet(options.ping))
        faults.answerFromPing = parser.value(options.ping).toInt(&ok);
    if (ok && parser.isSet(options.silent))
        faults.silentAfterBytes = parser.value(options.silent).toLong(&ok);
    if (ok && parser.isSet(options.stuck))
        faults.stuckBit = ParseStuckBit(parser.value(options.stuck), &ok);
    settings.timing.paced = parser.isSet(options.paced);
    if (ok && parser.isSet(options.latency))
        settings.timing.latency = std::chrono::milliseconds(parser.value(options.latency).toInt(&ok));
    settings.programmers = ok ? parser.value(options.count).toInt(&ok) : 0;
    if (parser.isSet(options.load))
        settings.load = parser.value(options.load);
    settings.save = parser.value(options.save);
    settings.sockets = parser.value(options.sockets);
    if (!ok || settings.programmers < 1 || settings.programmers > 64 || (settings.programmers > 1 && !settings.save.isEmpty()))
        return std::nullopt;
    return settings;
}
