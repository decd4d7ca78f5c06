#pragma once

#include <QByteArray>
#include <QString>

// The platform calls behind the About box's System Info button: the
// machine-wide registry, a file test and starting a program. Each registry
// call returns 0 on success, as the platform's own do.
class SystemRegistry {
public:
    using Key = quintptr;
    static constexpr Key kLocalMachine = 0x80000002;
    static constexpr unsigned long kStringValue = 1;
    static constexpr unsigned long kDoubleWordValue = 4;

    virtual ~SystemRegistry() = default;
    virtual long OpenKey(Key root, const QString& keyName, unsigned long access, Key* key) = 0;
    // Fills data with at most bufferSize bytes and sets the value's type.
    virtual long QueryValue(Key key, const QString& valueName, unsigned long bufferSize, unsigned long* type,
                            QByteArray* data) = 0;
    virtual long CloseKey(Key key) = 0;
    virtual bool FileExists(const QString& path) = 0;
    // Starts the program with a normal, focused window, without waiting for it.
    virtual bool StartProgram(const QString& path) = 0;

    // The registry of this platform; on one without a registry every key is missing.
    static SystemRegistry& Platform();
};
