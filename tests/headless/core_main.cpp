// The main of the test program whose application object makes no windows: a QGuiApplication, as a
// program that prints reports without showing any has; with "--core-application" a QCoreApplication,
// as a command-line tool has.
#include <QCoreApplication>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    bool Core = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--core-application") == 0) Core = true;
    std::unique_ptr<QCoreApplication> App;
    if (Core)
        App = std::make_unique<QCoreApplication>(argc, argv);
    else
        App = std::make_unique<QGuiApplication>(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
