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
    // What stays at the bar's right between commands: the chip's ID and the file's checksum.
    void SetNote(const QString& text);

private:
    QProgressBar* Bar = nullptr;
    QLabel* TimeLeft = nullptr;
    QLabel* Note = nullptr;
    PassClock clock_;
};
