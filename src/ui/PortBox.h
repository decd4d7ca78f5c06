#pragma once

#include "link/PortList.h"

#include <QComboBox>
#include <functional>

// The COM box: an editable drop-down of the serial ports present, refreshed
// whenever it opens. The operator may still type anything.
class PortBox : public QComboBox {
    Q_OBJECT

public:
    using Source = std::function<QList<PortList::Entry>()>;

    explicit PortBox(QWidget* parent, Source source = &PortList::Present);

    QString text() const { return currentText(); }
    void setText(const QString& text) { setEditText(text); }
    void showPopup() override;

    // "ttyUSB0  FT232R USB UART, FTDI, 0403:6001"
    static QString EntryText(const PortList::Entry& entry);

private:
    void Refresh();

    Source source_;
};
