#pragma once

#include "production/LineSetup.h"

#include <QStringList>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class LineEvents;
class Station;

// A line on a thread of its own, from setting it up (the job or file read,
// the record created) to the station's last chip, so that the window's thread
// never waits on a file, a port or the record. Its events come from that
// thread and the station's workers. A Qt thread, not an adopted one: on
// Windows an adopted thread's end is watched for by Qt itself.
class LineThread {
public:
    enum class Mode { OneRound, Auto };
    using Refused = std::function<void(const SetupRefusal&)>;

    // refused is called on the run's thread when the line does not start.
    LineThread(LinePlan request, QStringList ports, Mode mode, QString lot, LineEvents& events, Refused refused);
    // Stops the station, and waits for its thread.
    ~LineThread();
    LineThread(const LineThread&) = delete;
    LineThread& operator=(const LineThread&) = delete;

    // Every port stops at its next safe point.
    void Stop();
    void SetLot(const QString& lot);
    // Emits finished once the run's last event is out, so that its owner may let it go without waiting.
    QThread& Thread() { return *thread_; }

private:
    void Run(const LinePlan& request, const QStringList& ports, Mode mode, LineEvents& events, const Refused& refused);
    void AwaitStop();

    std::mutex mutex_;  // the station while it runs, the lot and the stop
    std::condition_variable stopped_;
    Station* station_ = nullptr;
    QString lot_;
    bool stop_ = false;
    std::unique_ptr<QThread> thread_;
};
