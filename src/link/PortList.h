#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The serial ports present, as the operator would type them.
class PortList {
public:
    struct Entry {
        QString name;  // "ttyUSB0", "COM3": what the COM box and --port take
        QString description;
        QString manufacturer;
        std::optional<quint16> vendor;
        std::optional<quint16> product;
        QString serialNumber;

        // "0403:6001", or empty for a port that is not on USB.
        QString UsbIds() const;
    };

    static QList<Entry> Present();
    // USB adapters first, as they are what a programmer hangs on; then by
    // name, numbers as numbers (ttyS2 before ttyS10).
    static QList<Entry> InOrder(QList<Entry> entries);
    static QStringList Names(const QList<Entry>& entries);

private:
    // As the platform reports them, in no particular order.
    static QList<Entry> SystemPorts();
};
