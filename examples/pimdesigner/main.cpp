// pimdesigner [FILE]: lays reports out on a form, as an application developer does: the palette of
// report components, the form as it will print, its components and their properties. Opens FILE (a
// stored form such as examples/orders.rep) when given, else a new form. Reports run against the
// sample database, the default connection.
#include "designerwindow.h"
#include "host/exceptions.h"

#include <QApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication App(argc, argv);
#ifdef PIM_SAMPLE_DB
    const QString Database = QStringLiteral(PIM_SAMPLE_DB);
    if (QFileInfo::exists(Database)) {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        Db.setDatabaseName(Database);
        Db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!Db.open()) std::fprintf(stderr, "cannot open the sample database %s\n", qPrintable(Database));
    }
#endif
    TDesignerWindow Window;
    if (argc > 1 && !Window.OpenFile(QString::fromLocal8Bit(argv[1]))) return 1;
    Window.show();
    return App.exec();
}
