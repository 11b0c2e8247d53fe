// The "orders" report on the "PDF file" printer against its floor: a plain program that draws the
// same texts, fonts and rules at the same places with QPainter straight into a QPdfWriter.
//
//   orders_bench [ROWS...]        (default 1000 10000 100000)
//
// Each size runs twice, each time in a fresh child process of this program (the report, then the
// floor), so that neither inherits the other's caches or heap. A child makes its rows first (eight
// orders a customer, in memory), then times the run alone and reports how far its resident memory
// rose above what it was just before the run (the high-water mark, reset first). The times are the
// child's processor time, which other work on a shared machine sways far less than the wall clock
// (shown too, with the page count). The last lines, one a size, read:
// orders ROWS rows: report S s, floor S s, ratio R, memory +M MB / +M MB.
#include "examplejobs.h"
#include "orders_layout.h"
#include "ordersrows.h"
#include "peakmemory.h"
#include "host/formatting.h"
#include "host/exceptions.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The processor time of this process in seconds: on a shared machine the wall clock also counts
// whatever else runs, which sways the two sides differently.
struct TChildResult {
    double Seconds = -1; // processor time
    double WallSeconds = 0;
    long GrowthKb = 0;
    int Pages = 0;
};

// The report as the main job runs it: built in code, no question, two passes, printed on the
// "PDF file" printer.
TChildResult RunReport(TMemDataSet& Set, const QString& FileName) {
    UsePdfPrinter(FileName);
    TOrdersForm Form;
    TVyrReport* Report = BuildOrdersReport(&Form, &Set);
    TVyrGrouppage* Page = FindOrdersParts(&Form).Page;
    Page->PageSetup()->SetDestination(destPrinter);

    benchmemory::ResetPeak();
    const long BaseKb = benchmemory::StatusKb("VmRSS:");
    QElapsedTimer Timer;
    Timer.start();
    const double CpuStart = benchmemory::CpuSeconds();
    Report->Run();
    TChildResult R;
    R.Seconds = benchmemory::CpuSeconds() - CpuStart;
    R.WallSeconds = static_cast<double>(Timer.nsecsElapsed()) / 1e9;
    R.GrowthKb = benchmemory::StatusKb("VmHWM:") - BaseKb;
    R.Pages = Page->PageCount();
    if (!Report->ExceptionText().isEmpty())
        std::fprintf(stderr, "orders_bench: the report failed: %s\n", qPrintable(Report->ExceptionText()));
    return R;
}

// The floor: the report's layout worked out by hand. Everything is in pixels of 96 to the inch from
// the corner of the margins, as the report places its bands: A4 with margins of 10 mm leaves 1047
// pixels of height; the page header (52) and the page footer (22) on every page, per customer a
// header (22, never without room for two orders), an order line (18) each and a footer (22), the
// grand total (26) at the end.
namespace floorpage {
constexpr int Height = 1047;
constexpr int PageHead = 52, PageFoot = 22, GroupHead = 22, Detail = 18, GroupFoot = 22, ReportFoot = 26;
constexpr int Reserve = 2 * Detail;
constexpr int Bottom = Height - PageFoot;

struct TColumn {
    const char* Caption;
    int Left;
    int Width;
    Qt::Alignment Align;
};
constexpr TColumn Columns[] = {
    {"Order", 0, 60, Qt::AlignRight},     {"Date", 90, 90, Qt::AlignLeft},
    {"Shipped", 190, 90, Qt::AlignLeft},  {"Status", 300, 90, Qt::AlignLeft},
    {"Discount", 400, 80, Qt::AlignRight}, {"Amount", 560, 150, Qt::AlignRight},
};
} // namespace floorpage

