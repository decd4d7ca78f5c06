// libFuzzer target: the programmer's replies are arbitrary. Whatever it sends,
// a flow must end (by its end, by a mismatch or by the time limit), leave the
// port closed and the controls enabled, and never index past an image.
// Input: one byte choosing the flow, eight bytes of Yes/No answers, then the
// programmer's replies in the order the program reads them.
#include "RecordingOperator.h"
#include "ScriptedPort.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString file = QStringLiteral(KORVEXC_FIXTURES "/small.hex");
    if (size < 9)
        return 0;
    ScriptedPort port;
    RecordingOperator ui;
    for (int i = 0; i < 64; ++i)
        ui.answers.push_back((data[1 + i / 8] >> (i % 8)) & 1);
    for (std::size_t i = 9; i < size; ++i)
        port.Queue({data[i]});

    CommandEnvelope envelope(port, ui, std::chrono::milliseconds(1));
    CommandFlows flows(envelope, ui);
    CommandRequest request;
    request.port = QStringLiteral("1");
    request.pingReads = [] { return QStringLiteral("50"); };
    request.file = file;
    constexpr CommandResult (CommandFlows::*kFlows[])(const CommandRequest&) = {&CommandFlows::DoErase, &CommandFlows::DoVerify,
                                                                                &CommandFlows::DoProgram};
    (flows.*kFlows[data[0] % 3])(request);
    if (port.IsOpen())
        std::abort();
    return 0;
}
