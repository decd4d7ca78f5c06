#pragma once

#include "ops/CommandRequest.h"
#include "production/ChipCommand.h"
#include "production/LinkFactory.h"

#include <QString>
#include <functional>
#include <memory>

class OperatorInterface;
class QThread;

// A face's chip commands, one at a time, each on a thread of its own: the
// link is made there, the port opened, the chip driven and its file written,
// so that the face's thread never waits on a port or a file. The operator is
// called from that thread.
class CommandWorker {
public:
    struct Done {
        ChipCommand command;
        QString file;  // the request's: the HEX file loaded, or the file the chip was read into
        CommandResult result;
        // Read: why the chip's file could not be written; empty when it was, or when the read did not complete.
        QString notSaved;
    };
    // Called on the worker once the port is closed.
    using Finished = std::function<void(const Done&)>;

    explicit CommandWorker(LinkFactory links = PlatformLinks());
    // Waits for the command under way: have its operator stop it first.
    ~CommandWorker();
    CommandWorker(const CommandWorker&) = delete;
    CommandWorker& operator=(const CommandWorker&) = delete;

    // Read writes the chip into the request's file.
    void Start(ChipCommand command, CommandRequest request, OperatorInterface& ui, Finished finished);

private:
    Done Run(ChipCommand command, const CommandRequest& request, OperatorInterface& ui);

    LinkFactory links_;
    std::unique_ptr<QThread> thread_;
};
