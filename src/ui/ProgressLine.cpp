#include "ui/ProgressLine.h"

#include "ops/SharedWords.h"

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
    Note = new QLabel(this);
    Note->setObjectName(QStringLiteral("Note"));
    Bar->setObjectName(QStringLiteral("Bar"));
    TimeLeft->setObjectName(QStringLiteral("TimeLeft"));
    TimeLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Bar, 1);
    layout->addWidget(TimeLeft);
    layout->addWidget(Note);
}

void ProgressLine::Show(const Progress& progress)
{
    clock_.Take(progress);
    TimeLeft->setText(SharedWords::TimeLeft(clock_));
    Bar->setRange(0, std::max(1, progress.size));
    Bar->setValue(progress.location);
}

void ProgressLine::Complete()
{
    Bar->setValue(Bar->maximum());
    TimeLeft->clear();
}

void ProgressLine::SetNote(const QString& text)
{
    Note->setText(text);
}

void ProgressLine::Reset()
{
    clock_.Reset();
    Bar->setValue(0);
    TimeLeft->clear();
}
