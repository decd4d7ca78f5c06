#include "InterruptWatch.h"

#include <pthread.h>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <thread>

void InterruptWatch::Catch()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Blocked here, in the thread that starts the workers, so that they inherit it and one thread takes the stopSignals.
        static sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        std::thread([] {
            for (;;) {
                int signal = 0;
                if (sigwait(&stopSignals, &signal) == 0 && !Deliver())
                    std::_Exit(kInterrupted);
            }
        }).detach();
    });
}
