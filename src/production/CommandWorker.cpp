#include "production/CommandWorker.h"

#include "ops/ChipContents.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"

#include <QThread>

CommandWorker::CommandWorker(LinkFactory links) : links_(std::move(links)) {}

CommandWorker::~CommandWorker()
{
    if (thread_)
        thread_->wait();
}

void CommandWorker::Start(ChipCommand command, CommandRequest request, OperatorInterface& ui, Finished finished)
{
    // The last command's thread may still be on its way out after telling it finished.
    if (thread_)
        thread_->wait();
    thread_.reset(QThread::create([this, command, request = std::move(request), &ui, finished = std::move(finished)] {
        finished(Run(command, request, ui));
    }));
    thread_->start();
}

CommandWorker::Done CommandWorker::Run(ChipCommand command, const CommandRequest& request, OperatorInterface& ui)
{
    // Made on the thread that uses it.
    const std::unique_ptr<SerialPort> link = links_();
    CommandEnvelope envelope(*link, ui);
    CommandFlows flows(envelope, ui);
    ChipContents chip;
    Done done{command, request.file, ChipCommands::Perform(command, flows, request, chip), QString()};
    if (command == ChipCommand::Read && done.result.outcome == CommandOutcome::Completed)
        done.notSaved = chip.SaveHex(request.file);
    return done;
}
