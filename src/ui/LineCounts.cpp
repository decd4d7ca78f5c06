#include "ui/LineCounts.h"

LineCounts::LineCounts()
{
    opened_.since.start();
    reset_.since.start();
}

void LineCounts::Add(Tally::Count count)
{
    opened_.counts.Add(count);
    reset_.counts.Add(count);
}

void LineCounts::Reset()
{
    reset_ = {};
    reset_.since.start();
}

QString LineCounts::Text() const
{
    return Line(QStringLiteral("Since opened"), opened_) + QLatin1Char('\n') + Line(QStringLiteral("Since reset"), reset_);
}

QString LineCounts::Line(const QString& name, const Period& period)
{
    const Tally::Counts& counts = period.counts;
    const int judged = counts.passed + counts.failed;
    const QString yield = judged ? QStringLiteral("%1 %").arg(100.0 * counts.passed / judged, 0, 'f', 1) : QStringLiteral("-");
    // Less than a minute tells nothing of an hour.
    const double hours = double(period.since.elapsed()) / 3.6e6;
    const QString rate = hours >= 1.0 / 60 ? QString::number(qRound(counts.Chips() / hours)) : QStringLiteral("-");
    return QStringLiteral("%1: %2 passed, %3 failed, %4 empty, yield %5, %6 chips/h")
        .arg(name)
        .arg(counts.passed)
        .arg(counts.failed)
        .arg(counts.empty)
        .arg(yield, rate);
}
