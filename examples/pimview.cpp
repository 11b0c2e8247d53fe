// pimview FILE.pim: shows a stored document in the viewer window. A file that is missing, is not a
// document or is damaged (cut short, say) gives the reason on the error output and exit code 1,
// without opening a window.
#include "viewer/PimView.h"
#include "host/exceptions.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pimview FILE.pim\n");
        return 2;
    }
    try {
        PimFileView(QString::fromLocal8Bit(argv[1]));
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 1;
    } catch (const std::exception& E) {
        std::fprintf(stderr, "%s\n", E.what());
        return 1;
    }
    return 0;
}
