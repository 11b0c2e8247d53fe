#pragma once
// Generated orders with the fields of the "orders" report's query, shared by the benchmarks that
// run that report: eight orders a customer, customers in name order.
#include "host/memdataset.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace benchorders {

inline void FillOrders(TMemDataSet& Set, int Rows) {
    Set.FieldDefs().Add(QStringLiteral("id"), ftInteger);
    Set.FieldDefs().Add(QStringLiteral("order_date"), ftDate);
    Set.FieldDefs().Add(QStringLiteral("shipped"), ftDateTime);
    Set.FieldDefs().Add(QStringLiteral("status"), ftString, 10);
    Set.FieldDefs().Add(QStringLiteral("discount"), ftFloat);
    Set.FieldDefs().Add(QStringLiteral("amount"), ftCurrency);
    Set.FieldDefs().Add(QStringLiteral("customer_id"), ftInteger);
    Set.FieldDefs().Add(QStringLiteral("customer"), ftString, 72);
    const QDate Start(2023, 1, 1);
    static const char* const Cities[] = {"Berlin", "Zürich", "Málaga", "Lyon", "Göteborg", "Kraków"};
    for (int n = 1; n <= Rows; ++n) {
        const int Customer = (n - 1) / 8 + 1;
        const QDate Date = Start.addDays((n * 53) % 730);
        Set.AppendRecord(
            {n, Date,
             n % 9 ? QVariant(QDateTime(Date.addDays(n % 5), QTime(n % 24, (n * 7) % 60))) : QVariant(),
             n % 9 == 0 ? QStringLiteral("open") : QStringLiteral("shipped"), (n % 4) * 2.5,
             ((n * 104729) % 250000) / 100.0 + 5, Customer,
             QStringLiteral("Customer %1, %2")
                 .arg(Customer, 6, 10, QLatin1Char('0'))
                 .arg(QString::fromUtf8(Cities[Customer % 6]))});
    }
}

} // namespace benchorders
