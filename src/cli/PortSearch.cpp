#include "PortSearch.h"

#include "ExitCode.h"
#include "link/PortList.h"
#include "ops/ProgrammerSearch.h"
#include "production/LinkFactory.h"

#include <cstdio>

namespace {

QString Listed(const QStringList& ports)
{
    return ports.isEmpty() ? QStringLiteral("none") : ports.join(QLatin1String(", "));
}

}  // namespace

int PortSearch::ResolveAuto(QStringList& ports, bool quiet)
{
    if (ports != QStringList{QStringLiteral("auto")})
        return kSuccess;
    const ProgrammerSearch::Found found = ProgrammerSearch::Among(PortList::Names(PortList::Present()), PlatformLinks());
    const QString skipped =
        found.busy.isEmpty() ? QString() : QStringLiteral(" (in use, skipped: %1)").arg(found.busy.join(QLatin1String(", ")));
    if (found.answered.isEmpty()) {
        Complain(
            QStringLiteral("--port auto: no programmer answered on any port (tried: %1)%2").arg(Listed(found.tried), skipped));
        return kNotDetected;
    }
    if (found.answered.size() > 1) {
        Complain(QStringLiteral("--port auto: programmers answered on %1; name one with --port")
                     .arg(found.answered.join(QLatin1String(", "))));
        return kUsage;
    }
    if (!quiet)
        Complain(QStringLiteral("--port auto: the programmer answered on %1").arg(found.answered[0]));
    ports = found.answered;
    return kSuccess;
}

int PortSearch::List(bool probe)
{
    const QList<PortList::Entry> entries = PortList::Present();
    const ProgrammerSearch::Found found =
        probe ? ProgrammerSearch::Among(PortList::Names(entries), PlatformLinks()) : ProgrammerSearch::Found{};
    for (const PortList::Entry& entry : entries) {
        const auto field = [](const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; };
        QString line = QString::asprintf("%-14s %-32s %-10s ", qPrintable(entry.name), qPrintable(field(entry.description)),
                                         qPrintable(field(entry.UsbIds())));
        if (probe)
            line += QStringLiteral("%1 ").arg(field(entry.serialNumber), -16)
                    + (found.answered.contains(entry.name) ? QStringLiteral("programmer")
                       : found.busy.contains(entry.name)   ? QStringLiteral("in-use")
                                                           : QStringLiteral("-"));
        else
            line += field(entry.serialNumber);
        std::printf("%s\n", qPrintable(line));
    }
    return kSuccess;
}
