#pragma once

#include <QString>
#include <map>
#include <mutex>

// Where each record's hash chain ends, as this process last wrote it: its
// writers then join the chain in one statement, one at a time, while no other
// station has written since. A record that takes one writer at a time has this
// process's writers queue here, not in the record's busy waits.
struct ChainTips {
    struct Link {
        qint64 position = 0;  // 0: the chain is empty
        QString hash;
    };
    static ChainTips& Shared();

    std::mutex mutex;
    std::map<QString, Link> last;  // by the record's address
};
