// Loads the report designer's package into a program and unloads it again.
#include "design/Vyrreg.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    initDesignPackage();
    resetDesignPackage();
    return 0;
}
