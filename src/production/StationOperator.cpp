#include "production/StationOperator.h"

#include "image/HexText.h"
#include "ops/CommandAbandoned.h"
#include "production/LineEvents.h"

StationOperator::StationOperator(QString port, Answers answers, LineEvents& events, const std::atomic<bool>& stop)
    : port_(std::move(port)), answers_(answers), events_(events), stop_(stop)
{
}

void StationOperator::ThrowIfStopped() const
{
    if (stop_.load(std::memory_order_relaxed))
        throw CommandAbandoned();
}

void StationOperator::SetStatus(const QString& text)
{
    events_.Tell(LineEvent::StatusShown{port_, text});
}

void StationOperator::ShowProgress(const Progress& progress)
{
    events_.Tell(LineEvent::PassProgressed{port_, progress});
}

void StationOperator::SafePoint()
{
    ThrowIfStopped();
}

void StationOperator::ShowMessage(const QString& text)
{
    events_.Tell(LineEvent::NoticeGiven{port_, CommandMessage{text}});
}

bool StationOperator::Mismatched(const Mismatch& mismatch)
{
    events_.Tell(LineEvent::MismatchFound{port_, mismatch});
    ThrowIfStopped();
    return answers_.continueOnMismatch;
}

void StationOperator::HexFileNotice(const HexNotice& notice)
{
    events_.Tell(LineEvent::NoticeGiven{port_, notice});
}

void StationOperator::CommandFailed(const Failure& failure)
{
    events_.Tell(LineEvent::NoticeGiven{port_, failure});
}

bool StationOperator::GoOnDespite(const ChipDoubt& doubt)
{
    events_.Tell(LineEvent::NoticeGiven{port_, doubt});
    return answers_.force;
}

QString StationOperator::PromptFuse(int currentValue)
{
    return HexText::Number(answers_.fuse.value_or(currentValue));
}
