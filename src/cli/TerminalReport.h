#pragma once

#include "NoticeWords.h"
#include "ops/PassClock.h"
#include "production/LineEvents.h"

#include <QStringList>

// One programmer's run told on a terminal or in a log: status lines and
// progress on stdout (a bar on a terminal, a line a tenth elsewhere),
// messages on stderr, and at the end what the chip's command did.
class TerminalReport : public LineEvents {
public:
    TerminalReport(bool quiet, bool listMismatches, NoticeWords words);

    void Tell(const LineEvent::Any& event) override;

private:
    void RunStarted(const LineEvent::RunStarted& run);
    void Status(const QString& port, const QString& text);
    void PassProgress(const QString& port, const Progress& progress);
    void MismatchFound(const QString& port, const Mismatch& mismatch);
    void Notice(const QString& port, const LineNotice& notice);
    void ChipFinished(const QString& port, int round, const ChipResult& result);
    void PrintLine(const QString& text);
    void Inform(const QString& text);
    void Complain(const QString& text);
    void EndProgress();
    void TellWireTime(const ChipResult& result);
    void TellDetected(const QString& port, const ChipResult& result);

    bool quiet_;
    bool listMismatches_;
    NoticeWords words_;
    LinePlan plan_;
    bool terminal_;
    bool barShown_ = false;
    PassClock clock_;
    int lastTenth_ = -1;
    QStringList mismatches_;
};
