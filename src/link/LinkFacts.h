#pragma once

#include "link/LineRate.h"

// What one opening of the port has found out about the programmer at its end.
// An open starts it afresh: another programmer may be there now.
struct LinkFacts {
    bool probed = false;
    // The companion firmware's protocol version, 0 when the programmer knows only the table's letters.
    int companion = 0;
    // Set when one of its exchanges failed its check: the rest of this opening keeps to the letters.
    bool companionFailed = false;
    int rate = LineRate::kBaud;
    // The adapter or the firmware would not take the faster rate: not asked again.
    bool rateRefused = false;

    bool FastPath() const { return companion > 0 && !companionFailed; }
};
