#pragma once

#include <QString>

// Turns the text of the COM box into the device to open. A whole number n is
// COMn (on Linux /dev/ttyS(n-1)); other text names a serial device. Nothing
// but a device is ever opened: on Linux nothing outside /dev, on Windows
// nothing outside the device namespace.
class PortName {
public:
    struct Choice {
        QString device;  // empty when the text names no port
        QString error;  // the operator's message when it names none
    };

    static Choice Resolve(const QString& comBoxText);
    // The text as it may appear in a message: bounded in length.
    static QString Quoted(const QString& text);

    // What depends on the platform.
    static QString NumberedDevice(int n);
    static Choice FromName(const QString& text);
    // A device name for the messages, as the platform writes one.
    static QString ExampleName();
};
