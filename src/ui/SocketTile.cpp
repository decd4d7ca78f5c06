#include "ui/SocketTile.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

SocketTile::SocketTile(const QString& port, QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setAccessibleName(port);
    setObjectName(QStringLiteral("SocketTile"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    auto* name = new QLabel(port);
    counts_ = new QLabel;
    counts_->setToolTip(QStringLiteral("passed / failed / empty"));
    auto* head = new QHBoxLayout;
    head->addWidget(name, 1);
    head->addWidget(counts_);
    layout->addLayout(head);
    state_ = new QLabel;
    QFont big = state_->font();
    big.setPointSize(18);
    big.setBold(true);
    state_->setFont(big);
    state_->setAlignment(Qt::AlignCenter);
    layout->addWidget(state_);
    progress_ = new QProgressBar;
    progress_->setMaximumHeight(8);
    progress_->setTextVisible(false);
    layout->addWidget(progress_);
    details_ = new QLabel;
    reason_ = new QLabel;
    reason_->setWordWrap(true);
    layout->addWidget(details_);
    layout->addWidget(reason_);
    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshMilliseconds);
    connect(&refresh_, &QTimer::timeout, this, [this] {
        if (dirty_)
            Refresh();
    });
    Refresh();
}

void SocketTile::Show(const View& view)
{
    view_ = view;
    dirty_ = true;
    if (!refresh_.isActive())
        Refresh();
}

QString SocketTile::Word(const View& view)
{
    switch (view.state) {
    case State::Ready:
        return QStringLiteral("READY");
    case State::Empty:
        return QStringLiteral("EMPTY");
    case State::Programming:
        return QStringLiteral("PROGRAMMING %1%").arg(view.percent);
    case State::Verifying:
        return QStringLiteral("VERIFYING");
    case State::Pass:
        return QStringLiteral("PASS");
    case State::Fail:
        return QStringLiteral("FAIL");
    case State::NoProgrammer:
        return QStringLiteral("NO PROGRAMMER");
    case State::LinkLost:
        return QStringLiteral("LINK LOST");
    }
    return QString();
}

QString SocketTile::Colour(State state)
{
    switch (state) {
    case State::Pass:
        return QStringLiteral("#2e7d32");
    case State::Fail:
    case State::LinkLost:
    case State::NoProgrammer:
        return QStringLiteral("#c62828");
    case State::Programming:
    case State::Verifying:
        return QStringLiteral("#ef8f00");
    case State::Ready:
    case State::Empty:
        break;
    }
    return QStringLiteral("#8a8a8a");
}

void SocketTile::Refresh()
{
    dirty_ = false;
    const QString word = Word(view_);
    state_->setText(word);
    setAccessibleDescription(word);
    // A style sheet is parsed afresh whenever it is set: only when the colour changes.
    const QString colour = Colour(view_.state);
    if (colour != colour_) {
        colour_ = colour;
        setStyleSheet(QStringLiteral("#SocketTile { background: %1; } QLabel { color: white; }").arg(colour));
    }
    const bool working = view_.state == State::Programming || view_.state == State::Verifying;
    progress_->setValue(working ? view_.percent : view_.state == State::Pass ? 100 : 0);
    QStringList details;
    for (const QString& part : {view_.chip, view_.serial, view_.time})
        if (!part.isEmpty())
            details << part;
    details_->setText(details.join(QStringLiteral("   ")));
    reason_->setText(view_.reason);
    counts_->setText(QStringLiteral("%1 / %2 / %3").arg(view_.counts.passed).arg(view_.counts.failed).arg(view_.counts.empty));
    refresh_.start();
}
