#include "link/PortList.h"

#include <QCollator>
#include <algorithm>

QString PortList::Entry::UsbIds() const
{
    if (!vendor || !product)
        return QString();
    return QStringLiteral("%1:%2").arg(*vendor, 4, 16, QLatin1Char('0')).arg(*product, 4, 16, QLatin1Char('0'));
}

QList<PortList::Entry> PortList::Present()
{
    QList<Entry> entries = SystemPorts();
    // Adapters first, as they are what a programmer hangs on; ttyS2 before ttyS10.
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(entries.begin(), entries.end(), [&collator](const Entry& a, const Entry& b) {
        if (a.vendor.has_value() != b.vendor.has_value())
            return a.vendor.has_value();
        return collator.compare(a.name, b.name) < 0;
    });
    return entries;
}

QStringList PortList::Names(const QList<Entry>& entries)
{
    QStringList names;
    for (const Entry& entry : entries)
        names << entry.name;
    return names;
}
