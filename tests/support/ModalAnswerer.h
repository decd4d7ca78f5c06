#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>


// Answers the modal dialogs that a command opens, in turn, as an operator
// would: each one is recorded by its text and handed to the next scripted
// answer. Without a script, message boxes get OK (or Yes) and prompts their
// default.
class ModalAnswerer : public QObject {
public:
    using Answer = std::function<void(QWidget* dialog)>;

    ModalAnswerer();

    static void PressNo(QWidget* dialog) { qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::No)->click(); }
    static void Cancel(QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); }

    std::deque<Answer> script;
    QStringList seen;  // the text of every dialog, in order
    // Runs once inside the first dialog, before it is answered.
    std::function<void()> whileOpen;

private:
    void Poll();

    QTimer timer_;
};
