#pragma once

#include "production/LineEvents.h"

#include <QObject>

// Hands every event of a station's workers to a face on its own thread, in
// order: the face's thread never waits on a worker, and a worker never waits
// on the face. Events that arrive after the context is gone are dropped.
class QueuedEvents : public LineEvents {
public:
    // events must live as long as context does.
    QueuedEvents(QObject& context, LineEvents& events) : context_(context), events_(events) {}

    void Tell(const LineEvent::Any& event) override
    {
        QMetaObject::invokeMethod(
            &context_, [&events = events_, event] { events.Tell(event); }, Qt::QueuedConnection);
    }

private:
    QObject& context_;
    LineEvents& events_;
};
