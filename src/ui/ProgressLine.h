#pragma once

#include "ops/OperatorFacts.h"

#include <QElapsedTimer>
#include <QWidget>
#include <optional>

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

    QProgressBar* Bar = nullptr;
    QLabel* TimeLeft = nullptr;

private:
    std::optional<Pass> pass_;
    QElapsedTimer passClock_;
    int firstLocation_ = 0;
};
