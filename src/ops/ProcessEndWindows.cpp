#include "ops/ProcessEnd.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>

void ProcessEnd::Finish(int exitCode)
{
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), UINT(exitCode));
    std::_Exit(exitCode);
}
