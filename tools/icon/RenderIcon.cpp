// Writes the window's logo as a PNG of the given size, for the desktop entry.
#include "ui/frmAbout.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: korvexc-icon SIZE FILE.png\n");
        return 2;
    }
    return frmAbout::Logo(QByteArray(argv[1]).toInt()).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
