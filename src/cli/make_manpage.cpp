// Build-time tool: writes loop-tester-cli(1) to the file named on its
// command line.
#include "ManPage.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_manpage OUTPUT\n");
        return 1;
    }
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    const QByteArray page = ManPage::troff(QStringLiteral(LT_VERSION)).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size() || !file.commit()) {
        std::fprintf(stderr, "make_manpage: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
