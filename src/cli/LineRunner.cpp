#include "LineRunner.h"

#include "CliParser.h"
#include "ExitCode.h"
#include "GangBoard.h"
#include "InterruptWatch.h"
#include "JsonEvents.h"
#include "LineExit.h"
#include "OperatorInput.h"
#include "PlatformLink.h"
#include "PortSearch.h"
#include "TerminalReport.h"
#include "TracingPort.h"
#include "ops/FileChangeWatch.h"
#include "production/FanOutEvents.h"
#include "production/Station.h"

#include <atomic>
#include <memory>

namespace {

std::unique_ptr<LineEvents> Report(const Invocation& run, const LineExit& exit)
{
    const NoticeWords words({run.quiet, run.line.force, run.serialAt});
    if (run.json)
        return std::make_unique<JsonEvents>(exit, words, stdout);
    if (run.ports.size() == 1 && run.repeat == Invocation::Repeat::Once)
        return std::make_unique<TerminalReport>(run.quiet, run.line.continueOnMismatch, words);
    return std::make_unique<GangBoard>(run.ports,
                                       GangBoard::Options{run.quiet, run.line.continueOnMismatch,
                                                          run.repeat != Invocation::Repeat::Once},
                                       words);
}

LinkFactory Links(const Invocation& run)
{
    if (!run.trace)
        return PlatformLinks();
    return [] { return std::make_unique<TracingPort>(std::make_unique<PlatformLink>(), stderr); };
}

// Runs the station as asked, with Ctrl-C stopping it and the operator's lines starting rounds.
void RunStation(const Invocation& run, Station& station, std::atomic<bool>& interrupted)
{
    std::unique_ptr<OperatorInput> input;
    if (run.repeat != Invocation::Repeat::Once)
        input = std::make_unique<OperatorInput>();
    const InterruptWatch watch([&] {
        interrupted = true;
        station.Stop();
        if (input)
            input->Interrupt();
    });
    if (run.repeat == Invocation::Repeat::Auto) {
        station.RunAuto([&] { input->Next(); });
        return;
    }
    station.RunRounds([&](int, const std::vector<ChipResult>&) { return input && input->Next() == OperatorInput::Answer::Go; });
}

int RunOnce(const Invocation& run)
{
    LineExit exit(run.repeat != Invocation::Repeat::Once);
    const std::unique_ptr<LineEvents> report = Report(run, exit);
    FanOutEvents events({&exit, report.get()});
    std::variant<LinePlan, SetupRefusal> prepared = LineSetup::Prepare(run.line, events);
    if (const SetupRefusal* refusal = std::get_if<SetupRefusal>(&prepared)) {
        const auto [words, code] = NoticeWords::Refusal(*refusal, run.line);
        if (!words.isEmpty())
            Complain(words);
        return code;
    }
    Station station(std::get<LinePlan>(std::move(prepared)), run.ports, events, Links(run));
    std::atomic<bool> interrupted{false};
    RunStation(run, station, interrupted);
    return interrupted ? kInterrupted : exit.OfLine();
}

// --watch: a run now, then one each time the file has been written anew,
// until Ctrl-C; the last run's exit code.
int RunWatching(const Invocation& run)
{
    FileChangeWatch watch(run.line.file);
    for (;;) {
        // A write during the run counts: the file is taken as it stood when the run began.
        watch.TakeAsSeen();
        const int code = RunOnce(run);
        if (code == kInterrupted)
            return code;
        const InterruptWatch stopWaiting([&watch] { watch.Stop(); });
        if (!watch.WaitForChange())
            return code;
    }
}

}  // namespace

int LineRunner::Run(const Invocation& given)
{
    Invocation run = given;
    if (const int code = PortSearch::ResolveAuto(run.ports, run.quiet || run.json); code != kSuccess)
        return code;
    return run.watch ? RunWatching(run) : RunOnce(run);
}
