#include "ui/Form1.h"
#include "ui/frmAbout.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Form1::kTitle);
    Form1 window;
    window.setWindowIcon(frmAbout::Logo(64));
    window.show();
    return QApplication::exec();
}
