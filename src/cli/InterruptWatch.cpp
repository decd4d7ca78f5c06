#include "InterruptWatch.h"

#include <cstdlib>
#include <mutex>

namespace {

std::mutex watchMutex;
std::function<void()> watchCallback;
bool delivered = false;

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> callback)
{
    Catch();
    const std::lock_guard lock(watchMutex);
    watchCallback = std::move(callback);
    delivered = false;
}

InterruptWatch::~InterruptWatch()
{
    const std::lock_guard lock(watchMutex);
    watchCallback = nullptr;
}

bool InterruptWatch::Deliver()
{
    std::function<void()> callback;
    {
        const std::lock_guard lock(watchMutex);
        if (!watchCallback || delivered)
            return false;
        delivered = true;
        callback = watchCallback;
    }
    callback();
    return true;
}
