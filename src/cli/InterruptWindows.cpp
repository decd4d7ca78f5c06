#include "InterruptWatch.h"

#include <windows.h>
#include <cstdlib>
#include <mutex>

namespace {

BOOL WINAPI OnConsoleControl(DWORD)
{
    // The console calls this on a thread of its own.
    if (!InterruptWatch::Deliver())
        std::_Exit(kInterrupted);
    return TRUE;
}

}  // namespace

void InterruptWatch::Catch()
{
    static std::once_flag once;
    std::call_once(once, [] { SetConsoleCtrlHandler(OnConsoleControl, TRUE); });
}
