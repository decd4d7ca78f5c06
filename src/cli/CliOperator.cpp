#include "CliOperator.h"

#include "ExitCode.h"
#include "image/HexText.h"
#include "ops/FuseAnswer.h"
#include "ops/FuseReading.h"
#include "ops/SharedWords.h"

#include <unistd.h>
#include <cstdio>

namespace {

}  // namespace

CliOperator::CliOperator(Options options) : options_(std::move(options)), terminal_(isatty(STDOUT_FILENO) == 1) {}

void CliOperator::SetStatus(const QString& text)
{
    clock_.Reset();
    if (!options_.quiet)
        PrintLine(text);
}

void CliOperator::ShowProgress(const Progress& progress)
{
    if (clock_.Take(progress))
        lastTenth_ = -1;
    if (options_.quiet || progress.size <= 0)
        return;
    const QString label = SharedWords::PassLabel(progress.pass);
    const int at = progress.location;
    const int percent = clock_.Percent();
    const QString left = SharedWords::TimeLeft(clock_);
    if (!terminal_) {
        // A log gets a line at each tenth of a pass, not at every step.
        if (percent / 10 == lastTenth_)
            return;
        lastTenth_ = percent / 10;
        std::printf("%s %d%% @%s %s\n", qPrintable(label), percent, qPrintable(HexText::Number(at)), qPrintable(left));
        std::fflush(stdout);
        return;
    }
    constexpr int kWidth = 30;
    const int filled = kWidth * at / progress.size;
    const QString bar = QString(filled, u'#') + QString(kWidth - filled, u'.');
    std::printf("\r\033[K%-20s [%s] %3d%% @%-5s %s", qPrintable(label), qPrintable(bar), percent, qPrintable(HexText::Number(at)),
                qPrintable(left));
    std::fflush(stdout);
    barShown_ = true;
}

void CliOperator::EndProgress()
{
    if (barShown_) {
        std::printf("\n");
        std::fflush(stdout);
        barShown_ = false;
    }
}

void CliOperator::PrintLine(const QString& text)
{
    EndProgress();
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

void CliOperator::Inform(const QString& text)
{
    if (!options_.quiet)
        PrintLine(text);
}

void CliOperator::ShowMessage(const QString& text)
{
    EndProgress();
    Complain(text);
}

QString CliOperator::MismatchPlace(const Mismatch& mismatch)
{
    switch (mismatch.memory) {
    case Memory::ProgramWord:
        return QStringLiteral("program word ") + HexText::Word(mismatch.address);
    case Memory::EepromByte:
        return QStringLiteral("EEPROM byte ") + HexText::Word(mismatch.address);
    case Memory::IdWord:
        return QStringLiteral("ID word %1").arg(mismatch.address);
    case Memory::ConfigurationWord:
        break;
    }
    return QStringLiteral("configuration word");
}

QString CliOperator::MismatchLine(const Mismatch& mismatch)
{
    return MismatchPlace(mismatch)
           + QStringLiteral(": expected %1, read %2").arg(HexText::Word(mismatch.expected), HexText::Word(mismatch.read));
}

QString CliOperator::NotBlankLine(const Mismatch& found)
{
    return MismatchPlace(found) + QStringLiteral(" reads ") + HexText::Word(found.read);
}

bool CliOperator::Mismatched(const Mismatch& mismatch)
{
    mismatches_ << MismatchLine(mismatch);
    if (!first_)
        first_ = mismatch;
    if (mismatch.memory == Memory::ConfigurationWord) {
        ShowMessage(SharedWords::FuseVerifyFailure());
    } else if (!options_.continueOnMismatch) {
        ShowMessage(mismatches_.back());
    }
    return options_.continueOnMismatch;
}

void CliOperator::HexFileNotice(const HexNotice& notice)
{
    if (notice.kind != HexNotice::Kind::EepromLayoutUsed || !options_.quiet)
        ShowMessage(SharedWords::NoticeText(notice, QStringLiteral("the HEX file")));
}

void CliOperator::CommandFailed(const Failure& failure)
{
    ShowMessage(SharedWords::FailureText(failure, QStringLiteral(" ")));
}

bool CliOperator::GoOnDespite(const ChipDoubt& doubt)
{
    ShowMessage(SharedWords::DoubtText(doubt)
                + (options_.force ? QStringLiteral(" Going on (--force).") : QStringLiteral(" --force goes on anyway.")));
    return options_.force;
}

QString CliOperator::PromptFuse(int currentValue)
{
    const QString answer = options_.fuse.value_or(HexText::Number(currentValue));
    if (const auto value = FuseAnswer::Read(answer).value; value && options_.readFuse && !options_.quiet) {
        PrintLine(QStringLiteral("Configuration word %1:").arg(HexText::Number(*value)));
        for (const QString& line : FuseReading::Lines(*value))
            PrintLine(QStringLiteral("  ") + line);
    }
    return answer;
}
