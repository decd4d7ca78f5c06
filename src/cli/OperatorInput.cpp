#include "OperatorInput.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

struct OperatorInput::Lines {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Answer> answers;
    bool interrupted = false;
};

OperatorInput::OperatorInput() : lines_(std::make_shared<Lines>())
{
    // The reader may outlive this object, blocked on a line that never comes: it holds the lines itself.
    std::thread([lines = lines_] {
        char text[256];
        for (bool open = true; open;) {
            open = std::fgets(text, sizeof text, stdin) != nullptr;
            const std::string line = open ? std::string(text) : std::string();
            const size_t first = line.find_first_not_of(" \t");
            const bool quit = !open || (first != std::string::npos && line[first] == 'q');
            const std::lock_guard lock(lines->mutex);
            lines->answers.push_back(quit ? Answer::Quit : Answer::Go);
            lines->arrived.notify_all();
            open = open && !quit;
        }
    }).detach();
}

OperatorInput::Answer OperatorInput::Next()
{
    std::unique_lock lock(lines_->mutex);
    lines_->arrived.wait(lock, [this] { return lines_->interrupted || !lines_->answers.empty(); });
    if (lines_->interrupted)
        return Answer::Interrupted;
    const Answer answer = lines_->answers.front();
    if (answer != Answer::Quit)
        lines_->answers.pop_front();
    return answer;
}

void OperatorInput::Interrupt()
{
    const std::lock_guard lock(lines_->mutex);
    lines_->interrupted = true;
    lines_->arrived.notify_all();
}
