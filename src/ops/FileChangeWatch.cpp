#include "ops/FileChangeWatch.h"

#include <QFileInfo>

using namespace std::chrono;

FileChangeWatch::FileChangeWatch(QString path, milliseconds settle, milliseconds interval)
    : path_(std::move(path)), settle_(settle), interval_(interval)
{
}

FileChangeWatch::Look FileChangeWatch::LookAt() const
{
    const QFileInfo file(path_);
    if (!file.exists())
        return Look{};
    return Look{file.lastModified(), file.size()};
}

void FileChangeWatch::TakeAsSeen()
{
    seen_ = LookAt();
}

bool FileChangeWatch::Sleep()
{
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, interval_, [this] { return stopped_; });
}

bool FileChangeWatch::WaitForChange()
{
    if (!seen_)
        TakeAsSeen();
    std::optional<Look> candidate;
    auto stillSince = steady_clock::now();
    while (Sleep()) {
        const Look now = LookAt();
        // A file that is not there is being written; a change back to the one seen is none.
        if (now.size < 0 || now == *seen_) {
            candidate.reset();
            continue;
        }
        if (candidate != now) {
            candidate = now;
            stillSince = steady_clock::now();
            continue;
        }
        if (steady_clock::now() - stillSince >= settle_) {
            seen_ = now;
            return true;
        }
    }
    return false;
}

void FileChangeWatch::Stop()
{
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    wake_.notify_all();
}
