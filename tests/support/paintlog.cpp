#include "support/paintlog.h"
#include "host/devicecontext.h"

#include <vector>

QStringList DrawnTexts(const TDeviceLog& Log) {
    QStringList Texts;
    QPoint Origin;
    std::vector<QPoint> Saved;
    for (const QString& Call : Log.Calls) {
        const QString Name = Call.section(u' ', 0, 0);
        const QStringList Args = Call.section(u' ', 1).split(u' ');
        if (Name == QLatin1String("SaveDC")) {
            Saved.push_back(Origin);
        } else if (Name == QLatin1String("RestoreDC")) {
            int Level = Args.value(0).toInt();
            if (Level < 0) Level = int(Saved.size()) + Level + 1;
            if (Level >= 1 && Level <= int(Saved.size())) {
                Origin = Saved[size_t(Level - 1)];
                Saved.resize(size_t(Level - 1));
            }
        } else if (Name == QLatin1String("OffsetViewportOrgEx")) {
            Origin += QPoint(Args.value(0).toInt(), Args.value(1).toInt());
        } else if (Name == QLatin1String("SetViewportOrgEx")) {
            Origin = QPoint(Args.value(0).toInt(), Args.value(1).toInt());
        } else if (Name == QLatin1String("TextOut") || Name == QLatin1String("ExtTextOut")) {
            const qsizetype Quote = Call.indexOf(u'"');
            const QString Text = Quote < 0 ? QString() : Call.mid(Quote + 1).chopped(1);
            Texts << QStringLiteral("%1 %2 %3")
                         .arg(Origin.x() + Args.value(0).toInt())
                         .arg(Origin.y() + Args.value(1).toInt())
                         .arg(Text);
        }
    }
    return Texts;
}

QPoint DrawnAt(const TDeviceLog& Log, const QString& Text) {
    for (const QString& Line : DrawnTexts(Log))
        if (Line.section(u' ', 2) == Text)
            return QPoint(Line.section(u' ', 0, 0).toInt(), Line.section(u' ', 1, 1).toInt());
    return QPoint(-1, -1);
}
