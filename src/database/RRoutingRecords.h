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
    // order; with a non-empty room filter only those rooms. Every reading
    // carries the label of its half of the day.
    QList<Line> Lines(int nStaffId, const QList<QDate>& days, const QSet<int>& setRooms);
    // Every staff id with readings from first to last inclusive, ascending.
    QList<int> StaffWithReadings(const QDate& first, const QDate& last);
    // The days of a month with any reading: one query.
    QList<QDate> DaysWithData(int nYear, int nMonth);

    // The first failure of a statement since construction; isValid() is
    // false while all went well.
    const QSqlError& Error() const { return m_error; }
    bool Failed() const { return m_error.type() != QSqlError::NoError; }

    // The days from..to, both included (in either order), as the view and
    // kestal-report select them.
    static QList<QDate> RangeDays(const QDate& from, const QDate& to);
    // The label of a reading's time (hh:mm or hh:mm:ss): "moring" before
    // 12:00, "afternoon" from 12:00 on. Stored spelling, kept in the files.
    static QString IntervalLabel(const QString& strTime);

    // The CSV's header and the fields of one line: the same five fields on
    // every line, the same in every language (the view's Export and
    // kestal-report write the same file).
    static QStringList CsvHeader();
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
