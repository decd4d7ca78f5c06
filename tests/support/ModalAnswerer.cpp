#include "ModalAnswerer.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <utility>

namespace {

// Longer than any answer takes to close its dialog, even on a busy machine.
constexpr int kAnswerMilliseconds = 5000;

QStringList problems;

QString Record(QWidget* dialog)
{
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        return box->text();
    if (auto* value = dialog->findChild<QLineEdit*>(QStringLiteral("FuseValue"))) {
        return dialog->windowTitle() + QLatin1Char('|') + dialog->findChild<QLabel*>(QStringLiteral("FusePrompt"))->text()
               + QLatin1Char('|') + value->text();
    }
    return dialog->windowTitle();
}

}  // namespace

ModalAnswerer::ModalAnswerer()
{
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::Poll);
    timer_.start(5);
}

ModalAnswerer::~ModalAnswerer()
{
    for (const Step& step : script)
        problems << QStringLiteral("the dialog \"%1\" never came").arg(step.dialog);
}

QStringList ModalAnswerer::TakeProblems()
{
    return std::exchange(problems, {});
}

ModalAnswerer::Answer ModalAnswerer::ChooseFile(const QString& path)
{
    return [path](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        // selectFile() leaves the name box alone once it has the focus, which
        // comes at a moment of its own: the name is typed, as an operator would.
        files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(files)->accept();
    };
}

void ModalAnswerer::Poll()
{
    QWidget* dialog = QApplication::activeModalWidget();
    // A dialog met while it is still coming up is answered at a later tick.
    if (!dialog || !dialog->isVisible())
        return;
    if (dialog == answered_) {
        if (sinceAnswer_.elapsed() > kAnswerMilliseconds) {
            problems << QStringLiteral("the dialog \"%1\" stayed open after its answer").arg(Record(dialog));
            qobject_cast<QDialog*>(dialog)->reject();
        }
        return;
    }
    answered_ = dialog;
    sinceAnswer_.start();
    const QString record = Record(dialog);
    seen << record;
    if (whileOpen)
        std::exchange(whileOpen, nullptr)();
    Answer answer;
    if (!script.empty()) {
        if (!record.contains(script.front().dialog))
            problems << QStringLiteral("the dialog \"%1\" came where \"%2\" was expected").arg(record, script.front().dialog);
        answer = script.front().answer;
        script.pop_front();
    }
    // Outside the poll, so that a dialog that the answer opens is met as well;
    // what ran inside the dialog may have closed it already.
    QTimer::singleShot(0, this, [answer, dialog = QPointer<QWidget>(dialog)] {
        if (!dialog || !dialog->isVisible() || QApplication::activeModalWidget() != dialog)
            return;
        if (answer) {
            answer(dialog);
        } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        } else {
            qobject_cast<QDialog*>(dialog)->accept();
        }
    });
}
