// pimdesigner [FILE]: lays reports out on a form, as an application developer does: the palette of
// report components, the form as it will print, its components and their properties. Opens FILE (a
// stored form such as examples/orders.rep) when given, else a new form. Reports run against the
// sample database, the default connection.
//
// pimdesigner --scripted FILE SAVEAS works FILE through the windows as a user would (see session.h),
// saves it as SAVEAS, tells each step and fault on the error output and ends with 0 when nothing was
// wrong, 1 otherwise.
#include "designerwindow.h"
#include "host/exceptions.h"
#include "session.h"

#include <QApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTimer>
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
    const QStringList Args = App.arguments();
    if (Args.size() > 1 && Args[1] == QStringLiteral("--scripted")) {
        if (Args.size() != 4) {
            std::fprintf(stderr, "usage: pimdesigner --scripted FILE SAVEAS\n");
            return 2;
        }
        Window.show();
        int Result = 1;
        QTimer::singleShot(0, &Window, [&] {
            const QStringList Faults = RunDesignerSession(Window, Args[2], Args[3], [](const QString& Step) {
                std::fprintf(stderr, "step: %s\n", qPrintable(Step));
            });
            for (const QString& Fault : Faults)
                std::fprintf(stderr, "FAULT: %s\n", qPrintable(Fault));
            std::fprintf(stderr, "session: %d faults\n", int(Faults.size()));
            Result = Faults.isEmpty() ? 0 : 1;
            Window.close();
            App.quit();
        });
        App.exec();
        return Result;
    }
    if (argc > 1 && !Window.OpenFile(QString::fromLocal8Bit(argv[1]))) return 1;
    Window.show();
    return App.exec();
}
