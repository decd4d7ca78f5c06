#include "production/UnattendedOperator.h"

#include "image/HexText.h"
#include "ops/CommandAbandoned.h"
#include "production/LineEvents.h"

UnattendedOperator::UnattendedOperator(QString port, Answers answers, LineEvents& events, const std::atomic<bool>& stop)
    : port_(std::move(port)), answers_(answers), events_(events), stop_(stop)
{
}

void UnattendedOperator::ThrowIfStopped() const
{
    if (stop_.load(std::memory_order_relaxed))
        throw CommandAbandoned();
}

void UnattendedOperator::SetStatus(const QString& text)
{
    events_.Tell(LineEvent::StatusShown{port_, text});
}

void UnattendedOperator::ShowProgress(const Progress& progress)
{
    events_.Tell(LineEvent::PassProgressed{port_, progress});
}

void UnattendedOperator::SafePoint()
{
    ThrowIfStopped();
}

void UnattendedOperator::ShowMessage(const QString& text)
{
    events_.Tell(LineEvent::NoticeGiven{port_, CommandMessage{text}});
}

bool UnattendedOperator::Mismatched(const Mismatch& mismatch)
{
    events_.Tell(LineEvent::MismatchFound{port_, mismatch});
    ThrowIfStopped();
    return answers_.continueOnMismatch;
}

void UnattendedOperator::HexFileNotice(const HexNotice& notice)
{
    events_.Tell(LineEvent::NoticeGiven{port_, notice});
}

void UnattendedOperator::CommandFailed(const Failure& failure)
{
    events_.Tell(LineEvent::NoticeGiven{port_, failure});
}

bool UnattendedOperator::GoOnDespite(const ChipDoubt& doubt)
{
    events_.Tell(LineEvent::NoticeGiven{port_, doubt});
    return answers_.force;
}

QString UnattendedOperator::PromptFuse(int currentValue)
{
    return HexText::Number(answers_.fuse.value_or(currentValue));
}
