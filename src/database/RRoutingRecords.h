#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlError>
#include <QStringList>

class QSqlQuery;

// Reads the patrol records of RoutingMinuteDose with the names of the routing
// staff and rooms, as lines of the routing records view and of its CSV
// export (the same lines for kestal-report). Default connection.
class RRoutingRecords final
{
public:
    struct Item
    {
        int nId;
        QString strName;
    };
    // One reading as shown: the texts of the view's first five columns.
    struct Line
    {
        QString strInterval;
        QString strTime;
        QString strRoom;
        QString strStaff;
        QString strDose;
    };

    // A stored Dose times this is the shown dose.
    static constexpr double DoseFactor = 0.01;

    // Reads the staff and room lists (in Sub order) once.
    RRoutingRecords();

    const QList<Item>& Staff() const { return m_listStaff; }
    const QList<Item>& Rooms() const { return m_listRooms; }

    // The readings of one staff member on the days given, each day in time
    // order; with a non-empty room filter only those rooms. The first
    // reading before noon and the first from noon on carry the interval label.
    QList<Line> Lines(int nStaffId, const QList<QDate>& days, const QSet<int>& setRooms);
    // Every staff id with readings from first to last inclusive, ascending.
    QList<int> StaffWithReadings(const QDate& first, const QDate& last);
    // The days of a month with any reading: one query.
    QList<QDate> DaysWithData(int nYear, int nMonth);

    // The first failure of a statement since construction; isValid() is
    // false while all went well.
    const QSqlError& Error() const { return m_error; }
    bool Failed() const { return m_error.type() != QSqlError::NoError; }

    // The view's range rule: "to" after "from" in the same year covers from
    // up to the day before to; otherwise the calendar's day alone.
    static QList<QDate> RangeDays(const QDate& from, const QDate& to, const QDate& day);
    // Labels of a day's times (text, in time order): "moring" for the first
    // before 12:00, "afternoon" for the first from 12:00 on, else empty.
    static QStringList IntervalLabels(const QStringList& times);

    // The CSV's header and the fields of one line: the view's columns, with
    // the two empty trailing fields of a data line.
    static QStringList CsvHeader(const QStringList& labels);
    static QStringList CsvFields(const Line& line);

private:
    QList<Item> ReadList(const QString& strTable);
    bool Check(const QSqlQuery& query);

    QList<Item> m_listStaff;
    QList<Item> m_listRooms;
    QHash<int, QString> m_hashStaffNames;
    QHash<int, QString> m_hashRoomNames;
    QSqlError m_error;
};
