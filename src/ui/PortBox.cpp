#include "ui/PortBox.h"

#include <QAbstractItemView>

PortBox::PortBox(QWidget* parent, Source source) : QComboBox(parent), source_(std::move(source))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Picking an entry puts only its name in the box, as the operator would type it.
    connect(this, &QComboBox::activated, this, [this](int index) { setEditText(itemData(index).toString()); });
}

QString PortBox::EntryText(const PortList::Entry& entry)
{
    QStringList details;
    for (const QString& detail : {entry.description, entry.manufacturer, entry.UsbIds()}) {
        if (!detail.isEmpty())
            details << detail;
    }
    return details.isEmpty() ? entry.name : entry.name + QStringLiteral("  ") + details.join(QStringLiteral(", "));
}

void PortBox::Refresh()
{
    // Rebuilding the list must not touch what the operator typed.
    const QString typed = currentText();
    const QSignalBlocker quiet(this);
    clear();
    for (const PortList::Entry& entry : source_())
        addItem(EntryText(entry), entry.name);
    setEditText(typed);
}

void PortBox::showPopup()
{
    Refresh();
    // The list may be wider than the box, so that the descriptions show whole.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
    QComboBox::showPopup();
}
