// The least CPU that one exchange of the wire can cost the program on a
// pseudo-terminal: write a byte, wait in poll() for its echo, read it. An echo
// thread stands in for the programmer; only the asking thread is timed.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    const long exchanges = argc > 1 ? std::atol(argv[1]) : 20000;
    const int controller = posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0 || grantpt(controller) != 0 || unlockpt(controller) != 0)
        return 1;
    const int terminal = open(ptsname(controller), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(terminal, &raw);
    cfmakeraw(&raw);
    tcsetattr(terminal, TCSANOW, &raw);
    std::thread echo([controller, exchanges] {
        unsigned char byte = 0;
        for (long i = 0; i < exchanges && read(controller, &byte, 1) == 1 && write(controller, &byte, 1) == 1; ++i) {
        }
    });
    const double start = ThreadCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    unsigned char byte = 0x55;
    for (long i = 0; i < exchanges; ++i) {
        pollfd wait{terminal, POLLIN, 0};
        if (write(terminal, &byte, 1) != 1 || poll(&wait, 1, 1000) != 1 || read(terminal, &byte, 1) != 1)
            return 1;
    }
    const double cpu = ThreadCpuSeconds() - start;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    echo.join();
    std::printf("poll-and-read floor: %.1f us of CPU per exchange (%.1f us of wall time), over %ld exchanges\n",
                cpu / double(exchanges) * 1e6, wall / double(exchanges) * 1e6, exchanges);
    return 0;
}
