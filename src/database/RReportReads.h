#pragma once

#include <QDate>
#include <QSqlError>
#include <QVector>

// The reads of the command-line reports on a file that a running station may
// be writing: short read transactions that wait a bounded time for its lock,
// and what they read of the station's tables. Default connection.
class RReportReads final
{
public:
    enum class Begun { Ok, Failed, Empty };

    // Begins a read transaction and takes the file's read lock with its
    // first read, waiting at most *pWaitLeftMs, from which the time it waited
    // is then taken. The later reads of the transaction do not wait, so a
    // command of many reads waits no longer in all than one read would; the
    // time spent reading does not count. Empty: a file without tables.
    static Begun Begin(qint64* pWaitLeftMs, QSqlError* pError);
    static void End();

    // The region's stored minute values of a day (1440, in µRad/h per
    // slot sum as stored; 0 where none), empty without a minute row.
    static bool DayMinutes(int nId, const QDate& day, QVector<double>* pMinutes, QSqlError* pError);
    static bool HasRegion(int nId, bool* pHas, QSqlError* pError);

private:
    RReportReads() = delete;
};
