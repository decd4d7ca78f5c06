#pragma once

#include "production/LineNotice.h"
#include "production/LineSetup.h"

#include <QString>
#include <optional>

// The command line's words for what a line tells beside its results.
class NoticeWords {
public:
    struct Context {
        bool quiet = false;
        bool force = false;
        QString serialAt;  // as given, for the notice that it covers the file's data
    };

    explicit NoticeWords(Context context) : context_(std::move(context)) {}

    // The line for stderr; nothing when it is not shown.
    std::optional<QString> Line(const LineNotice& notice) const;
    // Why the line did not start, and its exit code.
    static std::pair<QString, int> Refusal(const SetupRefusal& refusal, const LinePlan& request);

private:
    Context context_;
};
