#include "link/PortList.h"

#include <QSerialPortInfo>

QList<PortList::Entry> PortList::SystemPorts()
{
    QList<Entry> entries;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        Entry entry{info.portName(), info.description(), info.manufacturer(), std::nullopt, std::nullopt, info.serialNumber()};
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            entry.vendor = info.vendorIdentifier();
            entry.product = info.productIdentifier();
        }
        entries << entry;
    }
    return entries;
}
