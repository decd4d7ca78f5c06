#pragma once

#include "ops/PassClock.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// The bar under the status text, and the time left at its right. Both change
// only when a progress point comes, and are painted at the next yield.
class ProgressLine : public QWidget {
    Q_OBJECT

public:
    explicit ProgressLine(QWidget* parent);

    void Show(const Progress& progress);
    // Fills the bar: the pass ran through.
    void Complete();
    // Empties the bar, as a new command starts.
    void Reset();

private:
    QProgressBar* Bar = nullptr;
    QLabel* TimeLeft = nullptr;
    PassClock clock_;
};