TChildResult RunFloor(TMemDataSet& Set, const QString& FileName) {
    using namespace floorpage;
    Set.Open();
    TField* Id = Set.FieldByName(QStringLiteral("id"));
    TField* OrderDate = Set.FieldByName(QStringLiteral("order_date"));
    TField* Shipped = Set.FieldByName(QStringLiteral("shipped"));
    TField* Status = Set.FieldByName(QStringLiteral("status"));
    TField* Discount = Set.FieldByName(QStringLiteral("discount"));
    TField* Amount = Set.FieldByName(QStringLiteral("amount"));
    TField* Customer = Set.FieldByName(QStringLiteral("customer_id"));
    TField* CustomerText = Set.FieldByName(QStringLiteral("customer"));

    benchmemory::ResetPeak();
    const long BaseKb = benchmemory::StatusKb("VmRSS:");
    QElapsedTimer Timer;
    Timer.start();
    const double CpuStart = benchmemory::CpuSeconds();

    // The page count first, for "Page N of M": the same breaks over the group sizes alone.
    std::vector<int> GroupSizes;
    int Previous = -1;
    for (Set.First(); !Set.Eof(); Set.Next()) {
        const int C = Customer->AsInteger();
        if (GroupSizes.empty() || C != Previous) GroupSizes.push_back(0);
        Previous = C;
        ++GroupSizes.back();
    }
    int Pages = 1;
    {
        int Y = PageHead;
        for (int Size : GroupSizes) {
            if (Y + GroupHead + Reserve > Bottom) ++Pages, Y = PageHead;
            Y += GroupHead;
            for (int i = 0; i < Size; ++i) {
                if (Y + Detail > Bottom) ++Pages, Y = PageHead;
                Y += Detail;
            }
            if (Y + GroupFoot > Bottom) ++Pages, Y = PageHead;
            Y += GroupFoot;
        }
        if (Y + ReportFoot > Bottom) ++Pages;
    }

    QPdfWriter Writer(FileName);
    Writer.setTitle(QStringLiteral("Orders"));
    Writer.setResolution(96);
    Writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                     QPageLayout::Millimeter));
    QPainter P(&Writer);
    QFont Plain(QStringLiteral("Arial"));
    Plain.setPointSize(10);
    QFont Bold = Plain;
    Bold.setBold(true);
    QFont Title = Bold;
    Title.setPointSize(14);
    QPen Pen(Qt::black);
    Pen.setWidth(1);
    P.setPen(Pen);
    const QLocale Numbers(QLocale::English, QLocale::UnitedStates);
    const QDate Epoch(1899, 12, 30);
    auto Text = [&P](int Left, int Top, int Width, int Height, Qt::Alignment Align, const QString& S) {
        P.drawText(QRect(Left, Top, Width, Height), int(Align | Qt::AlignVCenter), S);
    };
    auto Money = [&Numbers](int64_t Value) { return Numbers.toString(static_cast<double>(Value) / 10000.0, 'f', 2); };

    int PageNumber = 1;
    int Y = 0;
    auto StartPage = [&] {
        P.setFont(Title);
        Text(0, 0, 300, 24, Qt::AlignLeft, QStringLiteral("Orders"));
        P.setFont(Bold);
        for (const TColumn& C : Columns) Text(C.Left, 28, C.Width, 18, C.Align, QLatin1String(C.Caption));
        P.drawLine(0, 50, 710, 50);
        Y = PageHead;
    };
    auto EndPage = [&] {
        P.setFont(Plain);
        Text(0, Bottom + 4, 710, 18, Qt::AlignHCenter, QStringLiteral("Page %1 of %2").arg(PageNumber).arg(Pages));
    };
    auto Room = [&](int Needed) {
        if (Y + Needed <= Bottom) return;
        EndPage();
        Writer.newPage();
        ++PageNumber;
        StartPage();
    };

    StartPage();
    int64_t Grand = 0, Sub = 0;
    int Last = -1;
    auto Subtotal = [&] {
        Room(GroupFoot);
        P.setFont(Plain);
        Text(400, Y, 100, 18, Qt::AlignLeft, QStringLiteral("Subtotal"));
        Text(560, Y, 150, 18, Qt::AlignRight, Money(Sub));
        Y += GroupFoot;
    };
    for (Set.First(); !Set.Eof(); Set.Next()) {
        const int C = Customer->AsInteger();
        if (C != Last) {
            if (Last != -1) Subtotal();
            Room(GroupHead + Reserve);
            P.setFont(Bold);
            Text(0, Y + 2, 600, 18, Qt::AlignLeft, CustomerText->AsString());
            Y += GroupHead;
            Last = C;
            Sub = 0;
        }
        Room(Detail);
        P.setFont(Plain);
        Text(0, Y, 60, 18, Qt::AlignRight, QString::number(Id->AsInteger()));
        Text(90, Y, 90, 18, Qt::AlignLeft, Epoch.addDays(static_cast<qint64>(OrderDate->AsDateTime())).toString(u"yyyy-MM-dd"));
        if (!Shipped->IsNull())
            Text(190, Y, 90, 18, Qt::AlignLeft, Epoch.addDays(static_cast<qint64>(Shipped->AsDateTime())).toString(u"yyyy-MM-dd"));
        Text(300, Y, 90, 18, Qt::AlignLeft, Status->AsString());
        Text(400, Y, 80, 18, Qt::AlignRight, QString::number(Discount->AsFloat(), 'f', 1) + u'%');
        const int64_t A = Amount->AsCurrency();
        Text(560, Y, 150, 18, Qt::AlignRight, Money(A));
        Sub += A;
        Grand += A;
        Y += Detail;
    }
    if (Last != -1) Subtotal();
    Room(ReportFoot);
    P.setFont(Bold);
    Text(400, Y + 4, 120, 20, Qt::AlignLeft, QStringLiteral("Grand total"));
    Text(560, Y + 4, 150, 18, Qt::AlignRight, Money(Grand));
    EndPage();
    P.end();

    TChildResult R;
    R.Seconds = benchmemory::CpuSeconds() - CpuStart;
    R.WallSeconds = static_cast<double>(Timer.nsecsElapsed()) / 1e9;
    R.GrowthKb = benchmemory::StatusKb("VmHWM:") - BaseKb;
    R.Pages = PageNumber;
    return R;
}

