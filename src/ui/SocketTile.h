#pragma once

#include "production/Tally.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QString>
#include <QTimer>

class QLabel;
class QProgressBar;

// One socket of the line: its port, a large state word in its colour, a
// progress bar, the chip and its result, and the port's own counts. Its
// accessible name is the port and its description the state word, so that
// screen readers and tests read it. It repaints at most 20 times a second.
class SocketTile : public QFrame {
    Q_OBJECT

public:
    enum class State { Ready, Empty, Programming, Verifying, Pass, Fail, NoProgrammer, LinkLost };
    struct View {
        State state = State::Ready;
        int percent = 0;  // while programming or verifying
        QString chip;  // "ID 0E20"
        QString serial;  // as the tile shows it: "#123", or the serial number file's line
        QString time;  // "4.2 s"
        QString reason;  // for FAIL: what failed
        Tally::Counts counts;
    };
    static constexpr int kRefreshMilliseconds = 50;

    explicit SocketTile(const QString& port, QWidget* parent = nullptr);

    void Show(const View& view);
    const View& Shown() const { return view_; }
    static QString Word(const View& view);

private:
    void Refresh();
    static QString Colour(State state);

    View view_;
    bool dirty_ = false;
    QString colour_;  // of the style sheet set
    QTimer refresh_;
    QLabel* state_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* details_ = nullptr;
    QLabel* reason_ = nullptr;
    QLabel* counts_ = nullptr;
};
