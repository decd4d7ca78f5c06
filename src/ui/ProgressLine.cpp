#include "ui/ProgressLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

ProgressLine::ProgressLine(QWidget* parent) : QWidget(parent)
{
    Bar = new QProgressBar(this);
    Bar->setTextVisible(false);
    Bar->setRange(0, 1);
    Bar->setValue(0);
    TimeLeft = new QLabel(this);
    TimeLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Bar, 1);
    layout->addWidget(TimeLeft);
}

void ProgressLine::Show(const Progress& progress)
{
    clock_.Take(progress);
    const std::optional<qint64> left = clock_.SecondsLeft();
    TimeLeft->setText(left ? QStringLiteral("%1 s left").arg(*left) : QString());
    Bar->setRange(0, std::max(1, progress.size));
    Bar->setValue(progress.location);
}

void ProgressLine::Complete()
{
    Bar->setValue(Bar->maximum());
    TimeLeft->clear();
}

void ProgressLine::Reset()
{
    clock_.Reset();
    Bar->setValue(0);
    TimeLeft->clear();
}
