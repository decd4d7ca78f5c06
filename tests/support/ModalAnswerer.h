#pragma once

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

// Answers the modal dialogs that a command opens, in turn, as an operator
// would. A scripted step names the dialog it expects (a part of its text) and
// answers it; without one, message boxes get OK (or Yes), other dialogs are
// accepted. A dialog that never comes, or stays open when answered, is a
// problem for TakeProblems() to tell, not a hang.
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
    static Answer ChooseFile(const QString& path);
    // The problems of every answerer gone since the last call.
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
