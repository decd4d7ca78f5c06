#pragma once

// How a program ends once everything it opened is closed and written:
// normally; on Windows without the libraries' own process-exit handlers,
// since those hang once OpenSSL has served a TLS connection on a thread that
// has ended (seen under Wine: the C++ runtime's detach waits for ever).
namespace ProcessEnd {
[[noreturn]] void Finish(int exitCode);
}  // namespace ProcessEnd
