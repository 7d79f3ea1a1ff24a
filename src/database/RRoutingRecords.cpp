#include "database/RRoutingRecords.h"

#include "message/SClock.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

QSqlQuery run(const QString& strSql, const QVariantList& values)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    if (query.prepare(strSql)) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        query.exec();
    }
    return query;
}

} // namespace

RRoutingRecords::RRoutingRecords()
{
    m_listStaff = ReadList(QStringLiteral("RoutingInfo"));
    m_listRooms = ReadList(QStringLiteral("RoutingRoomInfo"));
    for (const Item& item : qAsConst(m_listStaff))
        m_hashStaffNames.insert(item.nId, item.strName);
    for (const Item& item : qAsConst(m_listRooms))
        m_hashRoomNames.insert(item.nId, item.strName);
}

QList<RRoutingRecords::Item> RRoutingRecords::ReadList(const QString& strTable)
{
    QList<Item> items;
    // Num is the list length; rows past it are left-overs of a longer list.
    QSqlQuery count = run(QStringLiteral("select Num from %1").arg(strTable), {});
    if (!Check(count))
        return items;
    const int nNum = count.next() ? count.value(0).toInt() : 0;
    QSqlQuery query
        = run(QStringLiteral("select Id, Name from %1 where Sub >= 1 and Sub <= ? order by Sub")
                  .arg(strTable),
            {nNum});
    if (!Check(query))
        return items;
    while (query.next())
        items.append({query.value(0).toInt(), query.value(1).toString()});
    return items;
}

bool RRoutingRecords::Check(const QSqlQuery& query)
{
    if (query.isActive())
        return true;
    if (!Failed())
        m_error = query.lastError();
    return false;
}

QList<RRoutingRecords::Line> RRoutingRecords::Lines(
    int nStaffId, const QList<QDate>& days, const QSet<int>& setRooms)
{
    QList<Line> lines;
    const QString strStaff = m_hashStaffNames.value(nStaffId, QString::number(nStaffId));
    for (const QDate& day : days) {
        // In time order, so the labels do not depend on the order rows were stored in.
        QSqlQuery query = run(QStringLiteral("select RoomId, Dose, Time from RoutingMinuteDose "
                                             "where Id = ? and Month = ? order by Time"),
            {nStaffId, SClock::DayText(day)});
        if (!Check(query))
            return lines;
        while (query.next()) {
            const int nRoomId = query.value(0).toInt();
            if (!setRooms.isEmpty() && !setRooms.contains(nRoomId))
                continue;
            const QString strTime = query.value(2).toString();
            lines.append({IntervalLabel(strTime), SClock::DayText(day) + QLatin1Char('T') + strTime,
                m_hashRoomNames.value(nRoomId, QString::number(nRoomId)), strStaff,
                QString::number(query.value(1).toDouble() * DoseFactor, 'f', 2)});
        }
    }
    return lines;
}

QList<int> RRoutingRecords::StaffWithReadings(const QDate& first, const QDate& last)
{
    QList<int> ids;
    QSqlQuery query = run(QStringLiteral("select distinct Id from RoutingMinuteDose where Month "
                                         ">= ? and Month <= ? order by Id"),
        {SClock::DayText(first), SClock::DayText(last)});
    if (!Check(query))
        return ids;
    while (query.next())
        ids.append(query.value(0).toInt());
    return ids;
}

QList<QDate> RRoutingRecords::DaysWithData(int nYear, int nMonth)
{
    QList<QDate> days;
    const QDate first(nYear, nMonth, 1);
    if (!first.isValid())
        return days;
    QSqlQuery query = run(QStringLiteral("select distinct Month from RoutingMinuteDose where "
                                         "Month >= ? and Month <= ?"),
        {SClock::DayText(first), SClock::DayText(first.addDays(first.daysInMonth() - 1))});
    if (!Check(query))
        return days;
    while (query.next()) {
        const QDate day
            = QDate::fromString(query.value(0).toString(), QStringLiteral("yyyy-MM-dd"));
        if (day.isValid())
            days.append(day);
    }
    return days;
}

QList<QDate> RRoutingRecords::RangeDays(const QDate& from, const QDate& to)
{
    QList<QDate> days;
    const QDate first = qMin(from, to);
    const QDate last = qMax(from, to);
    if (!first.isValid())
        return days;
    for (QDate day = first; day <= last; day = day.addDays(1))
        days.append(day);
    return days;
}

QString RRoutingRecords::IntervalLabel(const QString& strTime)
{
    return strTime < QLatin1String("12:00") ? QStringLiteral("moring")
                                            : QStringLiteral("afternoon");
}

QStringList RRoutingRecords::CsvHeader()
{
    return {QStringLiteral("Interval"), QStringLiteral("Time"), QStringLiteral("Room"),
        QStringLiteral("Manufacturing number"), QStringLiteral("Dose")};
}

QStringList RRoutingRecords::CsvFields(const Line& line)
{
    return {line.strInterval, line.strTime, line.strRoom, line.strStaff, line.strDose};
}
