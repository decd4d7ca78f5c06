#include "CliOperator.h"

#include "TracingPort.h"
#include "image/HexText.h"
#include "image/MemoryImage.h"
#include "ops/ChipOperations.h"

#include <QRegularExpression>
#include <unistd.h>

namespace {

constexpr int kChipWords = 8192;
constexpr int kChipEepromBytes = 256;

QString Word(int value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

CliOperator::CliOperator(const MemoryImage& image, TracingPort& port, Options options)
    : image_(image), port_(port), options_(std::move(options)), terminal_(isatty(STDOUT_FILENO) == 1)
{
}

void CliOperator::SetStatus(const QString& text)
{
    if (text == QLatin1String("Final Verify"))
        port_.CountConfigReadsFromNow();
    static const QRegularExpression progress(QStringLiteral("^(.*) ([0-9A-F]+)$"));
    const auto match = progress.match(text);
    const QString label = match.hasMatch() ? match.captured(1) : text;
    const int at = match.hasMatch() ? match.captured(2).toInt(nullptr, 16) : 0;
    const int words = image_.ProgramReadTop() / 2 + 1;
    int total = 0;
    if (label == QLatin1String("Programming") || label == QLatin1String("Verifying"))
        total = words;
    else if (label == QLatin1String("EEPROM Programming") || label == QLatin1String("Verifying EEPROM"))
        total = image_.EepromTop + 1;
    else if (label == QLatin1String("Reading"))
        total = kChipWords;
    else if (label == QLatin1String("Reading EEPROM"))
        total = kChipEepromBytes;
    if (label != phase_) {
        phase_ = label;
        phaseClock_.start();
        lastTenth_ = -1;
    }
    if (options_.quiet)
        return;
    if (match.hasMatch() && total > 0) {
        ShowProgress(label, at, total);
    } else {
        EndProgress();
        std::printf("%s\n", qPrintable(text));
        std::fflush(stdout);
    }
}

void CliOperator::ShowProgress(const QString& label, int at, int total)
{
    const int percent = int(100LL * at / total);
    const qint64 elapsed = phaseClock_.elapsed();
    const QString left = at > 0 ? QStringLiteral("%1 s left").arg((elapsed * (total - at) / at + 999) / 1000) : QStringLiteral("");
    if (!terminal_) {
        // A log gets a line at each tenth of a phase, not at every step.
        if (percent / 10 == lastTenth_)
            return;
        lastTenth_ = percent / 10;
        std::printf("%s %d%% @%s %s\n", qPrintable(label), percent, qPrintable(HexText::Number(at)), qPrintable(left));
        std::fflush(stdout);
        return;
    }
    constexpr int kWidth = 30;
    const int filled = kWidth * at / total;
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

void CliOperator::Inform(const QString& text)
{
    if (options_.quiet)
        return;
    EndProgress();
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

void CliOperator::ShowMessage(const QString& text)
{
    if (text == QLatin1String("Fuse verify failure."))
        RecordMismatch(text);
    EndProgress();
    std::fprintf(stderr, "korvexc-cli: %s\n", qPrintable(QString(text).replace(QLatin1String("\n\n"), QLatin1String(" "))));
}

bool CliOperator::AskYesNo(const QString& text)
{
    RecordMismatch(text);
    if (!options_.continueOnMismatch) {
        EndProgress();
        std::fprintf(stderr, "korvexc-cli: %s\n", qPrintable(mismatches_.back()));
    }
    return options_.continueOnMismatch;
}

QString CliOperator::PromptText(const QString&, const QString&, const QString& defaultAnswer)
{
    return options_.fuse.value_or(defaultAnswer);
}

void CliOperator::RecordMismatch(const QString& question)
{
    // The value read is the reply the flow has just taken from the port.
    const int read = port_.LastWord();
    static const QRegularExpression at(QStringLiteral("@([0-9A-F]+) "));
    const int address = at.match(question).captured(1).toInt(nullptr, 16);
    QString line;
    if (question.startsWith(QLatin1String("Verify error"))) {
        line = QStringLiteral("program word %1: expected %2, read %3").arg(Word(address), Word(image_.ProgramWord(2 * address)), Word(read));
    } else if (question.startsWith(QLatin1String("EEPROM Verify error"))) {
        line = QStringLiteral("EEPROM byte %1: expected %2, read %3")
                   .arg(Word(address), Word(image_.EepromImage[address]), Word(read & 0xFF));
    } else if (question.startsWith(QLatin1String("Configuration verify failure"))) {
        const int id = port_.ConfigReads() - 1;
        line = QStringLiteral("ID word %1: expected %2, read %3").arg(id).arg(Word(image_.ConfigWord(2 * id)), Word(read));
    } else {
        line = QStringLiteral("configuration word: expected %1, read %2")
                   .arg(Word(image_.ConfigWord(MemoryImage::kConfigWordOffset) | ChipOperations::kConfigReadBackBits), Word(read));
    }
    mismatches_ << line;
}
