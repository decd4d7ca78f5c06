#include "link/PortList.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

QString PortList::Entry::UsbIds() const
{
    if (!vendor || !product)
        return QString();
    return QStringLiteral("%1:%2").arg(*vendor, 4, 16, QLatin1Char('0')).arg(*product, 4, 16, QLatin1Char('0'));
}

QList<PortList::Entry> PortList::Present()
{
    return InOrder(SystemPorts());
}

QList<PortList::Entry> PortList::InOrder(QList<Entry> entries)
{
    // A locale of its own: the C locale's collator compares code points and ignores numeric mode.
    QCollator collator{QLocale(QLocale::English)};
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
