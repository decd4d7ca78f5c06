#include "ui/LineSettings.h"

#include "production/ProductionRecord.h"

#include <QSettings>

namespace {

QSettings Store(QSettings::Scope scope)
{
    return QSettings(QSettings::IniFormat, scope, QStringLiteral("KORVEXC"));
}

LineSettings::Value Read(const QString& key)
{
    const QString fixed = Store(QSettings::SystemScope).value(key).toString();
    if (!fixed.isEmpty())
        return {fixed, true};
    // Only the user's own file: the system-wide one would answer for it.
    QSettings user = Store(QSettings::UserScope);
    user.setFallbacksEnabled(false);
    return {user.value(key).toString(), false};
}

}  // namespace

LineSettings::Value LineSettings::Job()
{
    return Read(QStringLiteral("Line/Job"));
}

LineSettings::Value LineSettings::Ports()
{
    return Read(QStringLiteral("Line/Ports"));
}

LineSettings::Value LineSettings::Record()
{
    return Read(QStringLiteral("Line/Record"));
}

void LineSettings::Remember(const QString& job, const QString& ports, const QString& record)
{
    QSettings user = Store(QSettings::UserScope);
    user.setValue(QStringLiteral("Line/Job"), job);
    user.setValue(QStringLiteral("Line/Ports"), ports);
    user.setValue(QStringLiteral("Line/Record"), ProductionRecord::Shown(record));
    user.sync();
}

bool LineSettings::SoundOnFail()
{
    QSettings user = Store(QSettings::UserScope);
    return user.value(QStringLiteral("Line/SoundOnFail"), true).toBool();
}
