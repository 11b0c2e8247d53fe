// The main job. Until the output engine can record and print a sample document, it writes the
// runtime's message table, the one piece of the system that is complete on its own.
#include "host/lists.h"
#include "host/resstrings.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication App(argc, argv);
    const QString OutDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("out");
    QDir().mkpath(OutDir);
    TStringList Texts;
    for (int Ident = 56400; Ident <= 56493; ++Ident) {
        const QString Text = LoadStr(Ident);
        if (!Text.isEmpty()) Texts.Add(QString::number(Ident) + u'=' + Text);
    }
    const QString FileName = QDir(OutDir).filePath(QStringLiteral("messages.txt"));
    Texts.SaveToFile(FileName);
    std::printf("wrote %s (%d message texts)\n", qPrintable(FileName), Texts.Count());
    return 0;
}