// One side of one size, in this process: prints "seconds growth-kB pages".
int Child(const char* Side, int Rows) {
    TMemDataSet Set;
    benchorders::FillOrders(Set, Rows);
    QTemporaryDir Dir;
    const QString FileName = Dir.filePath(QStringLiteral("orders.pdf"));
    const bool Floor = std::strcmp(Side, "floor") == 0;
    const TChildResult R = Floor ? RunFloor(Set, FileName) : RunReport(Set, FileName);
    if (const char* Keep = std::getenv("ORDERS_BENCH_KEEP")) // to look at the two files side by side
        QFile::copy(FileName, QStringLiteral("%1/%2-%3.pdf").arg(QString::fromLocal8Bit(Keep), QLatin1String(Side)).arg(Rows));
    std::printf("%.6f %.6f %ld %d\n", R.Seconds, R.WallSeconds, R.GrowthKb, R.Pages);
    return R.Seconds < 0 ? 1 : 0;
}

TChildResult RunChild(const std::string& Self, const char* Side, int Rows) {
    const std::string Command = "'" + Self + "' --child " + Side + " " + std::to_string(Rows);
    TChildResult R;
    FILE* Pipe = popen(Command.c_str(), "r");
    if (!Pipe) return R;
    if (std::fscanf(Pipe, "%lf %lf %ld %d", &R.Seconds, &R.WallSeconds, &R.GrowthKb, &R.Pages) != 4) R.Seconds = -1;
    if (pclose(Pipe) != 0) R.Seconds = -1;
    return R;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
        QApplication App(argc, argv);
        SetFormatSettings(TFormatSettings::Fixed());
        try {
            return Child(argv[2], std::atoi(argv[3]));
        } catch (const Exception& E) {
            std::fprintf(stderr, "orders_bench: %s\n", qPrintable(E.Message()));
            return 1;
        }
    }
    std::vector<int> Sizes;
    for (int i = 1; i < argc; ++i) {
        const int Rows = std::atoi(argv[i]);
        if (Rows <= 0) {
            std::fprintf(stderr, "usage: orders_bench [ROWS...]\n");
            return 2;
        }
        Sizes.push_back(Rows);
    }
    if (Sizes.empty()) Sizes = {1000, 10000, 100000};
    const std::string Self = "/proc/" + std::to_string(getpid()) + "/exe";
    std::vector<std::string> Lines;
    for (int Rows : Sizes) {
        const TChildResult Report = RunChild(Self, "report", Rows);
        const TChildResult Floor = RunChild(Self, "floor", Rows);
        if (Report.Seconds < 0 || Floor.Seconds < 0) {
            std::fprintf(stderr, "orders_bench: the run at %d rows failed\n", Rows);
            return 1;
        }
        if (Report.Pages != Floor.Pages)
            std::fprintf(stderr, "orders_bench: %d rows: the report made %d pages, the floor %d\n", Rows, Report.Pages,
                         Floor.Pages);
        std::printf("  %d rows: %d pages; by the wall clock report %.3f s, floor %.3f s\n", Rows, Report.Pages,
                    Report.WallSeconds, Floor.WallSeconds);
        char Line[256];
        std::snprintf(Line, sizeof Line, "orders %d rows: report %.3f s, floor %.3f s, ratio %.2f, memory +%.1f MB / +%.1f MB",
                      Rows, Report.Seconds, Floor.Seconds, Report.Seconds / Floor.Seconds, Report.GrowthKb / 1024.0,
                      Floor.GrowthKb / 1024.0);
        Lines.emplace_back(Line);
        std::fflush(stdout);
    }
    for (const std::string& L : Lines) std::printf("%s\n", L.c_str());
    return 0;
}
