// Platforms without a registry: every key is missing, so System Info reports
// that the tool is unavailable.
#include "ui/SystemRegistry.h"

#include <QFileInfo>
#include <QProcess>

namespace {

constexpr long kFileNotFound = 2;

class NoRegistry : public SystemRegistry {
public:
    long OpenKey(Key, const QString&, unsigned long, Key*) override { return kFileNotFound; }
    long QueryValue(Key, const QString&, unsigned long, unsigned long*, QByteArray*) override { return kFileNotFound; }
    long CloseKey(Key) override { return 0; }
    bool FileExists(const QString& path) override { return QFileInfo(path).isFile(); }
    bool StartProgram(const QString& path) override { return QProcess::startDetached(path, {}); }
};

}  // namespace

SystemRegistry& SystemRegistry::Platform()
{
    static NoRegistry registry;
    return registry;
}
