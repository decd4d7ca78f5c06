#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

// Tells when a file has been written anew: its modification time or size
// differs from what was last taken, and then stays the same for a while,
// since a build writes a file in several steps. The file is looked at every
// interval, sleeping in between; Stop() wakes a wait from another thread.
class FileChangeWatch {
public:
    static constexpr std::chrono::milliseconds kSettle{250};
    static constexpr std::chrono::milliseconds kInterval{50};

    explicit FileChangeWatch(QString path, std::chrono::milliseconds settle = kSettle,
                             std::chrono::milliseconds interval = kInterval);

    // Takes the file as it stands now as the one seen.
    void TakeAsSeen();
    // Blocks until the file has changed from the one seen and settled, and
    // takes that as seen (true), or until Stop() (false).
    bool WaitForChange();
    void Stop();

private:
    struct Look {
        QDateTime modified;
        qint64 size = -1;
        bool operator==(const Look&) const = default;
    };
    Look LookAt() const;
    // False once stopped.
    bool Sleep();

    const QString path_;
    const std::chrono::milliseconds settle_;
    const std::chrono::milliseconds interval_;
    std::optional<Look> seen_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};
