#pragma once

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

// Answers the modal dialogs that a command opens, in turn, as an operator
// would. Each dialog is recorded by its text; a scripted step names the dialog
// it expects (a part of that record) and answers it. Without a script,
// message boxes get OK (or Yes) and other dialogs are accepted. A dialog
// that does not come, or that does not close when answered, is a problem
// that TakeProblems() hands to the test, rather than a hang.
class ModalAnswerer : public QObject {
public:
    using Answer = std::function<void(QWidget* dialog)>;
    struct Step {
        QString dialog;
        Answer answer;
    };

    ModalAnswerer();
    ~ModalAnswerer() override;

    static void PressNo(QWidget* dialog) { qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::No)->click(); }
    static void Cancel(QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); }
    // Picks the file in a file dialog and accepts it.
    static Answer ChooseFile(const QString& path);
    // What went wrong with the dialogs of every answerer gone since the last call.
    static QStringList TakeProblems();

    std::deque<Step> script;
    QStringList seen;  // the text of every dialog, in order
    // Runs once inside the first dialog, before it is answered.
    std::function<void()> whileOpen;

private:
    void Poll();

    QTimer timer_;
    QPointer<QWidget> answered_;
    QElapsedTimer sinceAnswer_;
};
