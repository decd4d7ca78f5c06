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
    if (pass_ != progress.pass) {
        pass_ = progress.pass;
        passClock_.start();
        firstLocation_ = progress.location;
        TimeLeft->clear();
    } else if (progress.location > firstLocation_) {
        // From the pass's second point on, its rate so far tells the rest.
        const qint64 elapsed = passClock_.elapsed();
        const qint64 left = elapsed * (progress.size - progress.location) / (progress.location - firstLocation_);
        TimeLeft->setText(QStringLiteral("%1 s left").arg((left + 999) / 1000));
    }
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
    pass_.reset();
    Bar->setValue(0);
    TimeLeft->clear();
}
