#pragma once

#include "TestDb.h"

#include <QDate>
#include <QMap>
#include <QStringList>

// Rows for the tables the history charts read (TestDb::Open makes them).
namespace HistoryDb {

inline QString Day(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

// A row: key columns and their SQL values, then the numbered columns set.
inline void Insert(const char* pTable, const QString& strKeys, const QString& strValues,
    const QMap<int, double>& cells = {})
{
    QStringList columns {strKeys};
    QStringList values {strValues};
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        columns << QStringLiteral("\"%1\"").arg(it.key());
        values << QString::number(it.value(), 'g', 9);
    }
    PSqlExec::Exec(QStringLiteral("insert into %1 (%2) values (%3)")
                       .arg(QLatin1String(pTable), columns.join(','), values.join(',')));
}

inline QString Keys(int nId, const QDate& day, const QString& strMore = QString())
{
    return QStringLiteral("%1,'%2'").arg(nId).arg(Day(day)) + strMore;
}

} // namespace HistoryDb
