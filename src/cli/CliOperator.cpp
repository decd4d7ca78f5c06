#include "CliOperator.h"

#include "ExitCode.h"
#include "image/HexText.h"
#include "ops/FuseAnswer.h"
#include "ops/FuseReading.h"

#include <cstdio>
#include <unistd.h>

namespace {

QString Word(int value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QString CliOperator::LeftText(const PassClock& clock)
{
    const std::optional<qint64> seconds = clock.SecondsLeft();
    return seconds ? QStringLiteral("%1 s left").arg(*seconds) : QString();
}

QString CliOperator::Label(Pass pass)
{
    switch (pass) {
    case Pass::Program:
        return QStringLiteral("Programming");
    case Pass::Eeprom:
        return QStringLiteral("EEPROM Programming");
    case Pass::VerifyProgram:
        return QStringLiteral("Verifying");
    case Pass::VerifyEeprom:
        return QStringLiteral("Verifying EEPROM");
    case Pass::Read:
        return QStringLiteral("Reading");
    case Pass::ReadEeprom:
        break;
    }
    return QStringLiteral("Reading EEPROM");
}

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
    const QString label = Label(progress.pass);
    const int at = progress.location;
    const int percent = clock_.Percent();
    const QString left = LeftText(clock_);
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
    std::printf("\r\033[K%-20s [%s] %3d%% @%-5s %s", qPrintable(label), qPrintable(bar), percent,
                qPrintable(HexText::Number(at)), qPrintable(left));
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

QString CliOperator::MismatchLine(const Mismatch& mismatch)
{
    const QString values = QStringLiteral(": expected %1, read %2").arg(Word(mismatch.expected), Word(mismatch.read));
    switch (mismatch.memory) {
    case Memory::ProgramWord:
        return QStringLiteral("program word ") + Word(mismatch.address) + values;
    case Memory::EepromByte:
        return QStringLiteral("EEPROM byte ") + Word(mismatch.address) + values;
    case Memory::IdWord:
        return QStringLiteral("ID word %1").arg(mismatch.address) + values;
    case Memory::ConfigurationWord:
        break;
    }
    return QStringLiteral("configuration word") + values;
}

bool CliOperator::Mismatched(const Mismatch& mismatch)
{
    mismatches_ << MismatchLine(mismatch);
    if (!first_)
        first_ = mismatch;
    if (mismatch.memory == Memory::ConfigurationWord) {
        ShowMessage(QStringLiteral("Fuse verify failure."));
    } else if (!options_.continueOnMismatch) {
        ShowMessage(mismatches_.back());
    }
    return options_.continueOnMismatch;
}

void CliOperator::HexFileNotice(const HexNotice& notice)
{
    switch (notice.kind) {
    case HexNotice::Kind::UnknownRecord:
        ShowMessage(QStringLiteral("Unknown record: ") + notice.text);
        break;
    case HexNotice::Kind::BadAddress:
        ShowMessage(QStringLiteral("Bad Address: ") + HexText::Number(notice.address));
        break;
    case HexNotice::Kind::CannotOpen:
        ShowMessage(notice.text);
        break;
    case HexNotice::Kind::CannotRead:
        ShowMessage(QStringLiteral("the HEX file could not be read to its end: ") + notice.text);
        break;
    case HexNotice::Kind::EepromLayoutUsed:
        if (!options_.quiet) {
            ShowMessage(notice.layout == EepromLayout::Word
                            ? QStringLiteral("EEPROM data read in the word layout (location k at 4200 + 2k)")
                            : QStringLiteral("EEPROM data read in the byte layout (location k at 4200 + k)"));
        }
        break;
    }
}

void CliOperator::CommandFailed(const Failure& failure)
{
    switch (failure.outcome) {
    case CommandOutcome::NotDetected:
        ShowMessage(QStringLiteral("Korvex with pgm firmware not detected"));
        break;
    case CommandOutcome::LinkLost:
        ShowMessage(QStringLiteral("The programmer stopped responding while waiting for %1. "
                                   "Check the cable and the programmer's power, then try again.")
                        .arg(failure.detail));
        break;
    default:
        ShowMessage(failure.detail);
        break;
    }
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
