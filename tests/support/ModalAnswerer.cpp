#include "ModalAnswerer.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

ModalAnswerer::ModalAnswerer()
{
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::Poll);
    timer_.start(5);
}

void ModalAnswerer::Poll()
{
    QWidget* dialog = QApplication::activeModalWidget();
    // A dialog is marked once seen: the next one may stand at the same address.
    if (!dialog || dialog->property("korvexcSeen").toBool())
        return;
    dialog->setProperty("korvexcSeen", true);
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        seen << box->text();
    else if (auto* prompt = qobject_cast<QInputDialog*>(dialog))
        seen << prompt->windowTitle() + QLatin1Char('|') + prompt->labelText() + QLatin1Char('|') + prompt->textValue();
    else
        seen << dialog->windowTitle();
    if (whileOpen) {
        whileOpen();
        whileOpen = nullptr;
    }
    if (!dialog->isVisible() || QApplication::activeModalWidget() != dialog)
        return;
    Answer answer = script.empty() ? Answer() : script.front();
    if (!script.empty())
        script.pop_front();
    if (answer) {
        answer(dialog);
    } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        (yes ? yes : box->button(QMessageBox::Ok))->click();
    } else if (auto* modal = qobject_cast<QDialog*>(dialog)) {
        modal->accept();
    }
}
