// The least CPU that a run's own wire traffic can cost a program: it replays
// a trace of that run (korvexc-cli --trace) against a fresh programmer, writing
// each byte the program wrote and waiting in poll() for each byte that came
// back, with nothing else around them.
//   korvexc-wire-floor PORT TRACE
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Step {
    unsigned char out = 0;
    int repliesAfter = 0;
};

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Lines "> 40 41" are bytes written, "< 5E" bytes read; anything else is the
// program's other output.
std::vector<Step> ReadTrace(const char* path)
{
    std::vector<Step> steps;
    std::ifstream trace(path);
    for (std::string line; std::getline(trace, line);) {
        if (line.empty() || (line[0] != '>' && line[0] != '<'))
            continue;
        std::istringstream bytes(line.substr(1));
        for (unsigned value = 0; bytes >> std::hex >> value;) {
            if (line[0] == '>')
                steps.push_back({static_cast<unsigned char>(value), 0});
            else if (!steps.empty())
                ++steps.back().repliesAfter;
        }
    }
    return steps;
}

bool Replay(int port, const std::vector<Step>& steps)
{
    unsigned char byte = 0;
    for (const Step& step : steps) {
        if (write(port, &step.out, 1) != 1)
            return false;
        for (int reply = 0; reply < step.repliesAfter; ++reply) {
            pollfd wait{port, POLLIN, 0};
            if (poll(&wait, 1, 5000) != 1 || read(port, &byte, 1) != 1)
                return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: korvexc-wire-floor PORT TRACE\n");
        return 2;
    }
    const std::vector<Step> steps = ReadTrace(argv[2]);
    const int port = open(argv[1], O_RDWR | O_NOCTTY);
    termios raw{};
    if (steps.empty() || port < 0 || tcgetattr(port, &raw) != 0)
        return 1;
    cfmakeraw(&raw);
    tcsetattr(port, TCSANOW, &raw);
    const double start = ThreadCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    if (!Replay(port, steps)) {
        std::fprintf(stderr, "korvexc-wire-floor: the programmer did not answer as the trace did\n");
        return 1;
    }
    const double cpu = ThreadCpuSeconds() - start;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("wire floor: %.1f us of CPU per exchange (%.1f us of wall time), over %zu exchanges\n",
                cpu / double(steps.size()) * 1e6, wall / double(steps.size()) * 1e6, steps.size());
    return 0;
}
