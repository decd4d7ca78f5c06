#pragma once

#include "ops/ProgrammerSearch.h"

#include <QObject>
#include <functional>
#include <memory>

class QThread;

// Find Programmer: every port present pinged at once, off the window's
// thread; what was found comes back on the thread that asked.
class ProgrammerFinder : public QObject {
public:
    using Found = std::function<void(const ProgrammerSearch::Found& found)>;

    explicit ProgrammerFinder(Found found);
    // Waits for a search under way.
    ~ProgrammerFinder() override;

    void Find();

private:
    Found found_;
    std::unique_ptr<QThread> thread_;
};
