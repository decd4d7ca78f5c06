#include "TerminalReport.h"

#include "CliWords.h"
#include "ExitCode.h"
#include "PlatformLink.h"
#include "image/HexText.h"
#include "link/LineRate.h"
#include "ops/SharedWords.h"

#include <unistd.h>
#include <cstdio>

namespace {

// A ping answered later than this has waited on an adapter's latency timer.
constexpr std::chrono::microseconds kSlowPing{4000};

}  // namespace

TerminalReport::TerminalReport(bool quiet, bool listMismatches, NoticeWords words)
    : quiet_(quiet), listMismatches_(listMismatches), words_(std::move(words)), terminal_(isatty(STDOUT_FILENO) == 1)
{
}

void TerminalReport::Tell(const LineEvent::Any& event)
{
    std::visit(Overloaded{
                   [this](const LineEvent::RunStarted& e) { RunStarted(e); },
                   [this](const LineEvent::StatusShown& e) { Status(e.port, e.text); },
                   [this](const LineEvent::PassProgressed& e) { PassProgress(e.port, e.progress); },
                   [this](const LineEvent::MismatchFound& e) { MismatchFound(e.port, e.mismatch); },
                   [this](const LineEvent::NoticeGiven& e) { Notice(e.port, e.notice); },
                   [this](const LineEvent::ChipFinished& e) { ChipFinished(e.port, e.chipNumber, e.result); },
                   [](const auto&) {},  // a single programmer's run has no rounds or sockets
               },
               event);
}

void TerminalReport::RunStarted(const LineEvent::RunStarted& run)
{
    plan_ = run.plan;
    if (run.plan.command == ChipCommand::Program && run.plan.fuse && !quiet_)
        CliWords::PrintFuseReading(*run.plan.fuse);
}

void TerminalReport::PrintLine(const QString& text)
{
    EndProgress();
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

void TerminalReport::Inform(const QString& text)
{
    if (!quiet_)
        PrintLine(text);
}

void TerminalReport::Complain(const QString& text)
{
    EndProgress();
    ::Complain(text);
}

void TerminalReport::EndProgress()
{
    if (barShown_) {
        std::printf("\n");
        std::fflush(stdout);
        barShown_ = false;
    }
}

void TerminalReport::Status(const QString&, const QString& text)
{
    clock_.Reset();
    Inform(text);
}

void TerminalReport::PassProgress(const QString&, const Progress& progress)
{
    if (clock_.Take(progress))
        lastTenth_ = -1;
    if (quiet_ || progress.size <= 0)
        return;
    const QString label = SharedWords::PassLabel(progress.pass);
    const QString at = HexText::Number(progress.location);
    const int percent = clock_.Percent();
    const QString left = SharedWords::TimeLeft(clock_);
    if (!terminal_) {
        // A log gets a line at each tenth of a pass, not at every step.
        if (percent / 10 == lastTenth_)
            return;
        lastTenth_ = percent / 10;
        std::printf("%s %d%% @%s %s\n", qPrintable(label), percent, qPrintable(at), qPrintable(left));
        std::fflush(stdout);
        return;
    }
    constexpr int kWidth = 30;
    const int filled = kWidth * progress.location / progress.size;
    const QString bar = QString(filled, u'#') + QString(kWidth - filled, u'.');
    std::printf("\r\033[K%-20s [%s] %3d%% @%-5s %s", qPrintable(label), qPrintable(bar), percent, qPrintable(at),
                qPrintable(left));
    std::fflush(stdout);
    barShown_ = true;
}

void TerminalReport::MismatchFound(const QString&, const Mismatch& mismatch)
{
    mismatches_ << SharedWords::MismatchLine(mismatch);
    if (mismatch.memory == Memory::ConfigurationWord)
        Complain(SharedWords::FuseVerifyFailure());
    else if (!listMismatches_)
        Complain(mismatches_.back());
}

void TerminalReport::Notice(const QString&, const LineNotice& notice)
{
    if (const std::optional<QString> line = words_.Line(notice))
        Complain(*line);
}

void TerminalReport::TellWireTime(const ChipResult& result)
{
    const double wireSeconds = double(result.wireBytes) * LineRate::kByteSeconds;
    Inform(QStringLiteral("Took %1 s; the wire needs %2 s for these %3 bytes at %5 baud (ratio %4)")
               .arg(result.seconds, 0, 'f', 1)
               .arg(wireSeconds, 0, 'f', 1)
               .arg(result.wireBytes)
               .arg(result.seconds / wireSeconds, 0, 'f', 2)
               .arg(LineRate::kBaud));
}

void TerminalReport::TellDetected(const QString& port, const ChipResult& result)
{
    Inform(QStringLiteral("Programmer detected on %1 (the ping was answered in %2 ms)")
               .arg(port)
               .arg(double(result.pingRoundTrip.count()) / 1000.0, 0, 'f', 2));
    if (PlatformLink::kTimerInDriverSettings && result.pingRoundTrip > kSlowPing) {
        Complain(QStringLiteral("the ping took more than %1 ms: a USB adapter's latency timer is likely holding every byte. "
                                "Set it to 1 ms in Device Manager: Ports (COM & LPT), the port's Properties, "
                                "Port Settings, Advanced, Latency Timer (msec)")
                     .arg(kSlowPing.count() / 1000));
    }
    if (const std::optional<ChipIdentity>& chip = result.identity) {
        Inform(CliWords::ChipLine(*chip));
        Inform(CliWords::PathLine(*chip));
    }
}

void TerminalReport::ChipFinished(const QString& port, int, const ChipResult& result)
{
    EndProgress();
    if (result.adapterTimer && *result.adapterTimer > 1)
        Complain(CliWords::AdapterTimerAdvice(*result.adapterTimer));
    const ChipCommand command = plan_.command;
    const bool ranThrough = result.verdict == ChipVerdict::Passed || result.verdict == ChipVerdict::Mismatch;
    if (ranThrough && command != ChipCommand::Detect && command != ChipCommand::Erase)
        TellWireTime(result);
    if (result.serial)
        Inform(QStringLiteral("Serial number %1").arg(*result.serial));
    if (result.serialLine)
        Inform(QStringLiteral("Serial number file line %1").arg(*result.serialLine));
    if (command == ChipCommand::BlankCheck && result.verdict == ChipVerdict::Mismatch)
        Complain(QStringLiteral("not blank: ") + SharedWords::NotBlankLine(*result.firstMismatch));
    else if (result.verdict == ChipVerdict::Mismatch && listMismatches_) {
        for (const QString& mismatch : mismatches_)
            std::fprintf(stderr, "mismatch: %s\n", qPrintable(mismatch));
    }
    if (result.verdict == ChipVerdict::Mismatch && command != ChipCommand::BlankCheck)
        Complain(QStringLiteral("%1 mismatch(es)").arg(result.mismatches));
    if (!result.Passed())
        return;
    if (command == ChipCommand::Detect)
        TellDetected(port, result);
    else if (command == ChipCommand::Read)
        Inform(QStringLiteral("Chip read into %1").arg(plan_.file));
    else if (command == ChipCommand::BlankCheck)
        Inform(QStringLiteral("The chip is blank"));
}
