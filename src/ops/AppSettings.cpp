#include "ops/AppSettings.h"

#include "image/HexLoader.h"

#include <QSettings>

namespace {

QSettings Store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KORVEXC"));
}

}  // namespace

QString AppSettings::Port()
{
    return Store().value(QStringLiteral("Port/Com"), QStringLiteral("1")).toString();
}

void AppSettings::SetPort(const QString& text)
{
    QSettings store = Store();
    store.setValue(QStringLiteral("Port/Com"), text);
    store.sync();
}

QString AppSettings::PingReads()
{
    return Store().value(QStringLiteral("Delays/PTO")).toString();
}

EepromLayout AppSettings::HexEepromLayout()
{
    const QString name = Store().value(QStringLiteral("Hex/EepromLayout")).toString().trimmed().toLower();
    return HexLoader::LayoutNamed(name).value_or(EepromLayout::Auto);
}

bool AppSettings::SkipEmpty()
{
    return Store().value(QStringLiteral("Program/SkipEmpty"), false).toBool();
}

void AppSettings::SetSkipEmpty(bool skip)
{
    QSettings store = Store();
    store.setValue(QStringLiteral("Program/SkipEmpty"), skip);
    store.sync();
}

QStringList AppSettings::RecentFiles()
{
    return Store().value(QStringLiteral("Files/Recent")).toStringList();
}

void AppSettings::AddRecentFile(const QString& path)
{
    constexpr int kKept = 5;
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    QSettings store = Store();
    store.setValue(QStringLiteral("Files/Recent"), files.mid(0, kKept));
    store.sync();
}
