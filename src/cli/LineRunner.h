#pragma once

struct Invocation;

// A command on programmers: the line set up, the reports chosen (the
// terminal's, the gang's board, or the JSON stream), the station run once,
// round after round, or with sockets on their own; its exit code.
namespace LineRunner {
int Run(const Invocation& run);
}  // namespace LineRunner
