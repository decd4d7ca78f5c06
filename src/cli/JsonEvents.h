#pragma once

#include "NoticeWords.h"
#include "production/LineEvents.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <cstdio>
#include <map>

class LineExit;

// The event stream for machines: one JSON object a line on its stream, each
// with "v": 1, its "event" and the UTC "time". Fields are only ever added
// within version 1. What is for people (the notices in words) goes to stderr.
class JsonEvents : public LineEvents {
public:
    JsonEvents(const LineExit& exit, NoticeWords words, std::FILE* stream);

    // The notice's facts: its kind and what it names.
    static QJsonObject NoticeFields(const LineNotice& notice);

    void Tell(const LineEvent::Any& event) override;

private:
    void RunStarted(const LineEvent::RunStarted& run);
    void RoundStarted(int round);
    void ChipStarted(const LineEvent::ChipStarted& chip);
    void ChipIdentified(const QString& port, const ChipIdentity& chip);
    void PassProgress(const QString& port, const Progress& progress);
    void Notice(const QString& port, const LineNotice& notice);
    void SocketChanged(const QString& port, SocketState state);
    void ChipFinished(const QString& port, int round, const ChipResult& result);
    void RoundFinished(int round, const Tally& tally);
    void RunFinished(const Tally& tally);
    void Write(const QString& event, QJsonObject fields);

    const LineExit& exit_;
    NoticeWords words_;
    std::FILE* stream_;
    std::map<QString, std::pair<Pass, int>> tenths_;
    bool started_ = false;
    QList<QJsonObject> early_;  // notices of the setting-up, told after run-started  // a port's pass and the last tenth told
};
